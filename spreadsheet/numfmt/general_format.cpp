#include "spreadsheet/numfmt/decimal_number.h"
#include "spreadsheet/numfmt/number_format.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <optional>

namespace spreadsheet::numfmt {

namespace {

using detail::DecimalNumber;

// The number rounded to as many decimals as fit, or nullopt when its integer part does not
// fit or nothing but zeros would show.
std::optional<DecimalNumber> plainForm(const DecimalNumber& number, int room)
{
    DecimalNumber rounded = number;
    const int integerDigits = number.exponent() + 1;
    if (integerDigits > 0) {
        if (integerDigits > room) {
            return std::nullopt;
        }
        rounded.roundToDecimals(std::max(0, room - integerDigits - 1));
        if (rounded.pointPosition() > room) {
            return std::nullopt;
        }
    } else {
        const int decimals = std::max(0, room - 2); // "0." comes first
        rounded.roundToDecimals(decimals);
        if (rounded.isZero() && decimals > 0) {
            return std::nullopt;
        }
    }
    return rounded;
}

std::string plainText(const DecimalNumber& number)
{
    std::string text = number.integerDigits();
    if (text.empty()) {
        text = "0";
    }
    const int decimals = static_cast<int>(number.digits().size()) - number.pointPosition();
    if (decimals > 0) {
        text += '.';
        text += number.fractionDigits(decimals);
    }
    return text;
}

// d.dddE+XX: one digit before the point, at least two exponent digits.
DecimalNumber scientificForm(const DecimalNumber& number, int room)
{
    const int exponentDigits = std::abs(number.exponent()) >= 100 ? 3 : 2;
    DecimalNumber rounded = number;
    rounded.roundToSignificant(1 + std::max(0, room - 4 - exponentDigits));
    return rounded;
}

std::string scientificText(const DecimalNumber& number)
{
    const std::string& digits = number.digits();
    std::string text(1, digits.front());
    if (digits.size() > 1) {
        text += '.';
        text += digits.substr(1);
    }
    const int exponent = number.exponent();
    text += exponent < 0 ? "E-" : "E+";
    const std::string exponentText = std::to_string(std::abs(exponent));
    if (exponentText.size() < 2) {
        text += '0';
    }
    text += exponentText;
    return text;
}

} // namespace

std::string formatGeneral(double value, int maxChars)
{
    if (!std::isfinite(value)) {
        return "#NUM!";
    }
    // Whole numbers that fit are by far the most common: their digits as they are.
    constexpr std::array<double, 16> kPowersOfTen = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                     1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const double wholeLimit = kPowersOfTen[static_cast<size_t>(std::clamp(maxChars, 0, 15))];
    if (std::abs(value) < wholeLimit && value == std::trunc(value)) {
        std::array<char, 24> buffer{};
        const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(),
                                          static_cast<long long>(value));
        return std::string(buffer.data(), result.ptr);
    }
    const int room = std::max(maxChars, 1);
    const DecimalNumber number = DecimalNumber::fromDouble(std::abs(value));
    const std::optional<DecimalNumber> plain = plainForm(number, room);
    const DecimalNumber scientific = scientificForm(number, room);
    // Plain digits unless the number is so small that scientific notation shows more of it.
    const bool usePlain =
        plain && (number.exponent() >= 0 || plain->digits().size() >= scientific.digits().size());
    std::string text = value < 0 ? "-" : "";
    text += usePlain ? plainText(*plain) : scientificText(scientific);
    return text;
}

} // namespace spreadsheet::numfmt
