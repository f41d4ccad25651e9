#include "spreadsheet/biff/workbook_writer.h"

#include "spreadsheet/model/error.h"

#include <gtest/gtest.h>

#include <functional>

using namespace spreadsheet;

namespace {

Cell textCell(Workbook& workbook, uint16_t column, const std::string& text)
{
    Cell cell;
    cell.column = column;
    cell.kind = CellKind::String;
    cell.index = workbook.strings.intern(text);
    return cell;
}

struct LimitCase
{
    const char* name;
    std::function<void(Workbook&)> breakLimit;
    const char* message; // part of the error text
};

} // namespace

TEST(Limits, WorkbooksBeyondTheFormatAreRefusedWithAClearError)
{
    const LimitCase cases[] = {
        {"row 65,537", [](Workbook& w) { w.sheets[0].ensureRow(65536); },
         "row 65,537 of the sheet \"Sheet1\" is beyond the last row of the .xls format (65,536)"},
        {"column 257",
         [](Workbook& w) { w.sheets[0].ensureRow(0).cells.push_back(textCell(w, 256, "x")); },
         "column 257 of the sheet \"Sheet1\" is beyond the last column"},
        {"text of 32,768 characters",
         [](Workbook& w) {
             w.sheets[0].ensureRow(0).cells.push_back(textCell(w, 0, std::string(32768, 'a')));
         },
         "a text of 32,768 characters is longer than the 32,767 characters a cell can hold"},
        {"wide text of 32,768 characters",
         [](Workbook& w) {
             std::string text;
             for (int i = 0; i < 16384; ++i)
                 text += "\xF0\x9D\x84\x9E"; // two UTF-16 units each
             text += "\xC3\xBC";
             w.sheets[0].ensureRow(0).cells.push_back(textCell(w, 0, text));
         },
         "32,767 characters a cell can hold"},
        {"sheet name of 32 characters",
         [](Workbook& w) { w.sheets[0].name = std::string(32, 'n'); },
         "is longer than 31 characters"},
        {"empty sheet name", [](Workbook& w) { w.sheets[0].name.clear(); }, "a sheet has no name"},
        {"slash in sheet name", [](Workbook& w) { w.sheets[0].name = "a/b"; },
         "contains one of the characters"},
        {"bracket in sheet name", [](Workbook& w) { w.sheets[0].name = "a[1]"; },
         "contains one of the characters"},
        {"apostrophe first", [](Workbook& w) { w.sheets[0].name = "'quoted"; }, "apostrophe"},
        {"duplicate sheet names",
         [](Workbook& w) {
             w.sheets.push_back(w.sheets[0]);
             w.sheets[1].name = "SHEET1";
         },
         "two sheets are named \"SHEET1\""},
        {"no sheets", [](Workbook& w) { w.sheets.clear(); }, "at least one sheet"},
        {"merged area past the last row",
         [](Workbook& w) {
             w.sheets[0].merged.push_back(CellRange{65535, 65536, 0, 1});
         },
         "a merged area of the sheet \"Sheet1\" reaches row 65,537"},
        {"four conditions in one conditional format",
         [](Workbook& w) {
             w.sheets[0].conditionalFormats.push_back(
                 ConditionalFormat{{CellRange{0, 1, 0, 1}}, std::vector<ConditionalRule>(4)});
         },
         "has 4 conditions; the .xls format allows 3"},
        {"missing cell format",
         [](Workbook& w) {
             Cell cell = textCell(w, 0, "x");
             cell.xf = uint16_t(w.xfs.size());
             w.sheets[0].ensureRow(2).cells.push_back(cell);
         },
         "cell A3 of the sheet \"Sheet1\" uses a cell format that does not exist"},
        {"cells out of order",
         [](Workbook& w) {
             Row& row = w.sheets[0].ensureRow(0);
             row.cells.push_back(textCell(w, 3, "b"));
             row.cells.push_back(textCell(w, 1, "a"));
         },
         "are out of order"},
        {"removed formula",
         [](Workbook& w) {
             Cell cell;
             cell.kind = CellKind::Formula;
             w.sheets[0].ensureRow(0).cells.push_back(cell);
         },
         "refers to a missing formula"},
    };
    for (const LimitCase& c : cases) {
        SCOPED_TRACE(c.name);
        Workbook workbook = makeDefaultWorkbook("Sheet1");
        c.breakLimit(workbook);
        try {
            writeWorkbookBytes(workbook);
            ADD_FAILURE() << "no error";
        } catch (const Error& error) {
            EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
        }
    }
}

TEST(Limits, TheLargestWorkbookTheFormatHoldsIsWritten)
{
    Workbook workbook = makeDefaultWorkbook(std::string(31, 's'));
    workbook.sheets[0].ensureRow(65535).cells.push_back(
        textCell(workbook, 255, std::string(32767, 'a')));
    EXPECT_NO_THROW(writeWorkbookBytes(workbook));
}

TEST(Limits, WriteErrorsNameTheFile)
{
    Workbook workbook = makeDefaultWorkbook("Sheet1");
    workbook.sheets[0].ensureRow(70000);
    try {
        writeWorkbookFile(workbook, "/tmp/never-written.xls");
        ADD_FAILURE() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()).rfind("/tmp/never-written.xls: row 70,001", 0), 0u)
            << error.what();
    }
}
