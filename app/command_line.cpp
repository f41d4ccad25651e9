#include "app/command_line.h"

#include "spreadsheet/model/cell_range.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace stowfolio {

namespace {

// A mistake on the command line: what is wrong, then how the program is used.
[[noreturn]] void refuse(const QString& message, const QCommandLineParser& parser)
{
    std::fprintf(stderr, "stowfolio: %s\n\n%s", message.toLocal8Bit().constData(),
                 parser.helpText().toLocal8Bit().constData());
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
        for (const char* flag :
             {"--export", "--render", "--csv", "--import", "--pdf", "--claim-kit"}) {
            if (std::strncmp(argv[i], flag, std::strlen(flag)) == 0)
                return true;
        }
    }
    return false;
}

bool displayMayBeFound(int argc, const char* const* argv)
{
    for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        if (!qEnvironmentVariableIsEmpty(variable))
            return true;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            return true;
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
    parser.addOption({QStringLiteral("range"),
                      QStringLiteral("With --render, draw <A1:L200> of the sheet instead of its "
                                     "used range."),
                      QStringLiteral("A1:L200")});
    parser.addOption({QStringLiteral("csv"),
                      QStringLiteral("Write the stored item list to <path.csv> (UTF-8, a header "
                                     "row of the column names) without showing a window."),
                      QStringLiteral("path.csv")});
    parser.addOption({QStringLiteral("import"),
                      QStringLiteral("Add the items of <file> (CSV or TSV, a Homebox export, a "
                                     "workbook saved by Stowfolio, or a claim kit with its "
                                     "attachments) to the stored list without showing a "
                                     "window."),
                      QStringLiteral("file")});
    parser.addOption({QStringLiteral("pdf"),
                      QStringLiteral("Write the insurer's report of the stored inventory "
                                     "(summary, the sheet's pages, the item photos) to "
                                     "<path.pdf> without showing a window."),
                      QStringLiteral("path.pdf")});
    parser.addOption({QStringLiteral("claim-kit"),
                      QStringLiteral("Write the claim kit of the stored inventory (the workbook, "
                                     "the report, the item list as CSV, every attachment and a "
                                     "SHA-256 manifest) to the zip archive <path.zip>, check it, "
                                     "without showing a window."),
                      QStringLiteral("path.zip")});
    parser.addOption({QStringLiteral("password-file"),
                      QStringLiteral("With --claim-kit, protect the kit (AES-256) with the "
                                     "password on the first line of <file>; with --import, open "
                                     "a protected kit with it."),
                      QStringLiteral("file")});
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
    options.renderRange = parser.value(QStringLiteral("range"));
    options.csvPath = parser.value(QStringLiteral("csv"));
    options.importPath = parser.value(QStringLiteral("import"));
    options.pdfPath = parser.value(QStringLiteral("pdf"));
    options.claimKitPath = parser.value(QStringLiteral("claim-kit"));
    options.passwordFile = parser.value(QStringLiteral("password-file"));
    return options;
}

QString optionsProblem(const QCommandLineParser& parser)
{
    const bool exports = parser.isSet(QStringLiteral("export"));
    const bool renders = parser.isSet(QStringLiteral("render"));
    const bool writesCsv = parser.isSet(QStringLiteral("csv"));
    const bool imports = parser.isSet(QStringLiteral("import"));
    const bool writesPdf = parser.isSet(QStringLiteral("pdf"));
    const bool writesKit = parser.isSet(QStringLiteral("claim-kit"));
    const CommandLineOptions options = readOptions(parser);
    if (int(exports) + int(renders) + int(writesCsv) + int(imports) + int(writesPdf) +
            int(writesKit) >
        1)
        return QStringLiteral(
            "--export, --render, --csv, --import, --pdf and --claim-kit cannot be combined");
    if (writesKit && options.claimKitPath.isEmpty())
        return QStringLiteral("--claim-kit needs the kit to write: stowfolio --claim-kit kit.zip");
    if (parser.isSet(QStringLiteral("password-file")) && !writesKit && !imports)
        return QStringLiteral("--password-file goes with --claim-kit or --import: "
                              "stowfolio --claim-kit kit.zip --password-file password.txt");
    if ((writesKit || imports) && parser.isSet(QStringLiteral("password-file")) &&
        options.passwordFile.isEmpty())
        return QStringLiteral("--password-file needs the file that holds the password: "
                              "stowfolio --claim-kit kit.zip --password-file password.txt");
    if (writesPdf && options.pdfPath.isEmpty())
        return QStringLiteral("--pdf needs the report to write: stowfolio --pdf report.pdf");
    if (writesCsv && options.csvPath.isEmpty())
        return QStringLiteral("--csv needs the file to write: stowfolio --csv items.csv");
    if (imports && options.importPath.isEmpty())
        return QStringLiteral("--import needs the file to read: stowfolio --import items.csv");
    // An empty path would otherwise pass for no option at all and start the wrong job.
    if (exports && options.exportPath.isEmpty())
        return QStringLiteral("--export needs the workbook to write: stowfolio --export out.xls");
    if (renders && options.renderInput.isEmpty())
        return QStringLiteral("--render needs the workbook to draw: "
                              "stowfolio --render in.xls out.png");
    if (renders && options.renderOutput.isEmpty())
        return QStringLiteral("--render needs the PNG to write after the workbook: "
                              "stowfolio --render in.xls out.png");
    if (parser.isSet(QStringLiteral("range")) && !renders)
        return QStringLiteral("--range goes with --render: "
                              "stowfolio --render in.xls out.png --range A1:L200");
    if (renders && parser.isSet(QStringLiteral("range")) &&
        !spreadsheet::parseRangeAddress(options.renderRange.toStdString()))
        return QStringLiteral("--range needs cells of a sheet such as A1:L200, not \"%1\"")
            .arg(options.renderRange);
    return QString();
}

CommandLineOptions parseCommandLine(const QCoreApplication& application)
{
    QCommandLineParser parser;
    addOptions(parser);
    // An unknown option or a missing value is a mistake like any other (exit code 2, with the
    // usage); process() would end with 1 and no usage.
    if (!parser.parse(application.arguments()))
        refuse(parser.errorText(), parser);
    parser.process(application); // answers --help and --version
    const QString problem = optionsProblem(parser);
    if (!problem.isEmpty())
        refuse(problem, parser);
    return readOptions(parser);
}

} // namespace stowfolio
