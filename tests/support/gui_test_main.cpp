// main() for GoogleTest programs that draw, measure fonts, load images or print without
// widgets: one QGuiApplication for the whole run on the offscreen platform, and the United
// States English locale, so typed dates, amounts and counts read and print the same on every
// machine.

#include <QGuiApplication>
#include <QLocale>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
