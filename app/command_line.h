#pragma once

// The command line. Each option is declared in addOptions() and read in readOptions(), so a new
// option touches only this pair.

#include <QString>

class QCommandLineParser;
class QCoreApplication;

namespace stowfolio {

struct CommandLineOptions
{
    QString exportPath;  // --export PATH.xls
    QString renderInput; // --render IN.xls OUT.png
    QString renderOutput;
    QString renderRange; // --range A1:L200, with --render
    QString csvPath;     // --csv PATH.csv
    QString importPath;  // --import FILE [--password-file FILE] (a protected claim kit)
    QString pdfPath;     // --pdf PATH.pdf

    // --claim-kit PATH.zip [--password-file FILE]
    QString claimKitPath;
    // With --claim-kit or --import.
    QString passwordFile;
};

// True when the arguments ask only for help or the version. Those are answered before the
// graphical application starts, so they work without a display.
bool asksForHelpOrVersion(int argc, const char* const* argv);

// True when the arguments ask for a job that runs without a window (--export, --render, --csv,
// --import, --pdf, --claim-kit).
bool asksForHeadlessJob(int argc, const char* const* argv);

// False when the window certainly has no display to open on: none of DISPLAY, WAYLAND_DISPLAY
// and QT_QPA_PLATFORM is set and no -platform is given. The toolkit would abort there, so the
// arguments are then checked, and the window refused, without it.
bool displayMayBeFound(int argc, const char* const* argv);

// Parses the program's arguments (after Qt has taken its own); --help and --version print and
// end the program, and a mistake prints what is wrong and the usage to standard error and ends
// it with exit code 2.
CommandLineOptions parseCommandLine(const QCoreApplication& application);

void addOptions(QCommandLineParser& parser);
CommandLineOptions readOptions(const QCommandLineParser& parser);

// The mistake in the parsed options that the program refuses to run with, or an empty text.
QString optionsProblem(const QCommandLineParser& parser);

} // namespace stowfolio
