#include "spreadsheet/numfmt/number_format.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <random>
#include <string_view>
#include <variant>

namespace spreadsheet::numfmt {
namespace {

constexpr std::string_view kTemplateAccounting =
    R"(_("$"* #,##0.00_);_("$"* \(#,##0.00\);_("$"* "-"??_);_(@_))";
constexpr uint32_t kRed = 0xFF0000;
constexpr uint32_t kBlue = 0x0000FF;

struct FormatCase
{
    std::string_view code;
    std::variant<double, std::string_view> value; // a number, or text typed into the cell
    std::string_view shown;                       // "_x" widths as one space each
    std::optional<uint32_t> color = std::nullopt;
    bool date1904 = false;
};

// What Excel (English, United States) shows for each value in each format.
const FormatCase kCases[] = {
    // The template's accounting total, currency columns and purchase dates.
    {kTemplateAccounting, 0.0, " $-   "},
    {kTemplateAccounting, 1234.5, " $1,234.50 "},
    {kTemplateAccounting, -1234.5, " $(1,234.50)"},
    {kTemplateAccounting, "abc", " abc "},
    {builtinFormatCode(8), 45000.0, "$45,000.00 "},
    {builtinFormatCode(8), -12.0, "($12.00)", kRed},
    {builtinFormatCode(8), 0.0, "$0.00 "},
    {builtinFormatCode(14), 38641.0, "10/16/2005"},
    {builtinFormatCode(14), "not a date", "not a date"},
    // General: at most 11 characters besides the sign.
    {"General", 0.1 + 0.2, "0.3"},
    {"General", 1e20, "1E+20"},
    {"General", 123456789012.0, "1.23457E+11"},
    {"General", 12345678901.0, "12345678901"},
    {"General", -12345678901.0, "-12345678901"},
    {"General", 1234567890.5, "1234567891"},
    {"General", -0.000001234, "-0.000001234"},
    {"General", -0.0000001234, "-1.234E-07"},
    {"General", 0.000123456789, "0.000123457"},
    {"General", 2.0 / 3.0, "0.666666667"},
    {"General", 1e-10, "1E-10"},
    {"General", 1.5e-300, "1.5E-300"},
    {"General", 0.0, "0"},
    {"General", -5.0, "-5"},
    {"General", 99999999999.9, "1E+11"},
    {"General", "text", "text"},
    {"[Blue]General", -3.5, "-3.5", kBlue},
    // Rounding on the decimal digits, half away from zero.
    {"0.00", 2.675, "2.68"},
    {"0.00", 0.125, "0.13"},
    {"0.00", -0.001, "0.00"},
    {"0.00;(0.00)", -0.001, "(0.00)"},
    {"0", 0.5, "1"},
    {"0", -2.5, "-3"},
    {"0", 12345678901234567890.0, "12345678901234600000"},
    // Placeholders, grouping and scaling.
    {"#,##0", 1234567.0, "1,234,567"},
    {"#,##0", 0.0, "0"},
    {"#,###", 0.0, ""},
    {"0,000", 5.0, "0,005"},
    {"#,##0,", 1234567.0, "1,235"},
    {"0.0,,", 123456789.0, "123.5"},
    {"#.##", 0.5, ".5"},
    {"0.##", 1.0, "1."},
    {"0.0#", 1.5, "1.5"},
    {"??.??", 1.5, " 1.5 "},
    {"000-0000", 5551234.0, "555-1234"},
    {"(###) ###-####", 5551234567.0, "(555) 123-4567"},
    {"00000", 123.0, "00123"},
    // Percent and scientific.
    {"0%", 0.125, "13%"},
    {"0.00%", -0.5, "-50.00%"},
    {"0.00E+00", 12345.0, "1.23E+04"},
    {"0.00E+00", 0.00012345, "1.23E-04"},
    {"0.00E+00", 0.0, "0.00E+00"},
    {"0.00E+00", 9.999, "1.00E+01"},
    {"0.00E-00", 12345.0, "1.23E04"},
    {"##0.0E+0", 12345.0, "12.3E+3"},
    {"##0.0E+0", 0.00123, "1.2E-3"},
    // Fractions.
    {"# ?/?", 1.5, "1 1/2"},
    {"# ?/?", 0.3333, " 1/3"},
    {"# ?/?", 2.0, "2    "},
    {"# ?/?", 0.0, "0    "},
    {"# ?/?", -1.25, "-1 1/4"},
    {R"(# ??/??)", 3.14159, "3 14/99"},
    {R"(# ??/16)", 1.25, "1  4/16"},
    {"?/?", 0.75, "3/4"},
    {"?/?", 1.75, "7/4"},
    // Sections, conditions and colours.
    {"0;(0);\"zero\"", -7.0, "(7)"},
    {"\"x\"", -7.0, "x"},
    {"0;(0);\"zero\"", 0.0, "zero"},
    {"0;-0;;@", 0.0, ""},
    {"[Red][<=100]0;[Blue][>100]0", 50.0, "50", kRed},
    {"[Red][<=100]0;[Blue][>100]0", 150.0, "150", kBlue},
    {"[<0]\"neg\";[>0]\"pos\";\"zero\"", -1.0, "neg"},
    {"[Color 10]0", 1.0, "1", 0x008000},
    // Literals and locale prefixes.
    {"\"Total: \"0.00", 5.0, "Total: 5.00"},
    {"\\$0", 5.0, "$5"},
    {"0\" units\"", -3.0, "-3 units"},
    {"[$€-407]#,##0.00", 1234.5, "€1,234.50"},
    {"[$-409]m/d/yyyy", 38641.0, "10/16/2005"},
    {"@", 12.5, "12.5"},
    {"\"Name: \"@", "Bob", "Name: Bob"},
    {"0.00", "  kept as typed ", "  kept as typed "},
    // Dates and times on the 1900 system with its 29/2/1900.
    {"d-mmm-yy", 38641.0, "16-Oct-05"},
    {"dddd, mmmm d, yyyy", 38641.0, "Sunday, October 16, 2005"},
    {"ddd mmmmm", 38641.0, "Sun O"},
    {"yyyy-mm-dd", 60.0, "1900-02-29"},
    {"yyyy-mm-dd", 61.0, "1900-03-01"},
    {"dddd", 1.0, "Sunday"},
    {"m/d/yyyy", 0.0, "1/0/1900"},
    {"m/d/yyyy", 2958465.0, "12/31/9999"},
    {"m/d/yyyy", 2958466.0, "#"},
    {"m/d/yyyy", -1.0, "#"},
    {"m/d/yyyy", 0.0, "1/1/1904", std::nullopt, true},
    {"m/d/yyyy", 38641.0 - 1462, "10/16/2005", std::nullopt, true},
    {"h:mm AM/PM", 0.75, "6:00 PM"},
    {"h:mm am/pm", 0.25, "6:00 am"},
    {"h:mm A/P", 0.0, "12:00 A"},
    {"h:mm:ss", 0.5 + 1.0 / 86400, "12:00:01"},
    {"h:mm", 0.5 + 59.4 / 86400, "12:00"},
    {"hh:mm:ss", 0.4999999999, "12:00:00"},
    {"[h]:mm:ss", 1.5, "36:00:00"},
    {"[mm]:ss", 1.0 / 24, "60:00"},
    {"[ss]", 1.0 / 1440, "60"},
    {"mm:ss.0", 1.5 / 86400, "00:01.5"},
    {"mmss.0", 75.25 / 86400, "0115.3"},
    {"m/d/yyyy h:mm", 38641.999999, "10/17/2005 0:00"},
    {"yy", 38641.0, "05"},
    {"h \"o'clock\"", 0.5, "12 o'clock"},
    // Sections left empty hide their values; broken codes still show something sensible.
    {";;;", 5.0, ""},
    {";;;", "hidden", ""},
    {"0;;", -5.0, ""},
    {"0.00;;", 0.0, ""},
    {"[>=100]0;0", -5.0, "5"},
    {"[<=100]0;0", -150.0, "-150"},
    {"[>100]0;[<-100]0", 5.0, "#"},
    {"[Color 99]0", 1.0, "1"},
    {"\"abc", 1.0, "abc"},
    {"0\\%", 0.5, "1%"},
    {"#\\,##0", 1234567.0, "1234,567"},
    {"0.0E+00", std::numeric_limits<double>::infinity(), "#NUM!"},
};

std::string shownText(const FormatCase& c, FormattedText& result)
{
    if (const double* number = std::get_if<double>(&c.value)) {
        result = formatNumber(*number, c.code, c.date1904);
    } else {
        result = formatText(std::get<std::string_view>(c.value), c.code);
    }
    return plainText(result);
}

TEST(NumberFormat, FormatsAsExcelShows)
{
    for (const FormatCase& c : kCases) {
        FormattedText result;
        const std::string shown = shownText(c, result);
        const std::string value = std::holds_alternative<double>(c.value)
                                      ? std::to_string(std::get<double>(c.value))
                                      : std::string(std::get<std::string_view>(c.value));
        EXPECT_EQ(shown, c.shown) << "format " << c.code << ", value " << value;
        EXPECT_EQ(result.color, c.color) << "format " << c.code << ", value " << value;
    }
}

TEST(NumberFormat, SpacingAndFillStayApartFromTheText)
{
    const FormattedText result = formatNumber(1234.5, kTemplateAccounting);
    EXPECT_EQ(result.text, "$1,234.50");
    EXPECT_EQ(result.spacings, (std::vector<Spacing>{{0, "("}, {9, ")"}}));
    EXPECT_EQ(result.fillPosition, 1u);
    EXPECT_EQ(result.fillChar, " ");
    EXPECT_TRUE(result.isNumberResult);

    const FormattedText text = formatText("abc", kTemplateAccounting);
    EXPECT_EQ(text.text, "abc");
    EXPECT_FALSE(text.isNumberResult);

    const FormattedText dangling = formatNumber(5, "0_");
    EXPECT_TRUE(dangling.spacings.empty()) << "a '_' at the end leaves no width";
    EXPECT_FALSE(formatNumber(5, "0*").fillPosition) << "a '*' at the end has nothing to fill with";

    const FormattedText negative = formatNumber(-5, "*x0_)");
    EXPECT_EQ(negative.text, "-5");
    EXPECT_EQ(negative.fillPosition, 1u) << "the fill stays after the sign";
    EXPECT_EQ(negative.fillChar, "x");
}

// Format codes come from workbook files: any bytes must give a result whose positions lie
// inside its text and whose widths and fill are never empty (the renderer repeats the fill).
TEST(NumberFormat, AnyCodeGivesConsistentPositions)
{
    constexpr std::string_view kAlphabet = "0#?.,%E+-/@\"\\_*[]<>=;hmsdyAPGe $()!\xE2\x82\xAC\xFF";
    std::mt19937 random(20051016);
    std::uniform_int_distribution<size_t> length(0, 24);
    std::uniform_int_distribution<size_t> pick(0, kAlphabet.size() - 1);
    const double values[] = {0, -1.5, 38641.75, 1e300, -1e-300, 2958466, 12345678.9};
    for (int round = 0; round < 5000; ++round) {
        std::string code;
        for (size_t i = length(random); i > 0; --i) {
            code += kAlphabet[pick(random)];
        }
        categorize(code);
        for (const double value : values) {
            const FormattedText result = formatNumber(value, code);
            size_t previous = 0;
            for (const Spacing& spacing : result.spacings) {
                ASSERT_GE(spacing.position, previous) << code;
                ASSERT_LE(spacing.position, result.text.size()) << code;
                ASSERT_FALSE(spacing.widthOf.empty()) << code;
                previous = spacing.position;
            }
            ASSERT_LE(result.fillPosition.value_or(0), result.text.size()) << code;
            ASSERT_EQ(result.fillPosition.has_value(), !result.fillChar.empty()) << code;
        }
        const FormattedText text = formatText("text", code);
        ASSERT_LE(text.fillPosition.value_or(0), text.text.size()) << code;
    }
}

TEST(NumberFormat, OutOfRangeDatesFillTheCellWithHashes)
{
    const FormattedText result = formatNumber(-1, "m/d/yyyy");
    EXPECT_EQ(result.text, "#");
    EXPECT_EQ(result.fillPosition, 0u);
    EXPECT_EQ(result.fillChar, "#");
}

TEST(NumberFormat, GeneralFitsTheGivenWidth)
{
    EXPECT_EQ(formatGeneral(1234.5678, 6), "1234.6");
    EXPECT_EQ(formatGeneral(123456789, 6), "1E+08");
    EXPECT_EQ(formatGeneral(123456789, 7), "1.2E+08");
    EXPECT_EQ(formatGeneral(0.5, 1), "1") << "too narrow for a decimal: rounds";
}

TEST(NumberFormat, BuiltinCodesAndCategories)
{
    struct CategoryCase
    {
        std::string_view code;
        FormatCategory category;
    };
    const CategoryCase cases[] = {
        {"General", FormatCategory::General},
        {"", FormatCategory::General},
        {builtinFormatCode(2), FormatCategory::Number},
        {builtinFormatCode(8), FormatCategory::Currency},
        {builtinFormatCode(43), FormatCategory::Accounting},
        {kTemplateAccounting, FormatCategory::Accounting},
        {builtinFormatCode(10), FormatCategory::Percent},
        {builtinFormatCode(11), FormatCategory::Scientific},
        {builtinFormatCode(13), FormatCategory::Fraction},
        {builtinFormatCode(14), FormatCategory::Date},
        {builtinFormatCode(21), FormatCategory::Time},
        {builtinFormatCode(46), FormatCategory::Time},
        {builtinFormatCode(22), FormatCategory::DateTime},
        {builtinFormatCode(49), FormatCategory::Text},
        {"[$€-407]#,##0.00", FormatCategory::Currency},
        {"[$-409]mmmm d", FormatCategory::Date},
    };
    for (const CategoryCase& c : cases) {
        EXPECT_EQ(categorize(c.code), c.category) << c.code;
    }
    EXPECT_EQ(builtinFormatCode(14), "m/d/yyyy");
    EXPECT_EQ(builtinFormatCode(8), R"("$"#,##0.00_);[Red]\("$"#,##0.00\))");
    EXPECT_EQ(builtinFormatCode(30), "");
    EXPECT_EQ(builtinFormatCode(50), "");
}

} // namespace
} // namespace spreadsheet::numfmt
