#include "spreadsheet/formula/print.h"
#include "spreadsheet/formula/shift.h"

#include <gtest/gtest.h>

namespace spreadsheet::formula {
namespace {

constexpr auto Insert = RowEdit::Kind::Insert;
constexpr auto Delete = RowEdit::Kind::Delete;

struct SpanCase
{
    const char* what;
    RowSpan span; // zero-based rows
    RowEdit edit;
    std::optional<RowSpan> expected;
};

// Rows are zero-based: {9, 10} is Excel's 10:11.
const SpanCase kSpanCases[] = {
    {"insert above moves", {9, 10}, {Insert, 3, 2}, RowSpan{11, 12}},
    {"insert at the first row moves", {9, 10}, {Insert, 9, 2}, RowSpan{11, 12}},
    {"insert below the first row stretches", {9, 10}, {Insert, 10, 2}, RowSpan{9, 12}},
    {"insert strictly inside stretches", {0, 10}, {Insert, 5, 4}, RowSpan{0, 14}},
    {"insert below the last row leaves it", {9, 10}, {Insert, 11, 2}, RowSpan{9, 10}},
    {"insert far below leaves it", {9, 10}, {Insert, 40, 2}, RowSpan{9, 10}},
    {"whole column stays whole", {0, kLastRow}, {Insert, 9, 2}, RowSpan{0, kLastRow}},
    {"area to the sheet end keeps its end", {4, kLastRow}, {Insert, 2, 3}, RowSpan{7, kLastRow}},
    {"area pushed off the sheet is lost",
     {kLastRow - 1, kLastRow - 1},
     {Insert, 0, 2},
     std::nullopt},
    {"print area grows with the item block", {0, 10}, {Insert, 9, 2}, RowSpan{0, 12}},
    {"delete above moves up", {9, 12}, {Delete, 2, 3}, RowSpan{6, 9}},
    {"delete inside shrinks", {9, 14}, {Delete, 14, 1}, RowSpan{9, 13}},
    {"delete overlapping the top shrinks from the top", {9, 14}, {Delete, 8, 3}, RowSpan{8, 11}},
    {"delete overlapping the bottom", {9, 14}, {Delete, 12, 5}, RowSpan{9, 11}},
    {"delete of every row is #REF!", {9, 10}, {Delete, 9, 2}, std::nullopt},
    {"delete below leaves it", {9, 10}, {Delete, 11, 1}, RowSpan{9, 10}},
    {"delete keeps a whole column", {0, kLastRow}, {Delete, 14, 1}, RowSpan{0, kLastRow}},
    {"delete keeps the sheet end", {4, kLastRow}, {Delete, 0, 2}, RowSpan{2, kLastRow}},
};

TEST(RowShift, AreasFollowExcelsInsertAndDelete)
{
    for (const SpanCase& c : kSpanCases)
        EXPECT_EQ(shiftSpan(c.span, c.edit), c.expected) << c.what;
}

TEST(RowShift, SingleCells)
{
    EXPECT_EQ(shiftRow(8, {Insert, 9, 2}), 8u);
    EXPECT_EQ(shiftRow(9, {Insert, 9, 2}), 11u);
    EXPECT_EQ(shiftRow(kLastRow, {Insert, 9, 1}), std::nullopt);
    EXPECT_EQ(shiftRow(9, {Delete, 9, 1}), std::nullopt);
    EXPECT_EQ(shiftRow(10, {Delete, 9, 1}), 9u);
}

std::string shifted(std::vector<Token> tokens, const ShiftContext& context)
{
    shiftTokens(tokens, context);
    PrintContext print;
    print.row = context.anchorAfter;
    return formulaText(tokens, print);
}

TEST(RowShift, FormulaReferences)
{
    ShiftContext insert;
    insert.edit = {Insert, 9, 2};
    // =SUM(J:J) stays a whole column; =J10*2 follows its cell; an absolute reference too.
    EXPECT_EQ(shifted({makeArea(0, 9, kLastRow, 9), makeFunctionVar(4, 1)}, insert), "SUM(J:J)");
    EXPECT_EQ(shifted({makeRef(9, 9), makeInt(2), makeOperator(ptg::Mul)}, insert), "J12*2");
    EXPECT_EQ(shifted({makeRef(9, 9, false, false)}, insert), "$J$12");
    EXPECT_EQ(shifted({makeArea(9, 0, 10, 13)}, insert), "A12:N13");

    ShiftContext remove;
    remove.edit = {Delete, 9, 1};
    EXPECT_EQ(shifted({makeRef(9, 9), makeRef(10, 9), makeOperator(ptg::Add)}, remove),
              "#REF!+J10");
}

TEST(RowShift, ReferencesOnOtherSheetsStay)
{
    ShiftContext context;
    context.edit = {Insert, 0, 5};
    context.ownSheetEdited = false;
    context.externSheetEdited = [](uint16_t index) { return index == 1; };
    std::vector<Token> tokens = {makeRef(3, 0), makeArea3d(0, 3, 0, 4, 0),
                                 makeArea3d(1, 3, 0, 4, 0)};
    EXPECT_TRUE(shiftTokens(tokens, context));
    EXPECT_EQ(tokens[0].first.row, 3);
    EXPECT_EQ(tokens[1].first.row, 3);
    EXPECT_EQ(tokens[2].first.row, 8);
    EXPECT_EQ(tokens[2].last.row, 9);
}

TEST(RowShift, RelativeFormsKeepPointingAtTheirCells)
{
    // A conditional format on rows 10:11 that looks at $J of its own row (offset 0) and at the
    // fixed cell $B$3: after rows are inserted above, the range starts at row 13.
    Token ownRow = makeRef(0, 9, true, false);
    ownRow.id = ptg::RefN;
    Token fixed = makeRef(2, 1, false, false);
    fixed.id = ptg::RefN;
    std::vector<Token> tokens = {ownRow, fixed, makeOperator(ptg::Add)};
    ShiftContext context;
    context.edit = {Insert, 1, 3};
    context.anchorBefore = 9;
    context.anchorAfter = 12;
    EXPECT_EQ(shifted(tokens, context), "$J13+$B$6");
}

TEST(RowShift, CopiedFormulasKeepRelativeDistances)
{
    // Row 11 holds =J11*$J$20+J5 and is copied, with row 10, to an insertion at row 10: the
    // copy lands in row 11 (delta 0 from the original row), the original moves to row 13.
    std::vector<Token> tokens = {makeRef(10, 9), makeRef(19, 9, false, false),
                                 makeOperator(ptg::Mul), makeRef(4, 9), makeOperator(ptg::Add)};
    ShiftContext context;
    context.edit = {Insert, 9, 2};
    relocateCopiedTokens(tokens, 0, context);
    EXPECT_EQ(formulaText(tokens), "J11*$J$22+J5");

    std::vector<Token> offSheet = {makeRef(2, 0)};
    relocateCopiedTokens(offSheet, -5, context);
    EXPECT_EQ(formulaText(offSheet), "#REF!");
}

} // namespace
} // namespace spreadsheet::formula
