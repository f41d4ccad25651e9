#pragma once

// The mouse pointer is one value per window, a code of pointer_codes.h: 0 default, 11 hourglass,
// 99 the custom (hand) cursor. Elements of the window get a rule that runs when the mouse moves
// over them: buttons turn the pointer into the hand, background, frames, lists and some fields
// turn it back into the default; neither rule ever replaces the hourglass, which the window
// shows while it works.

#include "platform/widgets_only.h"

#include "platform/pointer_codes.h"

#include <QCursor>
#include <QObject>
#include <QString>

#include <optional>

class QWidget;

namespace stowfolio {

// Loads a cursor file (.cur) with its hot spot. Throws std::runtime_error when the file cannot
// be read or holds no picture.
QCursor loadCursorFile(const QString& path);

class WindowPointer : public QObject
{
public:
    explicit WindowPointer(QWidget& window);
    ~WindowPointer() override;

    int code() const { return m_code; }
    // Shows the pointer for `code`; the hourglass is shown over the whole application.
    void setCode(int code);

    // The picture code 99 shows; without one it is the platform's pointing hand.
    void setCustomCursor(const QCursor& cursor);
    bool hasCustomCursor() const { return m_customCursor.has_value(); }

    // Mouse moves over `element` turn the pointer into the hand (unless it is the hourglass).
    void addHandElement(QWidget& element);
    // Mouse moves over `element` turn the pointer back to the default (unless hourglass).
    void addDefaultElement(QWidget& element);
    // Mouse moves over `element` leave the pointer as it is, instead of reaching the element
    // underneath.
    void addInertElement(QWidget& element);

    // The two rules themselves.
    void showHand();
    void showDefault();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void watch(QWidget& element, const char* rule);

    QWidget& m_window;
    int m_code = kDefaultPointer;
    std::optional<QCursor> m_customCursor;
    bool m_overridingApplication = false;
};

// The busy pointer over the whole application for as long as this lives: for work on the GUI
// thread that keeps every window from answering (a build, a report). It nests with the
// window pointer's hourglass, so it stays up while that one comes and goes.
class BusyPointer
{
public:
    BusyPointer();
    ~BusyPointer();
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
};

// Lets the windows repaint what a closed dialog uncovered before long work starts, without
// taking clicks or keys, which wait until the work is over.
void repaintBeforeLongWork();

} // namespace stowfolio
