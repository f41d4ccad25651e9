#include "app/command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace stowfolio {

namespace {

[[noreturn]] void refuse(const QString& message)
{
    std::fprintf(stderr, "stowfolio: %s\n", message.toLocal8Bit().constData());
    std::exit(2);
}

} // namespace

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

bool asksForHeadlessJob(int argc, const char* const* argv)
{
    for (int i = 1; i < argc; ++i) {
        for (const char* flag : {"--export", "--render"}) {
            if (std::strncmp(argv[i], flag, std::strlen(flag)) == 0)
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
    parser.addOption({QStringLiteral("export"),
                      QStringLiteral("Build the stored inventory into the workbook <path.xls> "
                                     "without showing a window."),
                      QStringLiteral("path.xls")});
    parser.addOption({QStringLiteral("render"),
                      QStringLiteral("Draw the used range of the workbook <in.xls> into the PNG "
                                     "given after it, without showing a window."),
                      QStringLiteral("in.xls")});
    parser.addPositionalArgument(QStringLiteral("out.png"),
                                 QStringLiteral("Where --render writes its picture."),
                                 QStringLiteral("[out.png]"));
}

CommandLineOptions readOptions(const QCommandLineParser& parser)
{
    CommandLineOptions options;
    options.exportPath = parser.value(QStringLiteral("export"));
    options.renderInput = parser.value(QStringLiteral("render"));
    options.renderOutput = parser.positionalArguments().value(0);
    return options;
}

QString optionsProblem(const QCommandLineParser& parser)
{
    const bool exports = parser.isSet(QStringLiteral("export"));
    const bool renders = parser.isSet(QStringLiteral("render"));
    const CommandLineOptions options = readOptions(parser);
    if (exports && renders)
        return QStringLiteral("--export and --render cannot be combined");
    // An empty path would otherwise pass for no option at all and start the wrong job.
    if (exports && options.exportPath.isEmpty())
        return QStringLiteral("--export needs the workbook to write: stowfolio --export out.xls");
    if (renders && options.renderInput.isEmpty())
        return QStringLiteral("--render needs the workbook to draw: "
                              "stowfolio --render in.xls out.png");
    if (renders && options.renderOutput.isEmpty())
        return QStringLiteral("--render needs the PNG to write after the workbook: "
                              "stowfolio --render in.xls out.png");
    return QString();
}

CommandLineOptions parseCommandLine(const QCoreApplication& application)
{
    QCommandLineParser parser;
    addOptions(parser);
    parser.process(application);
    const QString problem = optionsProblem(parser);
    if (!problem.isEmpty())
        refuse(problem);
    return readOptions(parser);
}

} // namespace stowfolio
