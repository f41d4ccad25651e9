#include "spreadsheet/numfmt/decimal_number.h"

#include <array>
#include <charconv>

namespace spreadsheet::numfmt::detail {

namespace {

constexpr int kSignificantDigits = 15;

void stripTrailingZeros(std::string& digits)
{
    while (!digits.empty() && digits.back() == '0') {
        digits.pop_back();
    }
}

} // namespace

DecimalNumber DecimalNumber::fromDouble(double absValue)
{
    DecimalNumber number;
    if (!(absValue > 0)) {
        return number;
    }
    // "d.dddddddddddddde+XX": one digit, the point, 14 digits, the exponent.
    std::array<char, 40> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), absValue,
                                      std::chars_format::scientific, kSignificantDigits - 1);
    const std::string_view text(buffer.data(), static_cast<size_t>(result.ptr - buffer.data()));
    const size_t exponentAt = text.find('e');
    if (exponentAt == std::string_view::npos) {
        return number;
    }
    for (const char c : text.substr(0, exponentAt)) {
        if (c != '.') {
            number.m_digits.push_back(c);
        }
    }
    int exponent = 0;
    const std::string_view exponentText = text.substr(exponentAt + 1);
    const char* begin = exponentText.data() + (exponentText.front() == '+' ? 1 : 0);
    std::from_chars(begin, exponentText.data() + exponentText.size(), exponent);
    number.m_pointPosition = exponent + 1;
    stripTrailingZeros(number.m_digits);
    return number;
}

void DecimalNumber::multiplyByPowerOfTen(int power)
{
    if (!isZero()) {
        m_pointPosition += power;
    }
}

void DecimalNumber::roundToDecimals(int decimals)
{
    keepLeadingDigits(m_pointPosition + decimals);
}

void DecimalNumber::roundToSignificant(int count)
{
    keepLeadingDigits(count);
}

void DecimalNumber::keepLeadingDigits(int count)
{
    if (isZero() || count >= static_cast<int>(m_digits.size())) {
        return;
    }
    if (count < 0) {
        m_digits.clear();
        return;
    }
    const bool roundUp = m_digits[static_cast<size_t>(count)] >= '5';
    m_digits.resize(static_cast<size_t>(count));
    if (roundUp) {
        int i = count - 1;
        while (i >= 0 && m_digits[static_cast<size_t>(i)] == '9') {
            m_digits[static_cast<size_t>(i)] = '0';
            --i;
        }
        if (i >= 0) {
            ++m_digits[static_cast<size_t>(i)];
        } else {
            // 0.999 -> 1.000: one more digit in front of the point.
            m_digits.insert(m_digits.begin(), '1');
            ++m_pointPosition;
        }
    }
    stripTrailingZeros(m_digits);
    if (m_digits.empty()) {
        m_pointPosition = 0;
    }
}

std::string DecimalNumber::integerDigits() const
{
    if (isZero() || m_pointPosition <= 0) {
        return {};
    }
    const auto count = static_cast<size_t>(m_pointPosition);
    std::string result = m_digits.substr(0, count);
    result.resize(count, '0');
    return result;
}

std::string DecimalNumber::fractionDigits(int count) const
{
    std::string result;
    result.reserve(static_cast<size_t>(count > 0 ? count : 0));
    for (int i = 0; i < count; ++i) {
        const int index = m_pointPosition + i;
        const bool inDigits = index >= 0 && index < static_cast<int>(m_digits.size());
        result.push_back(inDigits ? m_digits[static_cast<size_t>(index)] : '0');
    }
    return result;
}

} // namespace spreadsheet::numfmt::detail
