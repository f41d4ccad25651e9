#include "spreadsheet/formula/print.h"
#include "spreadsheet/formula/tokens.h"
#include "spreadsheet/model/error.h"

#include <gtest/gtest.h>

namespace spreadsheet::formula {
namespace {

struct RoundTrip
{
    const char* what;
    std::vector<uint8_t> bytes;
    const char* text;
};

// Formulas as Excel stores them, with the text Excel shows for them (cell A1 for N forms).
const RoundTrip kRoundTrips[] = {
    {"whole column sum with the SUM attribute",
     {0x25, 0x00, 0x00, 0xFF, 0xFF, 0x09, 0x40, 0x09, 0x40, 0x19, 0x10, 0x00, 0x00},
     "SUM(J:J)"},
    {"whole column sum as a function call",
     {0x25, 0x00, 0x00, 0xFF, 0xFF, 0x09, 0x40, 0x09, 0x40, 0x42, 0x01, 0x04, 0x00},
     "SUM(J:J)"},
    {"conditional-format stripe rule",
     {0x42, 0x00, 0x08, 0x00, 0x1E, 0x02, 0x00, 0x41, 0x27, 0x00, 0x1E, 0x01, 0x00, 0x0B},
     "MOD(ROW(),2)=1"},
    {"print area in a defined name",
     {0x3B, 0x00, 0x00, 0x00, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x0B, 0x00},
     "'Home Inventory'!$A$1:$L$11"},
    {"print titles: a whole row",
     {0x3B, 0x00, 0x00, 0x08, 0x00, 0x08, 0x00, 0x00, 0x00, 0xFF, 0x00},
     "'Home Inventory'!$9:$9"},
    {"arithmetic with a number, a string and parentheses",
     {0x44, 0x01, 0x00, 0x00, 0xC0, 0x1F, 0,    0,    0,   0,   0,
      0,    0xF8, 0x3F, 0x05, 0x15, 0x17, 0x02, 0x00, 'k', 'g', 0x08},
     "(A2*1.5)&\"kg\""},
    {"unicode string, boolean, error, missing argument",
     {0x17, 0x01, 0x01, 0xAC, 0x20, 0x1D, 0x01, 0x1C, 0x07, 0x16, 0x42, 0x04, 0x01, 0x00},
     "IF(\"\u20ac\",TRUE,#DIV/0!,)"},
    {"deleted references and unary minus",
     {0x4A, 0, 0, 0, 0, 0x4B, 0, 0, 0, 0, 0, 0, 0, 0, 0x03, 0x13},
     "-#REF!+#REF!"},
    {"relative N forms",
     {0x4C, 0x01, 0x00, 0x02, 0xC0, 0x2D, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0xC0, 0x01, 0xC0, 0x04},
     "C2-A65536:B1"},
    {"Latin-1 text stored as UTF-16 keeps its size inside IF's jumps",
     {0x1D, 0x01, 0x19, 0x02, 0x07, 0x00, 0x17, 0x01, 0x01, 'x',  0x00, 0x19, 0x08,
      0x03, 0x00, 0x1E, 0x02, 0x00, 0x19, 0x08, 0x03, 0x00, 0x42, 0x03, 0x01, 0x00},
     "IF(TRUE,\"x\",2)"},
    {"space attribute and percent", {0x1E, 0x32, 0x00, 0x19, 0x40, 0x00, 0x01, 0x14}, "50%"},
};

TEST(FormulaTokens, RoundTripAndPrint)
{
    PrintContext context;
    context.sheetName = [](uint16_t) { return std::string("'Home Inventory'"); };
    for (const RoundTrip& c : kRoundTrips) {
        const std::vector<Token> tokens = parseTokens(c.bytes);
        EXPECT_EQ(encodeTokens(tokens), c.bytes) << c.what;
        EXPECT_EQ(formulaText(tokens, context), c.text) << c.what;
    }
}

TEST(FormulaTokens, ConstructorsEncodeAsExcelDoes)
{
    const std::vector<Token> tokens = {makeArea(0, 9, 65535, 9), makeFunctionVar(4, 1)};
    EXPECT_EQ(formulaText(tokens), "SUM(J:J)");
    EXPECT_EQ(parseTokens(encodeTokens(tokens)), tokens);
}

TEST(FormulaTokens, BadBytesAreReportedNotRead)
{
    const std::vector<std::vector<uint8_t>> bad = {
        {0x25, 0x00, 0x00},             // area cut short
        {0x17, 0x05, 0x00, 'a'},        // string longer than the formula
        {0x19, 0x04, 0xFF, 0xFF, 0x00}, // choose table past the end
        {0x18, 0x00},                   // unsupported token
        {0xFF},
    };
    for (const auto& bytes : bad)
        EXPECT_THROW(parseTokens(bytes), Error);
}

TEST(FormulaTokens, CutShortFormulaIsNamedInTheMessage)
{
    try {
        parseTokens(std::vector<uint8_t>{0x25, 0x00, 0x00});
        FAIL() << "a cut-short area was read";
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find("the formula"), std::string::npos) << error.what();
    }
}

// A surrogate without its partner is no character, but a formula read from a file must still
// write back byte for byte.
TEST(FormulaTokens, LoneSurrogateInAStringWritesBackUnchanged)
{
    const std::vector<uint8_t> bytes = {0x17, 0x01, 0x01, 0x00, 0xD8};
    const std::vector<Token> tokens = parseTokens(bytes);
    ASSERT_EQ(tokens.size(), 1u);
    EXPECT_EQ(tokens[0].text, "\xED\xA0\x80");
    EXPECT_EQ(encodeTokens(tokens), bytes);
}

TEST(FormulaTokens, MalformedUtf8InANewStringBecomesReplacementCharacter)
{
    // A lead byte without its continuation byte must not swallow the letter after it.
    const std::vector<uint8_t> expected = {0x17, 0x02, 0x01, 0xFD, 0xFF, 'A', 0x00};
    EXPECT_EQ(encodeTokens({makeString("\xC3"
                                       "A")}),
              expected);
}

TEST(FormulaTokens, PrintingRejectsBrokenExpressions)
{
    EXPECT_THROW(formulaText(parseTokens(std::vector<uint8_t>{0x03})), Error);
    EXPECT_THROW(formulaText(parseTokens(std::vector<uint8_t>{0x1E, 1, 0, 0x1E, 2, 0})), Error);
}

} // namespace
} // namespace spreadsheet::formula

#include "spreadsheet/formula/evaluate.h"
#include "spreadsheet/formula/shift.h"
#include "spreadsheet/model/workbook.h"

#include <random>

namespace spreadsheet::formula {
namespace {

// Random bytes, biased towards real token ids: whatever parses must write back byte for byte,
// and printing, shifting and evaluating it may fail only with an Error.
TEST(FormulaTokens, AnyParsedBytesWriteBackUnchanged)
{
    const uint8_t ids[] = {0x03, 0x0B, 0x13, 0x15, 0x16, 0x17, 0x19, 0x1C, 0x1D, 0x1E,
                           0x1F, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x29, 0x2A, 0x2C,
                           0x2D, 0x39, 0x3A, 0x3B, 0x41, 0x42, 0x44, 0x5B, 0x64};
    std::mt19937 random(20240607u);
    Workbook book = makeDefaultWorkbook("Sheet1");
    book.externSheets = {ExternSheet{0, 0, 0}};
    int parsed = 0;
    for (int round = 0; round < 20000; ++round) {
        std::vector<uint8_t> bytes(random() % 24);
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] =
                random() % 3 == 0 ? ids[random() % std::size(ids)] : static_cast<uint8_t>(random());
        std::vector<Token> tokens;
        try {
            tokens = parseTokens(bytes);
        } catch (const Error&) {
            continue;
        }
        ++parsed;
        ASSERT_EQ(encodeTokens(tokens), bytes);
        try {
            formulaText(tokens);
        } catch (const Error&) {
        }
        evaluate(book, tokens, {0, 5, 5});
        ShiftContext context;
        context.edit = {random() % 2 ? RowEdit::Kind::Insert : RowEdit::Kind::Delete,
                        static_cast<uint32_t>(random() % kMaxRows),
                        static_cast<uint32_t>(random() % 40 + 1)};
        context.externSheetEdited = [](uint16_t) { return true; };
        shiftTokens(tokens, context);
        EXPECT_EQ(parseTokens(encodeTokens(tokens)), tokens);
    }
    EXPECT_GT(parsed, 1000); // the bias makes sure many cases get past the parser
}

} // namespace
} // namespace spreadsheet::formula
