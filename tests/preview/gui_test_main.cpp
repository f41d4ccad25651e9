// GoogleTest main with a QApplication for the preview window's tests, which run on the
// offscreen platform (CTest sets QT_QPA_PLATFORM).
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
