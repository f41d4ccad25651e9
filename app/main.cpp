// Wires the program together: the settings store, the spreadsheet component, the windows, and
// the command-line jobs that need no window.

#include "app/command_line.h"
#include "app/headless.h"
#include "app/leftovers.h"
#include "app/program.h"
#include "app/single_instance.h"
#include "platform/file_helpers.h"
#include "state/inventory_store.h"
#include "state/settings_store.h"
#include "workbook/excel_factory.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QGuiApplication>

#include <csignal>
#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    // What killed runs left is what was there before this moment.
    const QDateTime startedAt = QDateTime::currentDateTimeUtc();
    // A file that reaches the user's file size limit is a failed write to report ("the file is
    // larger than the system allows"), not a reason to end the program and lose what is typed.
    std::signal(SIGXFSZ, SIG_IGN);
    QCoreApplication::setApplicationName(QStringLiteral("stowfolio"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION));
    if (stowfolio::asksForHelpOrVersion(argc, argv)) {
        QCoreApplication console(argc, argv);
        stowfolio::parseCommandLine(console); // prints and ends the program
    }
    if (stowfolio::asksForHeadlessJob(argc, argv)) {
        // Drawing needs fonts but no display. Scripts read standard error for our failures
        // only, so the toolkit's own chatter stays out of it.
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString&) {
            if (type == QtFatalMsg)
                std::abort();
        });
        QGuiApplication headless(argc, argv);
        const stowfolio::CommandLineOptions options = stowfolio::parseCommandLine(headless);
        if (stowfolio::userFoldersProblem().isEmpty())
            stowfolio::removeLeftoversOfKilledRuns(stowfolio::defaultSettingsFilePath(), startedAt);
        return stowfolio::runHeadlessJob(options);
    }

    if (!stowfolio::displayMayBeFound(argc, argv)) {
        QCoreApplication console(argc, argv);
        stowfolio::parseCommandLine(console); // a mistake prints the usage and ends the program
        std::fprintf(stderr, "stowfolio: the window needs a display, and neither DISPLAY nor "
                             "WAYLAND_DISPLAY is set; --export, --render, --csv, --import, "
                             "--pdf and --claim-kit work without one (stowfolio --help)\n");
        return EXIT_FAILURE;
    }

    QApplication application(argc, argv);
    stowfolio::parseCommandLine(application);

    // Without a folder of the user's own there is nowhere private to keep anything.
    if (const QString problem = stowfolio::userFoldersProblem(); !problem.isEmpty()) {
        stowfolio::WidgetPrompts prompts;
        prompts.showMessage(QStringLiteral("Stowfolio cannot start: %1.").arg(problem), QString(),
                            stowfolio::MessageIcon::Exclamation);
        return EXIT_FAILURE;
    }
    stowfolio::removeLeftoversOfKilledRuns(stowfolio::defaultSettingsFilePath(), startedAt);
    stowfolio::IniSettingsStore settings;
    // Without its inventory the window could show nothing and keep nothing: say why and stop.
    std::unique_ptr<stowfolio::InventoryStore> inventory;
    try {
        inventory =
            std::make_unique<stowfolio::InventoryStore>(stowfolio::defaultInventoryDatabasePath());
    } catch (const std::exception& error) {
        stowfolio::WidgetPrompts prompts;
        prompts.showMessage(QString::fromUtf8(error.what()), QString(),
                            stowfolio::MessageIcon::Exclamation);
        return EXIT_FAILURE;
    }
    // One window per user: a second start brings the first to the front instead.
    stowfolio::SingleInstance instance(QFileInfo(inventory->path()).absolutePath());
    if (!instance.claim()) {
        stowfolio::WidgetPrompts prompts;
        prompts.showMessage(QStringLiteral("Stowfolio is already open; its window has been "
                                           "brought to the front."),
                            QString(), stowfolio::MessageIcon::None);
        return EXIT_SUCCESS;
    }
    stowfolio::ExcelFactory excelFactory;
    stowfolio::registerBuiltInEngine(excelFactory);
    stowfolio::Program program(
        {settings, *inventory, excelFactory, stowfolio::applicationFolder()});
    instance.setActivationHandler([&program] { program.bringToFront(); });
    if (!settings.openingProblem().isEmpty()) {
        stowfolio::WidgetPrompts prompts;
        prompts.showMessage(settings.openingProblem(), QString(),
                            stowfolio::MessageIcon::Exclamation);
    }
    program.start();
    return application.exec();
}
