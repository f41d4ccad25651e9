// Wires the program together: the settings store, the prompts, the spreadsheet component and the
// main window.

#include "app/command_line.h"
#include "app/main_window.h"
#include "platform/file_helpers.h"
#include "platform/prompts.h"
#include "state/settings_store.h"
#include "workbook/excel_factory.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>

#include <cstdlib>

int main(int argc, char* argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("stowfolio"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION));
    if (stowfolio::asksForHelpOrVersion(argc, argv)) {
        QCoreApplication console(argc, argv);
        stowfolio::parseCommandLine(console); // prints and ends the program
    }

    QApplication application(argc, argv);
    stowfolio::parseCommandLine(application);

    stowfolio::IniSettingsStore settings;
    stowfolio::WidgetPrompts prompts;
    if (!settings.openingProblem().isEmpty())
        prompts.showMessage(settings.openingProblem(), QString(),
                            stowfolio::MessageIcon::Exclamation);

    stowfolio::ExcelFactory excelFactory;
    stowfolio::registerBuiltInEngine(excelFactory);

    stowfolio::Form1 form({settings, prompts, excelFactory, stowfolio::applicationFolder(),
                           stowfolio::systemRandomFraction(), stowfolio::desktopUrlOpener(),
                           [] { std::exit(EXIT_FAILURE); }});
    prompts.setParent(&form);
    QObject::connect(&form, &stowfolio::Form1::unloaded, &application, &QApplication::quit,
                     Qt::QueuedConnection);
    form.Form_Load();
    form.setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, form.size(),
                                         QGuiApplication::primaryScreen()->availableGeometry()));
    form.show();
    return application.exec();
}
