#include "workbook/input_locale.h"

namespace stowfolio {

namespace {

spreadsheet::input::DateOrder dateOrderOf(const QString& shortFormat)
{
    using spreadsheet::input::DateOrder;
    const qsizetype day = shortFormat.indexOf(QLatin1Char('d'));
    const qsizetype month = shortFormat.indexOf(QLatin1Char('M'));
    const qsizetype year = shortFormat.indexOf(QLatin1Char('y'));
    if (year >= 0 && year < month && year < day)
        return DateOrder::YearMonthDay;
    if (day >= 0 && month >= 0 && day < month)
        return DateOrder::DayMonthYear;
    return DateOrder::MonthDayYear;
}

} // namespace

spreadsheet::input::InputLocale inputLocaleOf(const QLocale& locale)
{
    spreadsheet::input::InputLocale result;
    // The untranslated "C" locale of a bare system writes English text with day-first dates
    // spelled out; typed dates there are read the way the spreadsheet's own defaults are.
    if (locale.language() == QLocale::C)
        return result;
    result.decimalSeparator = locale.decimalPoint().toStdString();
    result.groupSeparator = locale.groupSeparator().toStdString();
    const QString currency = locale.currencySymbol();
    if (!currency.isEmpty())
        result.currencySymbol = currency.toStdString();
    result.dateOrder = dateOrderOf(locale.dateFormat(QLocale::ShortFormat));
    return result;
}

} // namespace stowfolio
