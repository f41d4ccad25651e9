#include "spreadsheet/formula/evaluate.h"
#include "spreadsheet/formula/functions.h"
#include "spreadsheet/model/workbook.h"

#include <gtest/gtest.h>

namespace spreadsheet::formula {
namespace {

using Kind = CachedValue::Kind;

class Evaluate : public ::testing::Test
{
protected:
    Evaluate() : book(makeDefaultWorkbook("Home Inventory"))
    {
        setNumber(9, 9, 100);   // J10
        setNumber(10, 9, 25.5); // J11
        setText(8, 9, "Estimated Value to Date");
        setText(11, 9, "12"); // text in a reference does not count in SUM
        setNumber(3, 1, 4);   // B4
    }

    Worksheet& sheet() { return book.sheets[0]; }
    void setNumber(uint32_t row, uint16_t column, double value)
    {
        Cell& cell = sheet().ensureRow(row).ensure(column, 15);
        cell.kind = CellKind::Number;
        cell.number = value;
    }
    void setText(uint32_t row, uint16_t column, const std::string& text)
    {
        Cell& cell = sheet().ensureRow(row).ensure(column, 15);
        cell.kind = CellKind::String;
        cell.index = book.strings.intern(text);
    }
    uint32_t setFormula(uint32_t row, uint16_t column, const std::vector<Token>& tokens)
    {
        Formula formula;
        formula.row = row;
        formula.column = column;
        formula.options = 0;
        formula.tokens = encodeTokens(tokens);
        Cell& cell = sheet().ensureRow(row).ensure(column, 15);
        cell.kind = CellKind::Formula;
        cell.index = static_cast<uint32_t>(sheet().formulas.size());
        sheet().formulas.push_back(formula);
        return cell.index;
    }
    std::optional<CachedValue> run(const std::vector<Token>& tokens, uint32_t row = 0)
    {
        return evaluate(book, tokens, {0, row, 0});
    }
    static double number(const std::optional<CachedValue>& value)
    {
        EXPECT_TRUE(value && value->kind == Kind::Number);
        return value && value->kind == Kind::Number ? value->number : -1;
    }

    Workbook book;
};

Token sumAttribute()
{
    Token token;
    token.id = ptg::Attr;
    token.byte = attr::Sum;
    return token;
}

TEST_F(Evaluate, SumOfAWholeColumnSkipsTexts)
{
    EXPECT_EQ(number(run({makeArea(0, 9, 65535, 9), sumAttribute()})), 125.5);
    EXPECT_EQ(number(run({makeArea(0, 9, 65535, 9), makeFunctionVar(function::Sum, 1)})), 125.5);
}

TEST_F(Evaluate, SumOfMixedArguments)
{
    // SUM(J10, 2, "3", TRUE) = 100 + 2 + 3 + 1
    Token yes;
    yes.id = ptg::Bool;
    yes.byte = 1;
    EXPECT_EQ(number(run({makeRef(9, 9), makeInt(2), makeString("3"), yes,
                          makeFunctionVar(function::Sum, 4)})),
              106);
    auto bad = run({makeString("abc"), makeFunctionVar(function::Sum, 1)});
    ASSERT_TRUE(bad);
    EXPECT_EQ(bad->kind, Kind::Error);
}

TEST_F(Evaluate, Arithmetic)
{
    struct Case
    {
        std::vector<Token> tokens;
        double expected;
    };
    const Case cases[] = {
        {{makeInt(2), makeInt(3), makeOperator(ptg::Power), makeRef(3, 1), makeOperator(ptg::Sub)},
         4},
        {{makeRef(9, 9), makeInt(8), makeOperator(ptg::Div), makeOperator(ptg::Uminus)}, -12.5},
        {{makeNumber(-7), makeInt(3), makeFunction(function::Mod)}, 2},
        {{makeRef(11, 9), makeInt(1), makeOperator(ptg::Add)}, 13}, // text that reads as 12
        {{makeRef(40, 3), makeInt(1), makeOperator(ptg::Mul)}, 0},  // empty cell is 0
    };
    for (const Case& c : cases)
        EXPECT_EQ(number(run(c.tokens)), c.expected);
    auto div0 = run({makeInt(1), makeInt(0), makeOperator(ptg::Div)});
    ASSERT_TRUE(div0);
    EXPECT_EQ(div0->flag, static_cast<uint8_t>(ErrorCode::Div0));
}

TEST_F(Evaluate, StripeRuleNeedsTheCellsRow)
{
    const std::vector<Token> rule = {makeFunctionVar(function::Row, 0), makeInt(2),
                                     makeFunction(function::Mod), makeInt(1),
                                     makeOperator(ptg::Eq)};
    for (uint32_t row : {9u, 10u}) {
        auto value = run(rule, row);
        ASSERT_TRUE(value);
        EXPECT_EQ(value->kind, Kind::Boolean);
        EXPECT_EQ(value->flag, row % 2 == 0 ? 1 : 0) << row; // row 10 (index 9) is odd
    }
}

TEST_F(Evaluate, ComparisonsAndConcatenation)
{
    auto less = run({makeString("apple"), makeString("BANANA"), makeOperator(ptg::Lt)});
    ASSERT_TRUE(less);
    EXPECT_EQ(less->flag, 1);
    auto numberBeforeText = run({makeInt(5), makeString("1"), makeOperator(ptg::Lt)});
    EXPECT_EQ(numberBeforeText->flag, 1);
    auto joined = run({makeNumber(1.5), makeString("kg"), makeOperator(ptg::Concat)});
    EXPECT_EQ(joined->text, "1.5kg");
}

TEST_F(Evaluate, UnknownFunctionsAreLeftToTheSpreadsheet)
{
    EXPECT_FALSE(run({makeInt(1), makeFunction(24 /* ABS is not computed */)}));
    EXPECT_FALSE(run({makeArea(0, 9, 3, 9), makeInt(1), makeOperator(ptg::Add)}));
}

TEST_F(Evaluate, RefreshComputesChainsAndFlagsTheRest)
{
    const uint32_t total = setFormula(6, 5, {makeArea(0, 9, 65535, 9), sumAttribute()});
    const uint32_t item = setFormula(12, 9, {makeRef(9, 9), makeInt(2), makeOperator(ptg::Mul)});
    const uint32_t circular = setFormula(20, 0, {makeRef(20, 0)});
    refreshCachedResults(book);
    const auto& formulas = sheet().formulas;
    EXPECT_EQ(formulas[item].cached.number, 200);
    EXPECT_EQ(formulas[total].cached.number, 325.5); // includes J13's formula result
    EXPECT_EQ(formulas[total].options & kAlwaysCalculate, 0);
    EXPECT_NE(formulas[circular].options & kAlwaysCalculate, 0);
    EXPECT_NE(formulas[circular].options & kCalculateOnLoad, 0);
}

} // namespace
} // namespace spreadsheet::formula
