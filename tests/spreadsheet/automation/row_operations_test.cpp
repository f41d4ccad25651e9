#include "spreadsheet/automation/row_operations.h"
#include "spreadsheet/formula/print.h"
#include "spreadsheet/model/error.h"

#include <gtest/gtest.h>

namespace spreadsheet::automation {
namespace {

// A sheet with numbers in A1:A6 (1..6), a merged B2:C3, a conditional format on A2:D4 whose
// rule looks at $A of its own row, and a total =SUM(A2:A5) in E1 and =A3*2 in E3.
class RowOperations : public ::testing::Test
{
protected:
    RowOperations() : book(makeDefaultWorkbook("Sheet1"))
    {
        Worksheet& s = sheet();
        for (uint32_t r = 0; r < 6; ++r) {
            Cell& cell = s.ensureRow(r).ensure(0, static_cast<uint16_t>(16 + r));
            cell.kind = CellKind::Number;
            cell.number = r + 1;
            s.rows[r].hasRecord = true;
            s.rows[r].heightTwips = static_cast<uint16_t>(300 + r);
        }
        s.merged = {{1, 2, 1, 2}};
        formula::Token ownRow = formula::makeRef(0, 0, true, false);
        ownRow.id = formula::ptg::RefN;
        ConditionalRule rule;
        rule.formula1 = formula::encodeTokens(
            {ownRow, formula::makeInt(3), formula::makeOperator(formula::ptg::Gt)});
        s.conditionalFormats.push_back({{{1, 3, 0, 3}}, {rule}});
        addFormula(0, 4, {formula::makeArea(1, 0, 4, 0), formula::makeFunctionVar(4, 1)});
        addFormula(2, 4,
                   {formula::makeRef(2, 0), formula::makeInt(2),
                    formula::makeOperator(formula::ptg::Mul)});
    }

    Worksheet& sheet() { return book.sheets[0]; }
    void addFormula(uint32_t row, uint16_t column, const std::vector<formula::Token>& tokens)
    {
        Formula f;
        f.row = row;
        f.column = column;
        f.tokens = formula::encodeTokens(tokens);
        Cell& cell = sheet().ensureRow(row).ensure(column, 15);
        cell.kind = CellKind::Formula;
        cell.index = static_cast<uint32_t>(sheet().formulas.size());
        sheet().formulas.push_back(f);
    }
    std::string formulaAt(uint32_t row, uint16_t column)
    {
        const Cell* cell = sheet().findCell(row, column);
        if (!cell || cell->kind != CellKind::Formula)
            return "(none)";
        return formula::formulaText(formula::parseTokens(sheet().formulas[cell->index].tokens));
    }
    double numberAt(uint32_t row)
    {
        const Cell* cell = sheet().findCell(row, 0);
        return cell && cell->kind == CellKind::Number ? cell->number : -1;
    }

    Workbook book;
};

TEST_F(RowOperations, InsertingCopiesAboveMovesAndStretches)
{
    // Copy rows 3:4 (numbers 3 and 4, the formula =A3*2) and insert them at row 3.
    const RowClip clip = copyRows(book, 0, 2, 2);
    insertCopiedRows(book, 0, 2, clip);

    for (uint32_t r = 0; r < 8; ++r)
        EXPECT_EQ(numberAt(r), (std::vector<double>{1, 2, 3, 4, 3, 4, 5, 6})[r]) << r;
    EXPECT_EQ(sheet().rows[2].heightTwips, 302); // the copies keep their heights
    EXPECT_EQ(sheet().rows[4].heightTwips, 302);
    EXPECT_EQ(sheet().rows[2].cells[0].xf, 18);
    EXPECT_EQ(formulaAt(0, 4), "SUM(A2:A7)"); // stretched: rows went in below its first row
    EXPECT_EQ(formulaAt(4, 4), "A5*2");       // the original moved with its cell
    EXPECT_EQ(formulaAt(2, 4), "A3*2");       // the copy points at its own row
    EXPECT_EQ(sheet().merged, (std::vector<CellRange>{{1, 4, 1, 2}}));
    ASSERT_EQ(sheet().conditionalFormats.size(), 1u);
    EXPECT_EQ(sheet().conditionalFormats[0].ranges, (std::vector<CellRange>{{1, 5, 0, 3}}));
}

TEST_F(RowOperations, CopiesCarryMergesAndFormatsOutsideExistingRanges)
{
    const RowClip clip = copyRows(book, 0, 1, 2); // rows 2:3: the whole merge B2:C3
    insertCopiedRows(book, 0, 8, clip);           // far below everything
    EXPECT_EQ(sheet().merged, (std::vector<CellRange>{{1, 2, 1, 2}, {8, 9, 1, 2}}));
    ASSERT_EQ(sheet().conditionalFormats.size(), 1u);
    EXPECT_EQ(sheet().conditionalFormats[0].ranges,
              (std::vector<CellRange>{{1, 3, 0, 3}, {8, 9, 0, 3}}));
    EXPECT_EQ(formulaAt(0, 4), "SUM(A2:A5)");
}

TEST_F(RowOperations, DeletingShrinksAndBreaksReferences)
{
    deleteRows(book, 0, 2, 1); // row 3: its number, =A3*2 and part of every range
    EXPECT_EQ(numberAt(2), 4);
    EXPECT_EQ(formulaAt(0, 4), "SUM(A2:A4)");
    EXPECT_EQ(formulaAt(2, 4), "(none)");
    EXPECT_TRUE(sheet().formulas[1].removed);
    EXPECT_EQ(sheet().merged, (std::vector<CellRange>{{1, 1, 1, 2}})); // B2:C2 is still merged
}

TEST_F(RowOperations, DeletingEveryReferencedRowGivesRefErrors)
{
    addFormula(7, 0, {formula::makeArea(1, 0, 4, 0), formula::makeFunctionVar(4, 1)});
    deleteRows(book, 0, 1, 4);
    EXPECT_EQ(formulaAt(3, 0), "SUM(#REF!)");
    EXPECT_EQ(formulaAt(0, 4), "SUM(#REF!)");
    EXPECT_TRUE(sheet().conditionalFormats.empty());
}

TEST_F(RowOperations, EmptyRowsTakeTheFormatOfTheRowAbove)
{
    insertEmptyRows(book, 0, 3, 2);
    ASSERT_GT(sheet().rowCount(), 4u);
    const Cell* copied = sheet().findCell(3, 0);
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copied->kind, CellKind::Blank);
    EXPECT_EQ(copied->xf, 18);
    EXPECT_EQ(sheet().rows[4].heightTwips, 302);
    EXPECT_EQ(numberAt(5), 4);
}

TEST_F(RowOperations, EditsThatCannotBeDoneChangeNothing)
{
    const Workbook untouched = book;
    sheet().formulas[1].attachments.push_back({0x04BC, {}}); // a shared formula
    const Workbook shared = book;
    EXPECT_THROW(insertEmptyRows(book, 0, 1, 1), Error);
    EXPECT_THROW(deleteRows(book, 0, 1, 1), Error);
    EXPECT_EQ(book, shared);

    book = untouched;
    sheet().conditionalFormats[0].rules[0].formula1 = {0x18, 0x00}; // a token it cannot read
    const Workbook unreadable = book;
    EXPECT_THROW(insertCopiedRows(book, 0, 1, copyRows(book, 0, 1, 1)), Error);
    EXPECT_EQ(book, unreadable);
}

TEST_F(RowOperations, ContentsMayNotLeaveTheSheet)
{
    sheet().ensureRow(kMaxRows - 2).ensure(0, 15);
    EXPECT_THROW(insertEmptyRows(book, 0, 0, 2), Error);
    EXPECT_NO_THROW(insertEmptyRows(book, 0, 0, 1));
    EXPECT_THROW(deleteRows(book, 0, kMaxRows - 1, 2), Error);
}

} // namespace
} // namespace spreadsheet::automation
