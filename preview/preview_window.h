#pragma once

// The preview window: the picture of the finished sheet in a zoomable, scrollable, draggable
// viewer, "Save Results To Excel File" and "< Back".
//
// The builder hands over a result by setPicture (the sheet's picture), then setWorkbookPath (the
// generated workbook, which this window owns from then on), then show(). The first activation
// after a hand-over sets the viewer up at zoom 100 %. Save copies the workbook to a path the
// user picks; Back deletes it and returns to the main window; closing deletes it, stores the
// item list and ends the program.
//
// The handlers run their statements through a GuardedProcedure: a failing statement shows the
// error report box (the sites and line numbers of error_sites.h) and the handler goes on with
// the next one.

#include "platform/prompts.h"
#include "platform/window_pointer.h"
#include "preview/zoom_model.h"
#include "report/report_evidence.h"

#include <QIcon>
#include <QMainWindow>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

class QFrame;
class QGroupBox;
class QPushButton;
class QScrollBar;

namespace spreadsheet::render {
class SheetPicture;
}

namespace stowfolio {
class GuardedProcedure;
}

namespace stowfolio::preview {

class PictureSurface;

// What the window needs from the rest of the program.
struct PreviewServices
{
    Prompts& prompts;
    std::function<void()> showMainWindow;
    // Writes the main window's item list to the settings store.
    std::function<void()> storeItemList;
    // Stores the item list and, when something could not be stored, asks whether to end the
    // program anyway; false keeps it running (MainWindow::mayEndProgram).
    std::function<bool()> mayEndProgram;
    std::function<void()> endProgram;
    // The folder that may hold the hand cursor HAND-M.CUR.
    QString applicationFolder;
    QIcon icon;
};

// The window's controls, named as the window's procedures know them.
struct PreviewControls
{
    QFrame* viewport = nullptr; // clips the surface to its inner area
    PictureSurface* surface = nullptr;
    QScrollBar* verticalBar = nullptr;
    QScrollBar* horizontalBar = nullptr;
    QGroupBox* zoomFrame = nullptr;
    QPushButton* zoomInButton = nullptr;  // "Zoom In"
    QPushButton* zoomOutButton = nullptr; // "Zoom Out"
    QPushButton* saveButton = nullptr;    // "Save Results To Excel File"
    QPushButton* backButton = nullptr;    // "< Back"
};

class PreviewWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit PreviewWindow(PreviewServices services, QWidget* parent = nullptr);
    ~PreviewWindow() override;

    // The generated workbook, which Save copies and Back and closing delete.
    void setWorkbookPath(const QString& path) { m_workbookPath = path; }
    const QString& workbookPath() const { return m_workbookPath; }
    // What gives the report the attachments of the workbook's items, read when a report is
    // saved or printed; without one the report has the Photo column's pictures only.
    using ReportEvidenceSource = std::function<report::ReportEvidence()>;
    void setReportEvidenceSource(ReportEvidenceSource source)
    {
        m_reportEvidence = std::move(source);
    }
    // Whether the next activation sets the viewer up for a new picture.
    bool awaitsViewerSetUp() const { return m_setUpOnActivation; }

    // Shows `picture` on the surface. A new result gets the viewer's set-up at the next
    // activation, just like the first one.
    void setPicture(spreadsheet::render::SheetPicture picture);

    const PreviewControls& controls() const { return m_controls; }
    const ZoomModel& zoomModel() const { return m_model; }
    WindowPointer& pointer() { return m_pointer; }

    // The drawn client area with the menu bar: the size the window opens at when the screen has
    // room for it.
    QSize defaultSize() const;

    // Colours, title, icon and hand cursor; runs once when the window is made.
    void setUpWindow();
    // Sets the viewer up when a new picture arrived since the last activation.
    void activated();
    // Deletes the workbook and stores the item list; the program ends next (closed).
    void prepareToClose();
    void closed();

    // What the buttons, scroll bars and the mouse on the picture do.
    void zoomIn();
    void zoomOut();
    void saveWorkbookAs();
    void goBack();
    void horizontalScrollChanged();
    void verticalScrollChanged();
    void pictureMousePressed(Qt::MouseButtons buttons, double x, double y);
    void pictureMouseMoved(Qt::MouseButtons buttons, double x, double y);
    void pictureMouseReleased(Qt::MouseButtons buttons, double x, double y);

    // Viewer routines.
    void redrawImage();
    void setUpScrollBars();
    void zoomStep(ZoomDirection direction);

    // The menu commands that have no button of their own (preview_window_menus.cpp).
    void saveAsPdf();
    void printReport();
    void actualSize();
    // The report's evidence as the source gives it (none without a source).
    report::ReportEvidence reportEvidence() const;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void connectControls();
    void buildMenus();
    void repaintAfterZoom();
    void initialiseViewer(GuardedProcedure& guard);
    void showRepaint(GuardedProcedure& guard);
    void showSurface();
    void showScrollBars();
    void wheelOverPicture(QWheelEvent& event);
    // The viewport changed size with the window: the zoom model gets its new extents, and the
    // scroll bars and the surface follow.
    void viewportResized();

    PreviewServices m_services;
    PreviewControls m_controls;
    WindowPointer m_pointer;
    ZoomModel m_model;
    std::shared_ptr<const spreadsheet::render::SheetPicture> m_picture; // what the surface shows
    std::shared_ptr<const spreadsheet::render::SheetPicture> m_holder;  // the unzoomed source
    double m_wheelRemainder = 0;
    QString m_workbookPath;
    ReportEvidenceSource m_reportEvidence;
    // True from a hand-over until the end of the next activation, which sets the viewer up.
    bool m_setUpOnActivation = false;
};

} // namespace stowfolio::preview
