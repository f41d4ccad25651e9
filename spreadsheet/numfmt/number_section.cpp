#include "spreadsheet/numfmt/decimal_number.h"
#include "spreadsheet/numfmt/section_render.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <tuple>

namespace spreadsheet::numfmt::detail {

namespace {

// The digits each placeholder role shows, worked out before the tokens are walked.
struct PlaceholderDigits
{
    std::string integer; // no leading zeros: "" for zero
    std::string decimals;
    int lastDecimalShown = -1;
    std::string exponent;
    bool exponentNegative = false;
    std::string numerator;
    std::string denominator;
    bool fractionHidden = false; // a whole number in a mixed fraction: no "0/1"
    bool showsNonZero = false;   // some digit other than 0 shows
};

// Right-aligned digits (integer part, numerator, exponent): the leftmost placeholder also
// takes every digit that has no placeholder of its own.
void appendRightAligned(std::string& out, const Token& token, int count, std::string_view digits,
                        bool grouping)
{
    const int length = static_cast<int>(digits.size());
    const int column = count - 1 - token.index;
    const int top = token.index == 0 ? std::max(length, count) - 1 : column;
    for (int j = top; j >= column; --j) {
        bool shown = true;
        if (j < length) {
            out.push_back(digits[static_cast<size_t>(length - 1 - j)]);
        } else if (token.text == "0") {
            out.push_back('0');
        } else if (token.text == "?") {
            out.push_back(' ');
            shown = false;
        } else {
            shown = false;
        }
        if (grouping && shown && j > 0 && j % 3 == 0) {
            out.push_back(',');
        }
    }
}

// Left-aligned digits (denominator): the last placeholder takes the digits left over.
void appendLeftAligned(std::string& out, const Token& token, int count, std::string_view digits)
{
    const auto index = static_cast<size_t>(token.index);
    if (index < digits.size()) {
        out += token.index == count - 1 ? digits.substr(index) : digits.substr(index, 1);
    } else if (token.kind == TokenKind::Literal || token.text == "0") {
        out.push_back('0');
    } else if (token.text == "?") {
        out.push_back(' ');
    }
}

void appendDecimal(std::string& out, const Token& token, const PlaceholderDigits& digits)
{
    if (token.index <= digits.lastDecimalShown) {
        out.push_back(digits.decimals[static_cast<size_t>(token.index)]);
    } else if (token.text == "?") {
        out.push_back(' ');
    }
}

int lastShownDecimal(const std::string& decimals, const std::string& placeholders)
{
    for (int i = static_cast<int>(decimals.size()) - 1; i >= 0; --i) {
        const auto at = static_cast<size_t>(i);
        if (decimals[at] != '0' || placeholders[at] == '0') {
            return i;
        }
    }
    return -1;
}

std::string integerText(double wholeNumber)
{
    return DecimalNumber::fromDouble(wholeNumber).integerDigits();
}

void fillPlainDigits(const Section& section, DecimalNumber number, PlaceholderDigits& digits)
{
    number.roundToDecimals(section.decimalDigits);
    digits.integer = number.integerDigits();
    digits.decimals = number.fractionDigits(section.decimalDigits);
    digits.showsNonZero = !number.isZero();
}

void fillScientificDigits(const Section& section, DecimalNumber number, PlaceholderDigits& digits)
{
    int exponent = 0;
    if (!number.isZero()) {
        const int integerPlaces = std::max(1, section.integerDigits);
        // "##0.0E+0" keeps the exponent a multiple of the integer places (engineering
        // notation); "00.0E+0" fills every integer place.
        const auto exponentFor = [&](int magnitude) {
            if (section.integerHasHash && integerPlaces > 1) {
                const int remainder = ((magnitude % integerPlaces) + integerPlaces) % integerPlaces;
                return magnitude - remainder;
            }
            return magnitude - (integerPlaces - 1);
        };
        int magnitude = number.exponent();
        exponent = exponentFor(magnitude);
        DecimalNumber mantissa = number;
        mantissa.multiplyByPowerOfTen(-exponent);
        mantissa.roundToDecimals(section.decimalDigits);
        if (mantissa.pointPosition() > magnitude - exponent + 1) {
            // Rounding carried into a new digit (9.99 -> 10.0): one power of ten more.
            exponent = exponentFor(++magnitude);
            mantissa = number;
            mantissa.multiplyByPowerOfTen(-exponent);
            mantissa.roundToDecimals(section.decimalDigits);
        }
        number = mantissa;
    }
    digits.integer = number.integerDigits();
    digits.decimals = number.fractionDigits(section.decimalDigits);
    digits.exponent = std::to_string(std::abs(exponent));
    digits.exponentNegative = exponent < 0;
    digits.showsNonZero = !number.isZero();
}

// The closest fraction with a denominator up to maxDenominator: the last convergent of the
// continued fraction within the bound, or the semiconvergent after it when that is closer.
std::pair<double, double> closestFraction(double value, double maxDenominator)
{
    double p0 = 0, q0 = 1, p1 = 1, q1 = 0;
    double rest = value;
    for (int step = 0; step < 64; ++step) {
        const double whole = std::floor(rest);
        const double q2 = q0 + whole * q1;
        if (q2 > maxDenominator) {
            break;
        }
        const double p2 = p0 + whole * p1;
        p0 = p1, q0 = q1, p1 = p2, q1 = q2;
        if (rest - whole < 1e-10) {
            break;
        }
        rest = 1 / (rest - whole);
    }
    const double k = std::floor((maxDenominator - q0) / q1);
    const double pSemi = p0 + k * p1;
    const double qSemi = q0 + k * q1;
    if (qSemi >= 1 && std::abs(pSemi / qSemi - value) < std::abs(p1 / q1 - value)) {
        return {pSemi, qSemi};
    }
    return {p1, q1};
}

void fillFractionDigits(const Section& section, double magnitude, PlaceholderDigits& digits)
{
    const bool mixed = section.integerDigits > 0;
    double whole = mixed ? std::floor(magnitude) : 0;
    const double part = magnitude - whole;
    double numerator = 0;
    double denominator = 1;
    if (section.fixedDenominator > 0) {
        denominator = section.fixedDenominator;
        numerator = std::round(part * denominator);
    } else {
        const int places = std::clamp(section.denominatorDigits, 1, 7);
        std::tie(numerator, denominator) = closestFraction(part, std::pow(10.0, places) - 1);
    }
    if (mixed && numerator >= denominator) {
        whole += 1;
        numerator = 0;
    }
    digits.fractionHidden = mixed && numerator == 0;
    digits.integer = digits.fractionHidden && whole == 0 ? "0" : integerText(whole);
    digits.numerator = numerator == 0 && !mixed ? "0" : integerText(numerator);
    digits.denominator = integerText(denominator);
    digits.showsNonZero = whole != 0 || numerator != 0;
}

void appendDigitToken(const Section& section, const Token& token, const PlaceholderDigits& digits,
                      std::string& out)
{
    switch (token.role) {
    case DigitRole::Integer:
        appendRightAligned(out, token, section.integerDigits, digits.integer, section.grouping);
        break;
    case DigitRole::Decimal:
        appendDecimal(out, token, digits);
        break;
    case DigitRole::Exponent:
        appendRightAligned(out, token, section.exponentDigits, digits.exponent, false);
        break;
    case DigitRole::Numerator:
        if (digits.fractionHidden) {
            out.push_back(' ');
        } else {
            appendRightAligned(out, token, section.numeratorDigits, digits.numerator, false);
        }
        break;
    case DigitRole::Denominator:
        if (digits.fractionHidden) {
            out.push_back(' ');
        } else {
            appendLeftAligned(out, token, section.denominatorDigits, digits.denominator);
        }
        break;
    case DigitRole::None:
        break;
    }
}

} // namespace

bool renderNumberSection(const Section& section, double magnitude, FormattedText& out)
{
    PlaceholderDigits digits;
    DecimalNumber number = DecimalNumber::fromDouble(magnitude);
    number.multiplyByPowerOfTen(section.powerOfTen);
    switch (section.kind) {
    case SectionKind::Number:
        fillPlainDigits(section, number, digits);
        break;
    case SectionKind::Scientific:
        fillScientificDigits(section, number, digits);
        break;
    case SectionKind::Fraction:
        fillFractionDigits(section, magnitude * std::pow(10.0, section.powerOfTen), digits);
        break;
    default:
        break;
    }
    digits.showsNonZero = digits.showsNonZero || (section.hasGeneral && magnitude != 0);
    digits.lastDecimalShown = lastShownDecimal(digits.decimals, section.decimalPlaceholders);

    for (const Token& token : section.tokens) {
        if (token.role != DigitRole::None) {
            appendDigitToken(section, token, digits, out.text);
            continue;
        }
        switch (token.kind) {
        case TokenKind::DecimalPoint:
            out.text.push_back('.');
            break;
        case TokenKind::Exponent:
            out.text.push_back(token.text.front());
            if (digits.exponentNegative) {
                out.text.push_back('-');
            } else if (token.text[1] == '+') {
                out.text.push_back('+');
            }
            break;
        case TokenKind::FractionSlash:
            out.text.push_back(digits.fractionHidden ? ' ' : '/');
            break;
        case TokenKind::General:
            out.text += formatGeneral(magnitude);
            break;
        default:
            appendLayoutToken(token, out);
            break;
        }
    }
    return digits.showsNonZero;
}

} // namespace spreadsheet::numfmt::detail
