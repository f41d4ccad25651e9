#pragma once

// The parsed form of a format code. A code is split into sections at ";" (outside quotes and
// escapes); each section becomes a flat list of tokens plus what its kind needs to know about
// them (how many digits each part has, grouping, scaling, 12-hour clock ...), all worked out
// once here so that formatting only walks the tokens.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace spreadsheet::numfmt::detail {

enum class TokenKind : uint8_t
{
    Literal,         // text shown as is
    Spacing,         // "_x": text holds x
    Fill,            // "*x": text holds x
    Digit,           // "0", "#" or "?" in text; role and index say where it belongs
    DecimalPoint,    // the point of a number section
    Comma,           // "," until it turns out to group, scale or be a literal
    Percent,         // "%" not quoted or escaped: multiplies by 100
    Hidden,          // a grouping or scaling comma, "@" in a number section: shows nothing
    Exponent,        // "E+" / "E-": text holds "E+" as written
    FractionSlash,   // the "/" between numerator and denominator
    TextPlaceholder, // "@"
    General,         // "General" inside a section
    Year,            // count: letters
    Month,
    Day,
    Hour,
    Minute,
    Second,
    SecondFraction, // count: decimals of the seconds
    AmPm,           // text as written: "AM/PM", "am/pm", "A/P", "a/p"
    ElapsedHours,   // "[h]", count: letters
    ElapsedMinutes,
    ElapsedSeconds,
};

enum class DigitRole : uint8_t
{
    None,
    Integer,
    Decimal,
    Exponent,
    Numerator,
    Denominator,
};

struct Token
{
    TokenKind kind = TokenKind::Literal;
    std::string text;
    int count = 0;
    DigitRole role = DigitRole::None;
    int index = 0; // place among the digits of its role, 0 being the leftmost
};

enum class SectionKind : uint8_t
{
    Number,     // 0 # ? with point, grouping, scaling, percent; also General inside a section
    Scientific, // a number section with an exponent
    Fraction,   // a number section with numerator/denominator
    Date,       // any date or time part
    Text,       // "@" without digits
    Literal,    // nothing but literal text
};

struct Condition
{
    enum class Op : uint8_t
    {
        Less,
        LessEqual,
        Greater,
        GreaterEqual,
        Equal,
        NotEqual,
    };
    Op op = Op::Equal;
    double operand = 0;

    bool holds(double value) const;
};

struct Section
{
    SectionKind kind = SectionKind::Literal;
    std::vector<Token> tokens;
    std::optional<Condition> condition;
    std::optional<uint32_t> color;

    // Number, Scientific and Fraction sections.
    int integerDigits = 0;
    int decimalDigits = 0;
    int exponentDigits = 0;
    int numeratorDigits = 0;
    int denominatorDigits = 0;
    int fixedDenominator = 0;        // "# ??/16": 16; 0 when the denominator is chosen
    std::string decimalPlaceholders; // "0#?" of the decimal places, in order
    bool integerHasHash = false;
    bool grouping = false;
    int powerOfTen = 0; // +2 for each "%", -3 for each scaling comma
    bool hasGeneral = false;
    bool hasFill = false;
    bool hasCurrency = false;

    // Date sections.
    bool twelveHour = false;
    int secondDecimals = 0;
    bool hasDatePart = false;
    bool hasTimePart = false;
};

struct ParsedFormat
{
    std::vector<Section> sections; // one to four
};

ParsedFormat parseFormatCode(std::string_view code);

} // namespace spreadsheet::numfmt::detail
