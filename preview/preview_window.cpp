#include "preview/preview_window.h"

#include "platform/app_title.h"
#include "platform/error_report.h"
#include "platform/file_helpers.h"
#include "platform/skin.h"
#include "preview/picture_surface.h"
#include "preview/preview_window_layout.h"
#include "preview/save_copy.h"
#include "spreadsheet/render/sheet_picture.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLayout>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QWheelEvent>

#include <cmath>

namespace stowfolio::preview {

namespace {

// One notch of the wheel scrolls three rows of the sheet (240 twips each).
constexpr double kWheelNotchTwips = 3 * 240;

Extent pictureExtent(const spreadsheet::render::SheetPicture& picture)
{
    return {std::int64_t{picture.size().width()} * kTwipsPerPixel,
            std::int64_t{picture.size().height()} * kTwipsPerPixel};
}

} // namespace

PreviewWindow::PreviewWindow(PreviewServices services, QWidget* parent)
    : QMainWindow(parent), m_services(std::move(services)), m_controls(buildPreviewControls(*this)),
      m_pointer(*this), m_model(kViewportOuter, kViewportInner)
{
    connectControls();
    buildMenus();
    // The window opens at the client area's drawn size plus the menu bar and can be resized
    // from there; the program places it on screen (platform/window_fitting.h).
    resize(defaultSize());
    layout()->invalidate();
    layout()->activate();
    setUpWindow();
}

PreviewWindow::~PreviewWindow() = default;

QSize PreviewWindow::defaultSize() const
{
    return QSize(spreadsheet::twipsToPixels(static_cast<double>(kPreviewClient.width)),
                 spreadsheet::twipsToPixels(static_cast<double>(kPreviewClient.height)) +
                     menuBar()->sizeHint().height());
}

void PreviewWindow::connectControls()
{
    const PreviewControls& c = m_controls;
    connect(c.zoomInButton, &QPushButton::clicked, this, &PreviewWindow::zoomIn);
    connect(c.zoomOutButton, &QPushButton::clicked, this, &PreviewWindow::zoomOut);
    connect(c.saveButton, &QPushButton::clicked, this, &PreviewWindow::saveWorkbookAs);
    connect(c.backButton, &QPushButton::clicked, this, &PreviewWindow::goBack);
    connect(c.horizontalBar, &QScrollBar::valueChanged, this,
            &PreviewWindow::horizontalScrollChanged);
    connect(c.verticalBar, &QScrollBar::valueChanged, this, &PreviewWindow::verticalScrollChanged);
    connect(c.surface, &PictureSurface::mousePressed, this, &PreviewWindow::pictureMousePressed);
    connect(c.surface, &PictureSurface::mouseMoved, this, &PreviewWindow::pictureMouseMoved);
    connect(c.surface, &PictureSurface::mouseReleased, this, &PreviewWindow::pictureMouseReleased);

    for (QPushButton* button : {c.zoomInButton, c.zoomOutButton, c.saveButton, c.backButton})
        m_pointer.addHandElement(*button);
    m_pointer.addDefaultElement(*this);
    m_pointer.addDefaultElement(*c.zoomFrame);
    // Moving over the picture or the scroll bars leaves the pointer as it is.
    for (QWidget* element :
         {static_cast<QWidget*>(c.viewport), static_cast<QWidget*>(c.surface),
          static_cast<QWidget*>(c.horizontalBar), static_cast<QWidget*>(c.verticalBar)})
        m_pointer.addInertElement(*element);

    c.viewport->installEventFilter(this);
    c.surface->installEventFilter(this);
}

void PreviewWindow::setPicture(spreadsheet::render::SheetPicture picture)
{
    m_picture = std::make_shared<const spreadsheet::render::SheetPicture>(std::move(picture));
    m_model.assignPicture(pictureExtent(*m_picture));
    // The earlier result's holder goes: the next activation fills it from this picture, and
    // until then the surface shows the picture as received.
    m_holder.reset();
    m_setUpOnActivation = true;
    showSurface();
}

void PreviewWindow::setUpWindow()
{
    using Lines = errorsite::PreviewSetUp;
    GuardedProcedure guard(m_services.prompts, Lines::site);
    m_setUpOnActivation = true;
    guard.step(Lines::kResetColours, [&] { resetFormColours(*this); });
    guard.step(Lines::kSetCaptionAndIcon, [&] {
        setWindowTitle(kProductName);
        setWindowIcon(m_services.icon);
    });
    const QString cursorPath = m_services.applicationFolder + QStringLiteral("/HAND-M.CUR");
    if (guard.test(Lines::kLookForHandCursor, [&] { return fileExists(cursorPath); }))
        guard.step(Lines::kLoadHandCursor,
                   [&] { m_pointer.setCustomCursor(loadCursorFile(cursorPath)); });
}

void PreviewWindow::activated()
{
    GuardedProcedure guard(m_services.prompts, errorsite::PreviewActivation::site);
    if (m_setUpOnActivation)
        initialiseViewer(guard);
    m_setUpOnActivation = false;
}

// The holder keeps the picture as received and is the source of every later repaint; the
// viewer starts at zoom 1.0 with the extents of that picture.
void PreviewWindow::initialiseViewer(GuardedProcedure& guard)
{
    using Lines = errorsite::PreviewActivation;
    m_holder = m_picture;
    guard.step(Lines::kStartAtFullSize, [&] { m_model.initialise(); });
    guard.step(Lines::kRedrawImage, [&] { redrawImage(); });
    guard.step(Lines::kSetUpScrollBars, [&] { setUpScrollBars(); });
}

void PreviewWindow::redrawImage()
{
    GuardedProcedure guard(m_services.prompts, errorsite::PreviewRedraw::site);
    bool repainted = false;
    guard.step(errorsite::PreviewRedraw::kRepaint, [&] { repainted = m_model.redrawImage(); });
    if (repainted)
        showRepaint(guard);
}

// The window's part of a repaint that the model accepted: the surface at its zoomed extent
// and offset, the default pointer, the scroll bars at position 0 with their new ranges.
void PreviewWindow::showRepaint(GuardedProcedure& guard)
{
    using Lines = errorsite::PreviewRedraw;
    guard.step(Lines::kShowSurface, [&] { showSurface(); });
    guard.step(Lines::kShowDefaultPointer, [&] { m_pointer.setCode(kDefaultPointer); });
    guard.step(Lines::kShowScrollBars, [&] { showScrollBars(); });
}

void PreviewWindow::setUpScrollBars()
{
    m_model.setupScrollbars();
    showSurface();
    showScrollBars();
}

void PreviewWindow::zoomStep(ZoomDirection direction)
{
    if (m_model.zoomStep(direction))
        repaintAfterZoom();
}

void PreviewWindow::repaintAfterZoom()
{
    GuardedProcedure guard(m_services.prompts, errorsite::PreviewRedraw::site);
    showRepaint(guard);
}

void PreviewWindow::showSurface()
{
    const Extent surface = m_model.surface();
    const Offset offset = m_model.offset();
    m_controls.surface->setGeometry(
        spreadsheet::twipsToPixels(offset.left), spreadsheet::twipsToPixels(offset.top),
        spreadsheet::twipsToPixels(static_cast<double>(surface.width)),
        spreadsheet::twipsToPixels(static_cast<double>(surface.height)));
    m_controls.surface->setPainting(m_holder ? m_holder : m_picture, m_model.painting());
}

void PreviewWindow::showScrollBars()
{
    for (const auto& [bar, axis] : {std::pair{m_controls.horizontalBar, Axis::Horizontal},
                                    std::pair{m_controls.verticalBar, Axis::Vertical}}) {
        const ScrollBarState& state = m_model.scrollBar(axis);
        const QSignalBlocker blocker(bar);
        bar->setRange(0, state.maximum);
        bar->setValue(state.position);
        bar->setEnabled(state.enabled);
    }
}

void PreviewWindow::zoomIn()
{
    GuardedProcedure guard(m_services.prompts, errorsite::PreviewZoomIn::site);
    guard.step(errorsite::PreviewZoomIn::kZoom, [&] { zoomStep(ZoomDirection::In); });
}

void PreviewWindow::zoomOut()
{
    GuardedProcedure guard(m_services.prompts, errorsite::PreviewZoomOut::site);
    guard.step(errorsite::PreviewZoomOut::kZoom, [&] { zoomStep(ZoomDirection::Out); });
}

void PreviewWindow::horizontalScrollChanged()
{
    m_model.setScrollPosition(Axis::Horizontal, m_controls.horizontalBar->value());
    showSurface();
}

void PreviewWindow::verticalScrollChanged()
{
    m_model.setScrollPosition(Axis::Vertical, m_controls.verticalBar->value());
    showSurface();
}

void PreviewWindow::pictureMousePressed(Qt::MouseButtons, double x, double y)
{
    GuardedProcedure guard(m_services.prompts, errorsite::PreviewDragStart::site);
    guard.step(errorsite::PreviewDragStart::kStartDrag, [&] { m_model.mouseDown(x, y); });
}

void PreviewWindow::pictureMouseMoved(Qt::MouseButtons buttons, double x, double y)
{
    using Lines = errorsite::PreviewDrag;
    GuardedProcedure guard(m_services.prompts, Lines::site);
    if (!guard.test(Lines::kCheckButtons, [&] { return buttons != Qt::NoButton; }))
        return;
    guard.step(Lines::kDrag, [&] { m_model.mouseMove(true, x, y); });
    guard.step(Lines::kShowSurface, [&] { showSurface(); });
}

void PreviewWindow::pictureMouseReleased(Qt::MouseButtons, double, double)
{
    using Lines = errorsite::PreviewDragEnd;
    GuardedProcedure guard(m_services.prompts, Lines::site);
    guard.step(Lines::kEndDrag, [&] { m_model.mouseUp(); });
    guard.step(Lines::kShowScrollBarsAndSurface, [&] {
        showScrollBars();
        showSurface();
    });
}

void PreviewWindow::goBack()
{
    using Lines = errorsite::PreviewBack;
    GuardedProcedure guard(m_services.prompts, Lines::site);
    guard.step(Lines::kDeleteWorkbook, [&] { deleteFileQuietly(m_workbookPath); });
    guard.step(Lines::kShowMainWindow, [&] { m_services.showMainWindow(); });
    guard.step(Lines::kHide, [&] { hide(); });
}

void PreviewWindow::saveWorkbookAs()
{
    using Lines = errorsite::PreviewSave;
    GuardedProcedure guard(m_services.prompts, Lines::site);
    QString chosen;
    bool answeredYes = false;
    bool askedToOverwrite = false;
    // The dialog opens without a proposed name, folder, default extension or options.
    guard.step(Lines::kAskForFileName, [&] {
        chosen = m_services.prompts.saveFileName(QStringLiteral("Save File"),
                                                 QStringLiteral("Excel Files (*.xls)|*.xls|"));
    });
    if (!chosen.isEmpty()) {
        if (guard.test(Lines::kCheckExists, [&] { return fileExists(chosen); })) {
            guard.step(Lines::kConfirmOverwrite, [&] {
                answeredYes = m_services.prompts.askYesNo(
                    QStringLiteral("Are you sure you wish to overwrite ") + chosen +
                        QStringLiteral(" ?"),
                    QString(), DefaultAnswer::Yes);
                askedToOverwrite = answeredYes;
            });
            // The old file is not deleted first: the copy replaces it only once it is whole,
            // so a copy that fails leaves the old file as it was.
        } else {
            answeredYes = true;
        }
    }
    // A file the user was asked about and agreed to overwrite is replaced even when it is
    // read-only; one that was not there when he chose it is not.
    const ReadOnlyTarget readOnly =
        askedToOverwrite ? ReadOnlyTarget::Replace : ReadOnlyTarget::Refuse;
    // After a failed copy the error report box has spoken; "Done." would contradict it.
    bool copied = true;
    if (answeredYes)
        copied = guard.step(Lines::kCopyWorkbook,
                            [&] { copyFileAtomically(m_workbookPath, chosen, readOnly); });
    if (copied)
        guard.step(Lines::kSayDone, [&] {
            m_services.prompts.showMessage(QStringLiteral("Done."), QString(), MessageIcon::None);
        });
}

void PreviewWindow::prepareToClose()
{
    using Lines = errorsite::PreviewClosing;
    GuardedProcedure guard(m_services.prompts, Lines::site);
    guard.step(Lines::kDeleteWorkbook, [&] { deleteFileQuietly(m_workbookPath); });
    guard.step(Lines::kLetEventsRun, [&] { QCoreApplication::processEvents(); });
    // The program ends without the main window's closing, which would otherwise be the one to
    // keep the item list.
    guard.step(Lines::kStoreItemList, [&] { m_services.storeItemList(); });
}

void PreviewWindow::closed()
{
    m_services.endProgram();
}

void PreviewWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    allowPictureToShrink(*this);
    if (!event->spontaneous())
        activated();
}

void PreviewWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        activated();
}

void PreviewWindow::closeEvent(QCloseEvent* event)
{
    // Asked before anything is deleted, so a user who stays has the workbook still there.
    if (!m_services.mayEndProgram()) {
        event->ignore();
        return;
    }
    prepareToClose();
    closed();
    event->accept();
}

bool PreviewWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize && watched == m_controls.viewport)
        viewportResized();
    if (event->type() == QEvent::Wheel &&
        (watched == m_controls.viewport || watched == m_controls.surface)) {
        wheelOverPicture(*static_cast<QWheelEvent*>(event));
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void PreviewWindow::viewportResized()
{
    const QSize outer = m_controls.viewport->size();
    const QSize inner = m_controls.viewport->contentsRect().size();
    const Extent outerTwips{std::int64_t{outer.width()} * kTwipsPerPixel,
                            std::int64_t{outer.height()} * kTwipsPerPixel};
    const Extent innerTwips{std::int64_t{inner.width()} * kTwipsPerPixel,
                            std::int64_t{inner.height()} * kTwipsPerPixel};
    if (!m_model.resizeViewport(outerTwips, innerTwips))
        return;
    showSurface();
    showScrollBars();
}

// Ctrl+wheel zooms in the same quarter steps as the buttons; the wheel scrolls the picture,
// sideways with Shift or a horizontal wheel. Partial notches (touchpads) add up.
void PreviewWindow::wheelOverPicture(QWheelEvent& event)
{
    const QPoint delta = event.angleDelta();
    if (event.modifiers() & Qt::ControlModifier) {
        if (delta.y() > 0)
            zoomIn();
        else if (delta.y() < 0)
            zoomOut();
        return;
    }
    const bool sideways = (event.modifiers() & Qt::ShiftModifier) || delta.x() != 0;
    const Axis axis = sideways ? Axis::Horizontal : Axis::Vertical;
    const int unit = m_model.scrollUnit(axis);
    if (unit == 0)
        return;
    // Eighths of a degree; 120 make one notch.
    const int eighths = delta.x() != 0 ? delta.x() : delta.y();
    m_wheelRemainder += -eighths / 120.0 * kWheelNotchTwips / unit;
    const double steps = std::trunc(m_wheelRemainder);
    m_wheelRemainder -= steps;
    QScrollBar* bar = sideways ? m_controls.horizontalBar : m_controls.verticalBar;
    bar->setValue(bar->value() + static_cast<int>(steps));
}

} // namespace stowfolio::preview
