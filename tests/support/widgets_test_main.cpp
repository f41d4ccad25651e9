// main() for GoogleTest programs that need widgets: one QApplication for the whole run, on the
// offscreen platform so no window opens on the developer's screen. The locale is left as the
// machine's: the widget tests that depend on it set the one they check.

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
