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
    QString importPath;  // --import FILE
    QString pdfPath;     // --pdf PATH.pdf
};

// True when the arguments ask only for help or the version. Those are answered before the
// graphical application starts, so they work without a display.
bool asksForHelpOrVersion(int argc, const char* const* argv);

// True when the arguments ask for a job that runs without a window (--export, --render, --csv,
// --import, --pdf).
bool asksForHeadlessJob(int argc, const char* const* argv);

// Parses the program's arguments (after Qt has taken its own); --help, --version and mistakes
// print and end the program.
CommandLineOptions parseCommandLine(const QCoreApplication& application);

void addOptions(QCommandLineParser& parser);
CommandLineOptions readOptions(const QCommandLineParser& parser);

// The mistake in the parsed options that the program refuses to run with, or an empty text.
QString optionsProblem(const QCommandLineParser& parser);

} // namespace stowfolio
