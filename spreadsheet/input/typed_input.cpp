#include "spreadsheet/input/typed_input.h"

#include "spreadsheet/input/typed_date.h"

#include <cctype>
#include <charconv>
#include <cmath>

namespace spreadsheet::input {

namespace {

using numfmt::FormatCategory;
using numfmt::kFormatCurrency;
using numfmt::kFormatCurrencyDecimals;
using numfmt::kFormatGrouped;
using numfmt::kFormatGroupedDecimals;
using numfmt::kFormatPercent;
using numfmt::kFormatPercentDecimals;
using numfmt::kFormatScientific;
using numfmt::kFormatShortDate;

bool convertsTypedText(FormatCategory category)
{
    return category != FormatCategory::General && category != FormatCategory::Text;
}

std::string_view trimBlanks(std::string_view text)
{
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

bool isDigit(char c)
{
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// What surrounds the digits: sign, parentheses, currency symbol, percent sign.
struct Decorations
{
    bool negative = false;
    bool currency = false;
    bool percent = false;
};

bool takePrefix(std::string_view& text, std::string_view prefix)
{
    if (prefix.empty() || !text.starts_with(prefix)) {
        return false;
    }
    text.remove_prefix(prefix.size());
    return true;
}

bool takeSuffix(std::string_view& text, std::string_view suffix)
{
    if (suffix.empty() || !text.ends_with(suffix)) {
        return false;
    }
    text.remove_suffix(suffix.size());
    return true;
}

bool takeCurrencyPrefix(std::string_view& text, const InputLocale& locale)
{
    if (takePrefix(text, locale.currencySymbol) || takePrefix(text, "$")) {
        text = trimBlanks(text);
        return true;
    }
    return false;
}

bool takeCurrencySuffix(std::string_view& text, const InputLocale& locale)
{
    if (takeSuffix(text, locale.currencySymbol) || takeSuffix(text, "$")) {
        text = trimBlanks(text);
        return true;
    }
    return false;
}

// Strips "(...)", "-", "+", a currency symbol before or after and a trailing "%", leaving the
// bare digits; false when they are combined in a way nobody types ("-(5)", "$5%").
bool stripDecorations(std::string_view& text, const InputLocale& locale, Decorations& found)
{
    if (text.size() >= 2 && text.front() == '(' && text.back() == ')') {
        found.negative = true;
        text = trimBlanks(text.substr(1, text.size() - 2));
    }
    // Sign and currency symbol come in either order: "-$5", "$-5".
    found.currency = takeCurrencyPrefix(text, locale);
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        if (found.negative) {
            return false;
        }
        found.negative = text.front() == '-';
        text.remove_prefix(1);
        if (!found.currency) {
            found.currency = takeCurrencyPrefix(text, locale);
        }
    }
    found.percent = takeSuffix(text, "%");
    if (found.percent) {
        text = trimBlanks(text);
    }
    if (!found.currency) {
        found.currency = takeCurrencySuffix(text, locale);
    }
    return !(found.currency && found.percent);
}

// The digits before the decimal separator with group separators only between complete
// groups of three ("1,234,567"); the result holds the digits alone.
bool takeIntegerDigits(std::string_view& text, const InputLocale& locale, std::string& digits,
                       bool& grouped)
{
    size_t groupLength = 0;
    while (!text.empty()) {
        if (isDigit(text.front())) {
            digits.push_back(text.front());
            text.remove_prefix(1);
            ++groupLength;
        } else if (!locale.groupSeparator.empty() && text.starts_with(locale.groupSeparator)) {
            const bool firstGroupOk = !grouped && groupLength >= 1 && groupLength <= 3;
            if (!(firstGroupOk || (grouped && groupLength == 3))) {
                return false;
            }
            grouped = true;
            groupLength = 0;
            text.remove_prefix(locale.groupSeparator.size());
        } else {
            break;
        }
    }
    return !grouped || groupLength == 3;
}

struct ParsedNumber
{
    double value = 0;
    bool percentSign = false;
    std::optional<uint16_t> formatId;
};

// Moves the decimal digits after the separator into plain; true when there was one.
bool takeDecimals(std::string_view& text, const InputLocale& locale, std::string& plain)
{
    bool hasDecimals = false;
    if (takePrefix(text, locale.decimalSeparator)) {
        plain.push_back('.');
        while (!text.empty() && isDigit(text.front())) {
            plain.push_back(text.front());
            text.remove_prefix(1);
            hasDecimals = true;
        }
    }
    return hasDecimals;
}

// Moves "E+5" into plain; nullopt for an "E" without digits.
std::optional<bool> takeExponent(std::string_view& text, std::string& plain)
{
    if (text.empty() || (text.front() != 'e' && text.front() != 'E')) {
        return false;
    }
    plain.push_back('e');
    text.remove_prefix(1);
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        plain.push_back(text.front());
        text.remove_prefix(1);
    }
    bool hasDigits = false;
    while (!text.empty() && isDigit(text.front())) {
        plain.push_back(text.front());
        text.remove_prefix(1);
        hasDigits = true;
    }
    return hasDigits ? std::optional<bool>(true) : std::nullopt;
}

std::optional<uint16_t> formatIdFor(const Decorations& decorations, bool hasDecimals,
                                    bool scientific, bool grouped)
{
    if (decorations.percent) {
        return hasDecimals ? kFormatPercentDecimals : kFormatPercent;
    }
    if (decorations.currency) {
        return hasDecimals ? kFormatCurrencyDecimals : kFormatCurrency;
    }
    if (scientific) {
        return kFormatScientific;
    }
    if (grouped) {
        return hasDecimals ? kFormatGroupedDecimals : kFormatGrouped;
    }
    return std::nullopt;
}

std::optional<ParsedNumber> parseTypedNumber(std::string_view text, const InputLocale& locale)
{
    Decorations decorations;
    if (!stripDecorations(text, locale, decorations)) {
        return std::nullopt;
    }
    std::string plain; // the number in the form from_chars reads: "1234.5e3"
    bool grouped = false;
    if (!takeIntegerDigits(text, locale, plain, grouped)) {
        return std::nullopt;
    }
    const bool hasDecimals = takeDecimals(text, locale, plain);
    if (plain.empty() || plain == ".") {
        return std::nullopt;
    }
    const std::optional<bool> scientific =
        grouped ? std::optional<bool>(false) : takeExponent(text, plain);
    if (!scientific || !text.empty() ||
        (*scientific && (decorations.currency || decorations.percent))) {
        return std::nullopt;
    }
    ParsedNumber number;
    const auto result = std::from_chars(plain.data(), plain.data() + plain.size(), number.value);
    if (result.ec != std::errc() || result.ptr != plain.data() + plain.size()) {
        return std::nullopt; // beyond the range of a double
    }
    if (decorations.percent) {
        number.value /= 100;
    }
    if (decorations.negative) {
        number.value = -number.value;
    }
    number.percentSign = decorations.percent;
    number.formatId = formatIdFor(decorations, hasDecimals, *scientific, grouped);
    return number;
}

TypedValue textAsTyped(std::string_view typed)
{
    TypedValue value;
    value.text = typed;
    return value;
}

} // namespace

TypedValue interpretTyped(std::string_view typed, const InputLocale& locale,
                          numfmt::FormatCategory cellCategory)
{
    // A typed note that starts with "=" must never run as a formula in someone's spreadsheet.
    if (typed.starts_with('=') || !convertsTypedText(cellCategory)) {
        return textAsTyped(typed);
    }
    const std::string_view trimmed = trimBlanks(typed);
    TypedValue value;
    value.kind = TypedValue::Kind::Number;
    if (const std::optional<double> serial = detail::parseTypedDate(trimmed, locale.dateOrder)) {
        value.number = *serial;
        value.formatId = kFormatShortDate;
        return value;
    }
    if (const std::optional<ParsedNumber> number = parseTypedNumber(trimmed, locale)) {
        value.number = number->value;
        value.formatId = number->formatId;
        // Excel's automatic percent entry: in a percent cell "15" means 15 %, while 0.15 is
        // already a fraction and shows as 15 %.
        if (cellCategory == FormatCategory::Percent && !number->percentSign &&
            std::abs(value.number) >= 1) {
            value.number /= 100;
        }
        return value;
    }
    return textAsTyped(typed);
}

} // namespace spreadsheet::input
