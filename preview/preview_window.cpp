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
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QWheelEvent>

#include <cmath>

namespace stowfolio::preview {

namespace {

const QString kForm = QStringLiteral("Form2");

// One notch of the wheel scrolls three rows of the sheet (240 twips each).
constexpr double kWheelNotchTwips = 3 * 240;

Extent pictureExtent(const spreadsheet::render::SheetPicture& picture)
{
    return {std::int64_t{picture.size().width()} * kTwipsPerPixel,
            std::int64_t{picture.size().height()} * kTwipsPerPixel};
}

} // namespace

Form2::Form2(Form2Services services, QWidget* parent)
    : QMainWindow(parent), m_services(std::move(services)), m_controls(buildForm2Controls(*this)),
      m_pointer(*this), m_model(kViewportOuter, kViewportInner)
{
    connectControls();
    buildMenus();
    // The client area keeps its drawn size; the window is that plus the menu bar.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    layout()->activate();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    Form_Load();
}

Form2::~Form2() = default;

void Form2::connectControls()
{
    const Form2Controls& c = m_controls;
    connect(c.PushButton1, &QPushButton::clicked, this, &Form2::PushButton1_Click);
    connect(c.PushButton2, &QPushButton::clicked, this, &Form2::PushButton2_Click);
    connect(c.PushButton6, &QPushButton::clicked, this, &Form2::PushButton6_Click);
    connect(c.PushButton8, &QPushButton::clicked, this, &Form2::PushButton8_Click);
    connect(c.HScroll1, &QScrollBar::valueChanged, this, &Form2::HScroll1_Change);
    connect(c.VScroll1, &QScrollBar::valueChanged, this, &Form2::VScroll1_Change);
    connect(c.Picture1, &PictureSurface::mousePressed, this, &Form2::picture1_MouseDown);
    connect(c.Picture1, &PictureSurface::mouseMoved, this, &Form2::picture1_MouseMove);
    connect(c.Picture1, &PictureSurface::mouseReleased, this, &Form2::Picture1_MouseUp);

    for (QPushButton* button : {c.PushButton1, c.PushButton2, c.PushButton6, c.PushButton8})
        m_pointer.addHandElement(*button);
    m_pointer.addDefaultElement(*this);
    m_pointer.addDefaultElement(*c.Frame1);
    // Moving over the picture or the scroll bars leaves the pointer as it is.
    for (QWidget* element : {static_cast<QWidget*>(c.Picture2), static_cast<QWidget*>(c.Picture1),
                             static_cast<QWidget*>(c.HScroll1), static_cast<QWidget*>(c.VScroll1)})
        m_pointer.addInertElement(*element);

    c.Picture2->installEventFilter(this);
    c.Picture1->installEventFilter(this);
}

void Form2::setPicture(spreadsheet::render::SheetPicture picture)
{
    m_picture = std::make_shared<const spreadsheet::render::SheetPicture>(std::move(picture));
    m_model.assignPicture(pictureExtent(*m_picture));
    // The earlier result's holder goes: the next activation fills it from this picture, and
    // until then the surface shows the picture as received.
    m_holder.reset();
    mFirstActivate = true;
    showSurface();
}

void Form2::Form_Load()
{
    GuardedProcedure guard(m_services.prompts, kForm, QStringLiteral("Form_Load"));
    guard.step(100, [&] { mFirstActivate = true; });
    guard.step(102, [&] { ResetFormColors(*this); });
    guard.step(104, [&] {
        setWindowTitle(kProductName);
        setWindowIcon(m_services.icon);
    });
    const QString cursorPath = m_services.applicationFolder + QStringLiteral("/HAND-M.CUR");
    if (guard.test(108, [&] { return FileExists(cursorPath); }))
        guard.step(110, [&] { m_pointer.setCustomCursor(loadCursorFile(cursorPath)); });
}

void Form2::Form_Activate()
{
    GuardedProcedure guard(m_services.prompts, kForm, QStringLiteral("Form_Activate"));
    if (guard.test(100, [&] { return mFirstActivate; }))
        initialiseViewer(guard);
    guard.step(138, [&] { mFirstActivate = false; });
}

// The holder keeps the picture as received and is the source of every later repaint; the
// viewer starts at zoom 1.0 with the extents of that picture.
void Form2::initialiseViewer(GuardedProcedure& guard)
{
    guard.step(122, [&] { m_holder = m_picture; });
    guard.step(124, [&] { m_model.initialise(); });
    guard.step(134, [&] { RedrawImage(); });
    guard.step(136, [&] { SetupScrollbars(); });
}

void Form2::RedrawImage()
{
    GuardedProcedure guard(m_services.prompts, kForm, QStringLiteral("RedrawImage"));
    bool repainted = false;
    guard.step(100, [&] { repainted = m_model.redrawImage(); });
    if (repainted)
        showRepaint(guard);
}

// The window's part of a repaint that the model accepted: the surface at its zoomed extent
// and offset, the default pointer, the scroll bars at position 0 with their new ranges.
void Form2::showRepaint(GuardedProcedure& guard)
{
    guard.step(108, [&] { showSurface(); });
    guard.step(114, [&] { m_pointer.setCode(kDefaultPointer); });
    guard.step(116, [&] { showScrollBars(); });
}

void Form2::SetupScrollbars()
{
    m_model.setupScrollbars();
    showSurface();
    showScrollBars();
}

void Form2::ZoomStep(ZoomDirection direction)
{
    if (m_model.zoomStep(direction))
        repaintAfterZoom();
}

void Form2::repaintAfterZoom()
{
    GuardedProcedure guard(m_services.prompts, kForm, QStringLiteral("RedrawImage"));
    showRepaint(guard);
}

void Form2::showSurface()
{
    const Extent surface = m_model.surface();
    const Offset offset = m_model.offset();
    m_controls.Picture1->setGeometry(
        spreadsheet::twipsToPixels(offset.left), spreadsheet::twipsToPixels(offset.top),
        spreadsheet::twipsToPixels(static_cast<double>(surface.width)),
        spreadsheet::twipsToPixels(static_cast<double>(surface.height)));
    m_controls.Picture1->setPainting(m_holder ? m_holder : m_picture, m_model.painting());
}

void Form2::showScrollBars()
{
    for (const auto& [bar, axis] : {std::pair{m_controls.HScroll1, Axis::Horizontal},
                                    std::pair{m_controls.VScroll1, Axis::Vertical}}) {
        const ScrollBarState& state = m_model.scrollBar(axis);
        const QSignalBlocker blocker(bar);
        bar->setRange(0, state.maximum);
        bar->setValue(state.position);
        bar->setEnabled(state.enabled);
    }
}

void Form2::PushButton1_Click()
{
    GuardedProcedure guard(m_services.prompts, kForm, QStringLiteral("PushButton1_Click"));
    guard.step(100, [&] { ZoomStep(ZoomDirection::In); });
}

void Form2::PushButton2_Click()
{
    GuardedProcedure guard(m_services.prompts, kForm, QStringLiteral("PushButton2_Click"));
    guard.step(100, [&] { ZoomStep(ZoomDirection::Out); });
}

void Form2::HScroll1_Change()
{
    m_model.setScrollPosition(Axis::Horizontal, m_controls.HScroll1->value());
    showSurface();
}

void Form2::VScroll1_Change()
{
    m_model.setScrollPosition(Axis::Vertical, m_controls.VScroll1->value());
    showSurface();
}

void Form2::picture1_MouseDown(Qt::MouseButtons, double x, double y)
{
    GuardedProcedure guard(m_services.prompts, kForm, QStringLiteral("picture1_MouseDown"));
    guard.step(100, [&] { m_model.mouseDown(x, y); });
}

void Form2::picture1_MouseMove(Qt::MouseButtons buttons, double x, double y)
{
    GuardedProcedure guard(m_services.prompts, kForm, QStringLiteral("picture1_MouseMove"));
    if (!guard.test(100, [&] { return buttons != Qt::NoButton; }))
        return;
    guard.step(104, [&] { m_model.mouseMove(true, x, y); });
    guard.step(124, [&] { showSurface(); });
}

void Form2::Picture1_MouseUp(Qt::MouseButtons, double, double)
{
    GuardedProcedure guard(m_services.prompts, kForm, QStringLiteral("Picture1_MouseUp"));
    guard.step(100, [&] { m_model.mouseUp(); });
    guard.step(104, [&] {
        showScrollBars();
        showSurface();
    });
}

void Form2::PushButton8_Click()
{
    GuardedProcedure guard(m_services.prompts, kForm, QStringLiteral("PushButton8_Click"));
    guard.step(102, [&] { DeleteFileSafe(mExcelFile); });
    guard.step(104, [&] { m_services.showMainWindow(); });
    guard.step(106, [&] { hide(); });
}

void Form2::PushButton6_Click()
{
    GuardedProcedure guard(m_services.prompts, kForm, QStringLiteral("PushButton6_Click"));
    QString chosen;
    bool answeredYes = false;
    // The dialog opens without a proposed name, folder, default extension or options.
    guard.step(112, [&] {
        chosen = m_services.prompts.saveFileName(QStringLiteral("Save File"),
                                                 QStringLiteral("Excel Files (*.xls)|*.xls|"));
    });
    if (!chosen.isEmpty()) {
        if (guard.test(118, [&] { return FileExists(chosen); })) {
            guard.step(120, [&] {
                answeredYes = m_services.prompts.askYesNo(
                    QStringLiteral("Are you sure you wish to overwrite ") + chosen +
                        QStringLiteral(" ?"),
                    QString(), DefaultAnswer::Yes);
            });
            // The old file is not deleted first: the copy replaces it only once it is whole,
            // so a copy that fails leaves the old file as it was.
        } else {
            answeredYes = true;
        }
    }
    // After a failed copy the error report box has spoken; "Done." would contradict it.
    bool copied = true;
    if (answeredYes)
        copied = guard.step(130, [&] { copyFileAtomically(mExcelFile, chosen); });
    if (copied)
        guard.step(132, [&] {
            m_services.prompts.showMessage(QStringLiteral("Done."), QString(), MessageIcon::None);
        });
}

void Form2::Form_QueryUnload()
{
    GuardedProcedure guard(m_services.prompts, kForm, QStringLiteral("Form_QueryUnload"));
    guard.step(100, [&] { DeleteFileSafe(mExcelFile); });
    guard.step(102, [&] { QCoreApplication::processEvents(); });
    guard.step(104, [&] { QCoreApplication::processEvents(); });
    // The program ends without the main window's closing, which would otherwise be the one to
    // keep the item list.
    guard.step(106, [&] { m_services.storeItemList(); });
}

void Form2::Form_Unload()
{
    m_services.endProgram();
}

void Form2::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!event->spontaneous())
        Form_Activate();
}

void Form2::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        Form_Activate();
}

void Form2::closeEvent(QCloseEvent* event)
{
    // Asked before anything is deleted, so a user who stays has the workbook still there.
    if (!m_services.mayEndProgram()) {
        event->ignore();
        return;
    }
    Form_QueryUnload();
    Form_Unload();
    event->accept();
}

bool Form2::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Wheel &&
        (watched == m_controls.Picture2 || watched == m_controls.Picture1)) {
        wheelOverPicture(*static_cast<QWheelEvent*>(event));
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

// Ctrl+wheel zooms in the same quarter steps as the buttons; the wheel scrolls the picture,
// sideways with Shift or a horizontal wheel. Partial notches (touchpads) add up.
void Form2::wheelOverPicture(QWheelEvent& event)
{
    const QPoint delta = event.angleDelta();
    if (event.modifiers() & Qt::ControlModifier) {
        if (delta.y() > 0)
            PushButton1_Click();
        else if (delta.y() < 0)
            PushButton2_Click();
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
    QScrollBar* bar = sideways ? m_controls.HScroll1 : m_controls.VScroll1;
    bar->setValue(bar->value() + static_cast<int>(steps));
}

} // namespace stowfolio::preview
