#include "app/command_line.h"

#include <QCommandLineParser>
#include <QStringList>

#include <gtest/gtest.h>

#include <vector>

namespace stowfolio {
namespace {

QString problemWith(const QStringList& arguments)
{
    QCommandLineParser parser;
    addOptions(parser);
    EXPECT_TRUE(parser.parse(QStringList{QStringLiteral("stowfolio")} + arguments))
        << parser.errorText().toStdString();
    return optionsProblem(parser);
}

TEST(CommandLine, RefusesIncompleteOrCombinedJobs)
{
    struct Case
    {
        QStringList arguments;
        QString problemStart; // empty: accepted
    };
    const std::vector<Case> cases = {
        {{}, QString()},
        {{"--export", "out.xls"}, QString()},
        {{"--render", "in.xls", "out.png"}, QString()},
        {{"--export", ""}, "--export needs the workbook to write"},
        {{"--export="}, "--export needs the workbook to write"},
        {{"--render", "", "out.png"}, "--render needs the workbook to draw"},
        {{"--render", "in.xls"}, "--render needs the PNG to write"},
        {{"--export", "a.xls", "--render", "b.xls", "c.png"}, "--export, --render, --csv,"},
        {{"--export", "", "--render", "b.xls", "c.png"}, "--export, --render, --csv,"},
        {{"--pdf", "r.pdf"}, QString()},
        {{"--render", "in.xls", "out.png", "--range", "A1:L200"}, QString()},
        {{"--range", "A1:L200"}, "--range goes with --render"},
        {{"--render", "in.xls", "out.png", "--range", "L200:A"}, "--range needs cells of a sheet"},
        {{"--pdf="}, "--pdf needs the report to write"},
        {{"--pdf", "r.pdf", "--csv", "a.csv"}, "--export, --render, --csv,"},
        {{"--csv", "items.csv"}, QString()},
        {{"--import", "items.csv"}, QString()},
        {{"--csv", ""}, "--csv needs the file to write"},
        {{"--import="}, "--import needs the file to read"},
        {{"--csv", "a.csv", "--import", "b.csv"}, "--export, --render, --csv,"},
        {{"--claim-kit", "kit.zip"}, QString()},
        {{"--claim-kit", "kit.zip", "--password-file", "pw.txt"}, QString()},
        {{"--claim-kit="}, "--claim-kit needs the kit to write"},
        {{"--claim-kit", "kit.zip", "--pdf", "r.pdf"}, "--export, --render, --csv,"},
        {{"--password-file", "pw.txt"}, "--password-file goes with --claim-kit"},
        {{"--pdf", "r.pdf", "--password-file", "pw.txt"}, "--password-file goes with --claim-kit"},
        {{"--claim-kit", "kit.zip", "--password-file="}, "--password-file needs the file"},
        {{"--import", "kit.zip", "--password-file", "pw.txt"}, QString()},
        {{"--import", "kit.zip", "--password-file="}, "--password-file needs the file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
        const QString problem = problemWith(c.arguments);
        if (c.problemStart.isEmpty())
            EXPECT_TRUE(problem.isEmpty()) << problem.toStdString();
        else
            EXPECT_TRUE(problem.startsWith(c.problemStart)) << problem.toStdString();
    }
}

} // namespace
} // namespace stowfolio
