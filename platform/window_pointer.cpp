#include "platform/window_pointer.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QDataStream>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QVariant>
#include <QWidget>

#include <stdexcept>

namespace stowfolio {

namespace {

const char* const kRuleProperty = "stowfolioPointerRule";
const char* const kHandRule = "hand";
const char* const kDefaultRule = "default";
const char* const kInertRule = "inert";

[[noreturn]] void throwCursorError(const QString& path, const QString& why)
{
    throw std::runtime_error(QStringLiteral("The cursor %1 cannot be loaded: %2")
                                 .arg(QDir::toNativeSeparators(path), why)
                                 .toStdString());
}

// The hot spot of the first picture of a .cur file. Header: reserved (2 bytes), type (2, 2 for
// cursors), count (2); then one 16-byte entry per picture: width, height, colours, reserved
// (1 byte each), hot spot x (2), hot spot y (2), size (4), offset (4). All little-endian.
QPoint readHotSpot(const QByteArray& bytes, const QString& path)
{
    QDataStream in(bytes);
    in.setByteOrder(QDataStream::LittleEndian);
    quint16 reserved = 0, type = 0, count = 0;
    quint8 width = 0, height = 0, colours = 0, entryReserved = 0;
    quint16 hotX = 0, hotY = 0;
    in >> reserved >> type >> count >> width >> height >> colours >> entryReserved >> hotX >> hotY;
    if (in.status() != QDataStream::Ok || reserved != 0 || type != 2 || count == 0)
        throwCursorError(path, QStringLiteral("it is not a cursor file"));
    return QPoint(hotX, hotY);
}

} // namespace

QCursor loadCursorFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throwCursorError(path, file.errorString());
    const QByteArray bytes = file.readAll();
    const QPoint hotSpot = readHotSpot(bytes, path);
    const QImage picture = QImage::fromData(bytes, "CUR");
    if (picture.isNull())
        throwCursorError(path, QStringLiteral("its picture cannot be read"));
    const int x = std::min(hotSpot.x(), picture.width() - 1);
    const int y = std::min(hotSpot.y(), picture.height() - 1);
    return QCursor(QPixmap::fromImage(picture), x, y);
}

WindowPointer::WindowPointer(QWidget& window) : m_window(window) {}

WindowPointer::~WindowPointer()
{
    if (m_overridingApplication)
        QApplication::restoreOverrideCursor();
}

void WindowPointer::setCode(int code)
{
    m_code = code;
    if (code == kHourglassPointer) {
        if (!m_overridingApplication)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        m_overridingApplication = true;
        return;
    }
    if (m_overridingApplication) {
        QApplication::restoreOverrideCursor();
        m_overridingApplication = false;
    }
    if (code == kCustomPointer)
        m_window.setCursor(m_customCursor.value_or(QCursor(Qt::PointingHandCursor)));
    else
        m_window.unsetCursor();
}

void WindowPointer::setCustomCursor(const QCursor& cursor)
{
    m_customCursor = cursor;
    if (m_code == kCustomPointer)
        setCode(kCustomPointer);
}

void WindowPointer::showHand()
{
    if (m_code != kHourglassPointer)
        setCode(kCustomPointer);
}

void WindowPointer::showDefault()
{
    if (m_code != kHourglassPointer)
        setCode(kDefaultPointer);
}

void WindowPointer::addHandElement(QWidget& element)
{
    watch(element, kHandRule);
}

void WindowPointer::addDefaultElement(QWidget& element)
{
    watch(element, kDefaultRule);
}

void WindowPointer::addInertElement(QWidget& element)
{
    watch(element, kInertRule);
}

// Qt delivers plain mouse moves only to widgets that track the mouse, and passes a move that a
// widget ignores on to its parent. Every watched element therefore tracks the mouse and keeps
// its moves to itself, so the rule that runs is the one of the element under the pointer.
void WindowPointer::watch(QWidget& element, const char* rule)
{
    element.setProperty(kRuleProperty, QByteArray(rule));
    element.setMouseTracking(true);
    element.setAttribute(Qt::WA_NoMousePropagation);
    element.installEventFilter(this);
    if (auto* scrollArea = qobject_cast<QAbstractScrollArea*>(&element)) {
        QWidget* viewport = scrollArea->viewport();
        viewport->setProperty(kRuleProperty, QByteArray(rule));
        viewport->setMouseTracking(true);
        viewport->installEventFilter(this);
    }
}

bool WindowPointer::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove) {
        const QByteArray rule = watched->property(kRuleProperty).toByteArray();
        if (rule == kHandRule)
            showHand();
        else if (rule == kDefaultRule)
            showDefault();
    }
    return QObject::eventFilter(watched, event);
}

BusyPointer::BusyPointer()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

BusyPointer::~BusyPointer()
{
    QApplication::restoreOverrideCursor();
}

void repaintBeforeLongWork()
{
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace stowfolio
