// GoogleTest main with a QGuiApplication: fonts and painting need one. The tests run on the
// offscreen platform (CTest sets QT_QPA_PLATFORM).
#include <QGuiApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
