// Workbooks written by LibreOffice and Gnumeric: the reader must read their values, and a
// workbook it read and wrote again must convert to the same CSV text in the program that made
// the original.

#include "spreadsheet/biff/workbook_reader.h"
#include "spreadsheet/biff/workbook_writer.h"
#include "tests/support/oracle.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

using namespace spreadsheet;
namespace fs = std::filesystem;

namespace {

const char* const kCsv = "Name,Value,Count,Total\n"
                         "Alpha,1.5,3,=B2*C2\n"
                         "Beta,-2.25,4,=B3*C3\n"
                         "\"Gamma, with comma\",1e10,0,=SUM(B2:B4)\n"
                         "Delta,,7,=\"x\"&A2\n";

struct Converter
{
    const char* name;
    const char* program; // on PATH when the converter is installed
    const char* package; // the Debian package that brings it
    // Commands with {in}, {out} and {dir}; {dir} is the folder of {out}.
    const char* toXls;
    const char* toCsv;
};

const Converter kConverters[] = {
    {"Gnumeric", "ssconvert", "gnumeric", "ssconvert {in} {out} >/dev/null 2>&1",
     "ssconvert {in} {out} >/dev/null 2>&1"},
    {"LibreOffice", "soffice", "libreoffice-calc-nogui",
     "cd {dir} && soffice -env:UserInstallation=file://{dir}/profile --headless --convert-to xls "
     "--outdir {dir} {in} >/dev/null 2>&1",
     "cd {dir} && soffice -env:UserInstallation=file://{dir}/profile --headless --convert-to csv "
     "--outdir {dir} {in} >/dev/null 2>&1"},
};

std::string substitute(std::string command, const fs::path& in, const fs::path& out)
{
    const std::pair<std::string, std::string> fields[] = {
        {"{in}", in.string()}, {"{out}", out.string()}, {"{dir}", out.parent_path().string()}};
    for (const auto& [key, value] : fields)
        for (size_t at; (at = command.find(key)) != std::string::npos;)
            command.replace(at, key.size(), value);
    return command;
}

bool run(const std::string& command)
{
    return std::system(command.c_str()) == 0;
}

std::string contents(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string textAt(const Workbook& workbook, uint32_t row, uint16_t column)
{
    const Cell* cell = workbook.sheets[0].findCell(row, column);
    return cell && cell->kind == CellKind::String ? workbook.strings.at(cell->index).text : "";
}

double numberAt(const Workbook& workbook, uint32_t row, uint16_t column)
{
    const Cell* cell = workbook.sheets[0].findCell(row, column);
    if (!cell)
        return -1;
    if (cell->kind == CellKind::Formula)
        return workbook.sheets[0].formulas[cell->index].cached.number;
    return cell->number;
}

class ForeignFiles : public ::testing::TestWithParam<Converter>
{
protected:
    void SetUp() override
    {
        m_folder = fs::temp_directory_path() /
                   ("foreign_" + std::string(GetParam().name) + std::to_string(::getpid()));
        fs::create_directories(m_folder);
    }
    void TearDown() override { fs::remove_all(m_folder); }

    fs::path m_folder;
};

} // namespace

TEST_P(ForeignFiles, ReadsValuesAndWritesThemBackUnchanged)
{
    const Converter& converter = GetParam();
    const fs::path csv = m_folder / "in.csv";
    std::ofstream(csv) << kCsv;
    const fs::path xls = m_folder / "in.xls";
    if (!run("command -v " + std::string(converter.program) + " >/dev/null 2>&1"))
        STOWFOLIO_ORACLE_MISSING(converter.name,
                                 "apt-get install " + std::string(converter.package));
    ASSERT_TRUE(run(substitute(converter.toXls, csv, xls)) && fs::exists(xls))
        << converter.name << " could not convert " << csv << " to .xls";

    const Workbook workbook = readWorkbookFile(xls.string());
    ASSERT_EQ(workbook.sheets.size(), 1u);
    EXPECT_EQ(textAt(workbook, 0, 0), "Name");
    EXPECT_EQ(textAt(workbook, 3, 0), "Gamma, with comma");
    EXPECT_EQ(numberAt(workbook, 1, 1), 1.5);
    EXPECT_EQ(numberAt(workbook, 3, 1), 1e10);
    EXPECT_EQ(numberAt(workbook, 2, 3), -9);
    const Cell* text = workbook.sheets[0].findCell(4, 3);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->kind, CellKind::Formula);

    const fs::path again = m_folder / "again.xls";
    writeWorkbookFile(workbook, again.string());
    EXPECT_EQ(readWorkbookFile(again.string()), workbook);

    // Both files through the same program to CSV: the same text.
    const fs::path originalCsv = m_folder / "in.csv";
    fs::remove(originalCsv);
    ASSERT_TRUE(run(substitute(converter.toCsv, xls, originalCsv)));
    const std::string expected = contents(originalCsv);
    ASSERT_TRUE(run(substitute(converter.toCsv, again, m_folder / "again.csv")));
    EXPECT_FALSE(expected.empty());
    EXPECT_EQ(contents(m_folder / "again.csv"), expected);
}

INSTANTIATE_TEST_SUITE_P(Programs, ForeignFiles, ::testing::ValuesIn(kConverters),
                         [](const auto& info) { return std::string(info.param.name); });
