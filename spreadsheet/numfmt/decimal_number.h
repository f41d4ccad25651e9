#pragma once

#include <string>

namespace spreadsheet::numfmt::detail {

// A non-negative number as decimal digits, cut to the 15 significant digits Excel keeps:
// value = 0.digits x 10^pointPosition. Rounding is done on these digits, half away from zero,
// so the binary error of a double (2.675 is 2.67499999...) never shows.
class DecimalNumber
{
public:
    static DecimalNumber fromDouble(double absValue);

    bool isZero() const { return m_digits.empty(); }
    // Significant digits without leading or trailing zeros; empty for zero.
    const std::string& digits() const { return m_digits; }
    // How many digits stand before the decimal point (negative for 0.00x).
    int pointPosition() const { return m_pointPosition; }
    // floor(log10(value)) for a non-zero value.
    int exponent() const { return m_pointPosition - 1; }

    void multiplyByPowerOfTen(int power);
    void roundToDecimals(int decimals);
    void roundToSignificant(int count);

    // The digits before the point without leading zeros: "" for values below 1.
    std::string integerDigits() const;
    // Exactly count digits after the point.
    std::string fractionDigits(int count) const;

private:
    void keepLeadingDigits(int count);

    std::string m_digits;
    int m_pointPosition = 0;
};

} // namespace spreadsheet::numfmt::detail
