#pragma once

// The command line. Each option is declared in addOptions() and read in readOptions(), so a new
// option touches only this pair.

class QCommandLineParser;
class QCoreApplication;

namespace stowfolio {

struct CommandLineOptions
{
};

// True when the arguments ask only for help or the version. Those are answered before the
// graphical application starts, so they work without a display.
bool asksForHelpOrVersion(int argc, const char* const* argv);

// Parses the program's arguments (after Qt has taken its own); --help, --version and mistakes
// print and end the program.
CommandLineOptions parseCommandLine(const QCoreApplication& application);

void addOptions(QCommandLineParser& parser);
CommandLineOptions readOptions(const QCommandLineParser& parser);

} // namespace stowfolio
