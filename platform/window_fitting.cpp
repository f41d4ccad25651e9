#include "platform/window_fitting.h"

#include "platform/window_placement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QWidget>

namespace stowfolio {

namespace {

// The borders of a frame where the window manager has not yet said what it draws.
constexpr int kEstimatedBorder = 4;
const QString kKeeperName = QStringLiteral("stowfolio_onScreenKeeper");

QRect availableArea(const QWidget& window)
{
    const QScreen* screen = window.screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

void fitToScreen(QWidget& window, QSize wanted)
{
    const QRect available = availableArea(window);
    if (available.isEmpty())
        return;
    window.setGeometry(
        fittedWindowGeometry(available, windowFrameMargins(window), wanted, window.minimumSize()));
}

// Checks a shown window once the event loop has let the window manager frame it; a window the
// user made larger than the screen's free area comes back at a size that fits.
class OnScreenKeeper : public QObject
{
public:
    explicit OnScreenKeeper(QWidget& window) : QObject(&window)
    {
        setObjectName(kKeeperName);
        window.installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show) {
            QPointer<QWidget> window = static_cast<QWidget*>(watched);
            QTimer::singleShot(0, this, [this, window] {
                if (window && window->isVisible() && !window->isMaximized() &&
                    !window->isFullScreen() &&
                    !isWhollyOnScreen(availableArea(*window), windowFrameMargins(*window),
                                      window->geometry()))
                    fitToScreen(*window, window->size());
            });
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

QMargins windowFrameMargins(const QWidget& window)
{
    const QRect inner = window.geometry();
    const QRect outer = window.frameGeometry();
    if (window.isVisible() && outer != inner)
        return QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
                        outer.right() - inner.right(), outer.bottom() - inner.bottom());
    const int titleBar = window.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &window);
    return QMargins(kEstimatedBorder, titleBar + kEstimatedBorder, kEstimatedBorder,
                    kEstimatedBorder);
}

void placeOnScreen(QWidget& window, QSize wanted)
{
    fitToScreen(window, wanted);
    if (!window.findChild<QObject*>(kKeeperName, Qt::FindDirectChildrenOnly))
        new OnScreenKeeper(window);
}

} // namespace stowfolio
