#include "app/command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstring>

namespace stowfolio {

bool asksForHelpOrVersion(int argc, const char* const* argv)
{
    for (int i = 1; i < argc; ++i) {
        for (const char* flag : {"-h", "--help", "--help-all", "-?", "-v", "--version"}) {
            if (std::strcmp(argv[i], flag) == 0)
                return true;
        }
    }
    return false;
}

void addOptions(QCommandLineParser& parser)
{
    parser.setApplicationDescription(
        QStringLiteral("Turns a home inventory into a printable Excel 97-2003 workbook."));
    parser.addHelpOption();
    parser.addVersionOption();
}

CommandLineOptions readOptions(const QCommandLineParser&)
{
    return {};
}

CommandLineOptions parseCommandLine(const QCoreApplication& application)
{
    QCommandLineParser parser;
    addOptions(parser);
    parser.process(application);
    return readOptions(parser);
}

} // namespace stowfolio
