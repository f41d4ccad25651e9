#include "state/imported_values.h"

#include "state/item_fields.h"
#include "state/item_values.h"

#include <QRegularExpression>

#include <algorithm>
#include <array>

namespace stowfolio {

namespace {

// ISO codes written beside amounts instead of a sign; the signs themselves ("€", "$", "£") are
// known by their Unicode category.
constexpr std::array kCurrencyCodes = {"EUR", "USD", "GBP", "CHF", "CAD", "AUD", "NZD",
                                       "JPY", "CNY", "SEK", "NOK", "DKK", "PLN", "CZK",
                                       "HUF", "INR", "BRL", "ZAR", "MXN"};

// An amount taken apart: its sign, its digits and marks, and the currency written with it.
struct AmountParts
{
    bool negative = false;
    QString body;     // digits, "," and "." only
    QString currency; // "€", "EUR", "$"; empty when none was written
};

std::optional<AmountParts> amountParts(const QString& text)
{
    AmountParts parts;
    QString rest = text.trimmed();
    // A code before or after the number, with or without a space.
    for (const char* code : kCurrencyCodes) {
        const QLatin1String name(code);
        if (rest.startsWith(name, Qt::CaseInsensitive)) {
            parts.currency = name;
            rest.remove(0, name.size());
            break;
        }
        if (rest.endsWith(name, Qt::CaseInsensitive)) {
            parts.currency = name;
            rest.chop(name.size());
            break;
        }
    }
    QString kept;
    bool parenthesised = false;
    for (qsizetype i = 0; i < rest.size(); ++i) {
        const QChar ch = rest[i];
        if (ch.category() == QChar::Symbol_Currency) {
            if (!parts.currency.isEmpty() && parts.currency != QString(ch))
                return std::nullopt; // two currencies: not one amount
            parts.currency = QString(ch);
        } else if (ch.isSpace() || ch == u'\'' || ch == u'\u2019') {
            // Blanks and apostrophes group thousands ("1 299,00", "1'299.00"), or stand beside
            // the currency.
        } else if ((ch == u'-' || ch == u'+') && kept.isEmpty() && !parts.negative) {
            parts.negative = ch == u'-';
        } else if (ch == u'-' && i == rest.size() - 1 && !kept.isEmpty()) {
            parts.negative = true; // "50-", as some accounting programs write
        } else if (ch == u'(' && kept.isEmpty() && !parenthesised) {
            parenthesised = true;
        } else if (ch == u')' && parenthesised && i == rest.size() - 1) {
            parts.negative = true;
            parenthesised = false;
        } else if (ch.isDigit() && ch.unicode() < 0x80) {
            kept += ch;
        } else if (ch == u',' || ch == u'.') {
            kept += ch;
        } else {
            return std::nullopt;
        }
    }
    if (parenthesised ||
        !std::any_of(kept.begin(), kept.end(), [](QChar c) { return c.isDigit(); }))
        return std::nullopt;
    parts.body = kept;
    return parts;
}

// The decimal mark an amount's marks show: "," in "1.299,00" and "89,90", "." in "1,299.00"
// and "1,299,000"; nullopt when they do not tell ("1,299", "50").
std::optional<QChar> decimalMarkShown(const QString& body)
{
    const qsizetype commas = body.count(u',');
    const qsizetype points = body.count(u'.');
    if (commas > 0 && points > 0)
        return body[std::max(body.lastIndexOf(u','), body.lastIndexOf(u'.'))];
    if (commas + points == 0)
        return std::nullopt;
    const QChar mark = commas > 0 ? QChar(u',') : QChar(u'.');
    // The same mark twice groups thousands, so the other is the decimal mark.
    if (commas + points > 1)
        return mark == u',' ? QChar(u'.') : QChar(u',');
    // One mark before exactly three digits may group them or be a decimal mark.
    if (body.size() - body.indexOf(mark) - 1 == 3)
        return std::nullopt;
    return mark;
}

// The amount's digits as "1299" and "00", read with `decimal` as its decimal mark; nullopt
// when its marks are not where that reading puts them ("12,34.5" with "." as decimal mark).
std::optional<std::pair<QString, QString>> amountDigits(const QString& body, QChar decimal)
{
    const QChar group = decimal == u',' ? QChar(u'.') : QChar(u',');
    const qsizetype decimalAt = body.indexOf(decimal);
    if (decimalAt >= 0 && body.indexOf(decimal, decimalAt + 1) >= 0)
        return std::nullopt;
    const QString whole = decimalAt >= 0 ? body.left(decimalAt) : body;
    const QString fraction = decimalAt >= 0 ? body.mid(decimalAt + 1) : QString();
    if (fraction.contains(group))
        return std::nullopt;
    const QStringList groups = whole.split(group);
    for (qsizetype g = 0; g < groups.size(); ++g) {
        const qsizetype length = groups[g].size();
        // Groups after the first hold three digits; the first holds one to three.
        if (groups.size() > 1 && (g == 0 ? length < 1 || length > 3 : length != 3))
            return std::nullopt;
    }
    QString digits = groups.join(QString());
    if (digits.isEmpty())
        digits = QStringLiteral("0");
    return std::make_pair(digits, fraction);
}

enum class DayOrder
{
    Unknown,
    DayFirst,
    MonthFirst,
};

// "25/12/2019", "3.4.19", "12-03-2020": two numbers of one or two digits and a year.
const QRegularExpression& numericDatePattern()
{
    static const QRegularExpression pattern(
        QStringLiteral("^(\\d{1,2})([/.-])(\\d{1,2})\\2(\\d{4}|\\d{2})$"));
    return pattern;
}

// Two-digit years as typed input reads them: 00-29 are 2000-2029, 30-99 are 1930-1999.
int fullYear(int year, qsizetype digits)
{
    if (digits != 2)
        return year;
    return year < 30 ? 2000 + year : 1900 + year;
}

// The amount fields whose values are added up, with the words for them in the preview.
struct AmountField
{
    int field;
    const char* one;
    const char* many;
};
constexpr std::array kAddedUpFields = {
    AmountField{kPriceField, "price is not an amount", "prices are not amounts"},
    AmountField{kEstimatedValueField, "estimated value is not an amount",
                "estimated values are not amounts"},
};

} // namespace

std::optional<QDate> dateOfIsoTime(const QString& text)
{
    static const QRegularExpression pattern(
        QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})[T "
                       "]\\d{2}:\\d{2}(:\\d{2}(\\.\\d+)?)?(Z|[+-]\\d{2}(:?\\d{2})?)?$"));
    const QRegularExpressionMatch match = pattern.match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    const QDate date(match.captured(1).toInt(), match.captured(2).toInt(),
                     match.captured(3).toInt());
    if (!date.isValid())
        return std::nullopt;
    return date;
}

ImportedValueNotes readImportedValues(QList<QStringList>& items,
                                      const InventoryConventions& conventions)
{
    ImportedValueNotes notes;
    const QString localeDecimal = conventions.decimalMark;
    const QString localeGroup = conventions.groupMark;

    // The file's decimal mark, when its amounts agree on one.
    bool commaShown = false;
    bool pointShown = false;
    for (const QStringList& item : items)
        for (const int field : {kPriceField, kConditionField, kEstimatedValueField})
            if (const auto parts = amountParts(item.value(field)))
                if (const auto mark = decimalMarkShown(parts->body))
                    (*mark == u',' ? commaShown : pointShown) = true;
    const QChar fileDecimal = commaShown != pointShown ? (commaShown ? QChar(u',') : QChar(u'.'))
                              : localeDecimal == QLatin1String(",") ? QChar(u',')
                                                                    : QChar(u'.');

    // The file's order of day and month, when a day above 12 shows it.
    bool dayFirstShown = false;
    bool monthFirstShown = false;
    bool undecided = false;
    QString undecidedExample;
    for (const QStringList& item : items) {
        const QRegularExpressionMatch match =
            numericDatePattern().match(item.value(kDateField).trimmed());
        if (!match.hasMatch())
            continue;
        const int first = match.captured(1).toInt();
        const int second = match.captured(3).toInt();
        if (first > 12 && second <= 12)
            dayFirstShown = true;
        else if (second > 12 && first <= 12)
            monthFirstShown = true;
        else if (first != second && !undecided) {
            undecided = true;
            undecidedExample = match.captured(0);
        }
    }
    const DayOrder order = dayFirstShown == monthFirstShown ? DayOrder::Unknown
                           : dayFirstShown                  ? DayOrder::DayFirst
                                                            : DayOrder::MonthFirst;

    std::array<int, kAddedUpFields.size()> notAmounts{};
    int convertedAmounts = 0;
    int convertedDates = 0;
    for (QStringList& item : items) {
        for (const int field : {kPriceField, kConditionField, kEstimatedValueField}) {
            const QString text = item.value(field);
            if (text.trimmed().isEmpty())
                continue;
            const auto parts = amountParts(text);
            const QChar decimal =
                parts ? decimalMarkShown(parts->body).value_or(fileDecimal) : fileDecimal;
            const auto digits = parts ? amountDigits(parts->body, decimal) : std::nullopt;
            if (!digits) {
                for (std::size_t f = 0; f < kAddedUpFields.size(); ++f)
                    if (kAddedUpFields[f].field == field)
                        ++notAmounts[f];
                continue;
            }
            // Kept as written when the inventory reads it so: its decimal and grouping marks are
            // the inventory's, and its currency, if any, one typed input knows.
            const QChar group = decimal == u',' ? QChar(u'.') : QChar(u',');
            const bool marksRead = parts->body.indexOf(decimal) < 0 || decimal == localeDecimal;
            const bool groupsRead = !parts->body.contains(group) || localeGroup == QString(group);
            const bool currencyRead = parts->currency.isEmpty() ||
                                      parts->currency == QLatin1String("$") ||
                                      parts->currency == conventions.currencySign;
            if (marksRead && groupsRead && currencyRead)
                continue;
            QString number = parts->negative ? QStringLiteral("-") : QString();
            number += digits->first;
            if (!digits->second.isEmpty())
                number += localeDecimal + digits->second;
            item[field] = number;
            ++convertedAmounts;
        }

        QString& date = item[kDateField];
        if (const auto isoDate = dateOfIsoTime(date)) {
            date = dateText(*isoDate, conventions);
            ++convertedDates;
            continue;
        }
        if (order == DayOrder::Unknown)
            continue;
        const QRegularExpressionMatch match = numericDatePattern().match(date.trimmed());
        if (!match.hasMatch())
            continue;
        const int first = match.captured(1).toInt();
        const int second = match.captured(3).toInt();
        const QDate parsed(fullYear(match.captured(4).toInt(), match.captured(4).size()),
                           order == DayOrder::DayFirst ? second : first,
                           order == DayOrder::DayFirst ? first : second);
        if (!parsed.isValid())
            continue;
        date = dateText(parsed, conventions);
        ++convertedDates;
    }

    if (convertedAmounts > 0)
        notes.lines << QStringLiteral("%1 %2 read with \"%3\" as the decimal mark%4 and kept as "
                                      "plain numbers.")
                           .arg(QString::number(convertedAmounts),
                                convertedAmounts == 1 ? QStringLiteral("amount was")
                                                      : QStringLiteral("amounts were"),
                                QString(fileDecimal),
                                commaShown && pointShown
                                    ? QStringLiteral(" where they do not show theirs")
                                    : QString());
    if (order != DayOrder::Unknown && convertedDates > 0)
        notes.lines << QStringLiteral("The dates put the %1 first, as a day above 12 shows.")
                           .arg(order == DayOrder::DayFirst ? QStringLiteral("day")
                                                            : QStringLiteral("month"));
    if (order == DayOrder::Unknown && (undecided || (dayFirstShown && monthFirstShown)))
        notes.lines << QStringLiteral("The dates do not show whether the day or the month comes "
                                      "first%1; they are read as the inventory's dates (%2) "
                                      "read them.")
                           .arg(dayFirstShown && monthFirstShown
                                    ? QStringLiteral(" (some put the day first, others the month)")
                                    : QStringLiteral(" (as in %1)").arg(undecidedExample),
                                conventions.datePattern);
    for (std::size_t f = 0; f < kAddedUpFields.size(); ++f)
        if (notAmounts[f] > 0)
            notes.lines << QStringLiteral("%1 %2 and will not be added up.")
                               .arg(notAmounts[f])
                               .arg(QLatin1String(notAmounts[f] == 1 ? kAddedUpFields[f].one
                                                                     : kAddedUpFields[f].many));
    return notes;
}

} // namespace stowfolio
