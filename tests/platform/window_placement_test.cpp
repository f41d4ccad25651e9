#include "platform/window_placement.h"

#include <gtest/gtest.h>

namespace stowfolio {
namespace {

// The main window wants 632 x 823 (its form, menu bar and status line); the window manager adds
// a 24-pixel title bar and 4-pixel borders.
constexpr QSize kMainWindow(632, 823);
constexpr QSize kMinimum(200, 150);
const QMargins kFrame(4, 28, 4, 4);

TEST(WindowPlacement, FitsEachScreenTitleBarToStatusLine)
{
    const struct
    {
        const char* screen;
        QRect available;
        QRect expected;
    } cases[] = {
        // Room enough: the wanted size, centred with its frame.
        {"1920 x 1080", QRect(0, 0, 1920, 1080), QRect(644, 140, 632, 823)},
        // 1366 x 768 less a 32-pixel panel at the top: the window is lower than wanted.
        {"1366 x 768 with a panel", QRect(0, 32, 1366, 736), QRect(367, 60, 632, 704)},
        // The same screen at scale factor 2 is 683 x 384 in the window's pixels.
        {"1366 x 768 at scale 2", QRect(0, 0, 683, 384), QRect(25, 28, 632, 352)},
        // Narrower than the window: it is as wide as the screen less its borders.
        {"600 x 400", QRect(0, 0, 600, 400), QRect(4, 28, 592, 368)},
        // A second screen to the right of the first.
        {"second screen", QRect(1920, 0, 1280, 1024), QRect(2244, 112, 632, 823)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.screen);
        const QRect placed = fittedWindowGeometry(c.available, kFrame, kMainWindow, kMinimum);
        EXPECT_EQ(placed, c.expected);
        EXPECT_TRUE(isWhollyOnScreen(c.available, kFrame, placed));
    }
}

TEST(WindowPlacement, AMinimumLargerThanTheScreenKeepsTheTitleBarOnScreen)
{
    const QRect available(0, 0, 300, 200);
    const QRect placed = fittedWindowGeometry(available, kFrame, kMainWindow, QSize(400, 300));
    EXPECT_EQ(placed.size(), QSize(400, 300));
    EXPECT_EQ(placed.topLeft(), QPoint(4, 28));
    EXPECT_FALSE(isWhollyOnScreen(available, kFrame, placed));
}

TEST(WindowPlacement, AWindowPartlyOffScreenIsNotWhollyOnIt)
{
    const QRect available(0, 0, 1366, 768);
    // Today's main window at scale factor 2, placed at y = -202.
    EXPECT_FALSE(isWhollyOnScreen(available, kFrame, QRect(51, -202, 1264, 1646)));
    EXPECT_FALSE(isWhollyOnScreen(available, kFrame, QRect(0, 10, 632, 700)));
    EXPECT_TRUE(isWhollyOnScreen(available, kFrame, QRect(4, 28, 632, 700)));
}

} // namespace
} // namespace stowfolio
