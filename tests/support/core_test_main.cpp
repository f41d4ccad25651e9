// main() for GoogleTest programs of Qt Core code that reads or prints with the locale: one
// QCoreApplication for the whole run and the United States English locale, so dates, amounts
// and counts read and print the same on every machine.

#include <QCoreApplication>
#include <QLocale>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
