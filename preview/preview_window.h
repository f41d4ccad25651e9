#pragma once

// `Form2`, the preview window: the picture of the finished sheet in a zoomable, scrollable,
// draggable viewer, "Save Results To Excel File" and "< Back".
//
// The builder hands over a result by setPicture (the snapshot for `Picture1`), then `mExcelFile`
// (the generated workbook, which this window owns from then on), then show(). The first
// activation after a hand-over sets the viewer up at zoom 100 %. Save copies the workbook to a
// path the user picks; Back deletes it and returns to the main window; closing deletes it,
// stores the item list and ends the program.
//
// Event procedures keep their numbered statements: a failing statement shows the error report
// box naming Form2, the procedure and the line, and the procedure goes on with the next one.

#include "platform/prompts.h"
#include "platform/window_pointer.h"
#include "preview/zoom_model.h"

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
struct Form2Services
{
    Prompts& prompts;
    std::function<void()> showMainWindow;
    // Writes the main window's item list to the settings store.
    std::function<void()> storeItemList;
    // Stores the item list and, when something could not be stored, asks whether to end the
    // program anyway; false keeps it running (Form1::mayEndProgram).
    std::function<bool()> mayEndProgram;
    std::function<void()> endProgram;
    // The folder that may hold the hand cursor HAND-M.CUR.
    QString applicationFolder;
    QIcon icon;
};

// The window's controls, named as the window's procedures know them.
struct Form2Controls
{
    QFrame* Picture2 = nullptr; // the viewport, clipping its child to its inner area
    PictureSurface* Picture1 = nullptr;
    QScrollBar* VScroll1 = nullptr;
    QScrollBar* HScroll1 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QPushButton* PushButton1 = nullptr; // "Zoom In"
    QPushButton* PushButton2 = nullptr; // "Zoom Out"
    QPushButton* PushButton6 = nullptr; // "Save Results To Excel File"
    QPushButton* PushButton8 = nullptr; // "< Back"
};

class Form2 : public QMainWindow
{
    Q_OBJECT
public:
    explicit Form2(Form2Services services, QWidget* parent = nullptr);
    ~Form2() override;

    // Full path of the generated workbook; read by Save, Back and closing.
    QString mExcelFile;
    // True until the end of the next activation; the viewer is set up when it is.
    bool mFirstActivate = false;

    // Assigns the snapshot to `Picture1`. A new result gets the viewer's set-up at the next
    // activation, just like the first one.
    void setPicture(spreadsheet::render::SheetPicture picture);

    const Form2Controls& controls() const { return m_controls; }
    const ZoomModel& zoomModel() const { return m_model; }
    WindowPointer& pointer() { return m_pointer; }

    // Event procedures.
    void Form_Load();
    void Form_Activate();
    void Form_QueryUnload();
    void Form_Unload();
    void PushButton1_Click();
    void PushButton2_Click();
    void PushButton6_Click();
    void PushButton8_Click();
    void HScroll1_Change();
    void VScroll1_Change();
    void picture1_MouseDown(Qt::MouseButtons buttons, double x, double y);
    void picture1_MouseMove(Qt::MouseButtons buttons, double x, double y);
    void Picture1_MouseUp(Qt::MouseButtons buttons, double x, double y);

    // Viewer routines.
    void RedrawImage();
    void SetupScrollbars();
    void ZoomStep(ZoomDirection direction);

    // The menu commands that have no button of their own (preview_window_menus.cpp).
    void saveAsPdf();
    void printReport();
    void actualSize();

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

    Form2Services m_services;
    Form2Controls m_controls;
    WindowPointer m_pointer;
    ZoomModel m_model;
    std::shared_ptr<const spreadsheet::render::SheetPicture> m_picture; // `Picture1`'s picture
    std::shared_ptr<const spreadsheet::render::SheetPicture> m_holder;  // the unzoomed source
    double m_wheelRemainder = 0;
};

} // namespace stowfolio::preview
