#include "state/inventory_conventions.h"

#include "spreadsheet/numfmt/date_serial.h"
#include "state/inventory_store.h" // Item, ItemFieldText
#include "state/item_fields.h"
#include "state/item_values.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

#include <algorithm>
#include <cmath>

namespace stowfolio {

namespace {

// Days that show a date form's order: 4 March (day and month both below 13) and 25 December.
constexpr spreadsheet::numfmt::CivilDate kCheckDates[] = {{2021, 3, 4}, {2019, 12, 25}};

bool isMark(const QString& mark)
{
    return mark.size() == 1 && !mark[0].isDigit() && mark[0] != u'-' && mark[0] != u'+' &&
           mark[0] != u'%' && mark[0] != u'(' && mark[0] != u')';
}

QDate qDateOf(const spreadsheet::numfmt::CivilDate& date)
{
    return QDate(date.year, date.month, date.day);
}

// `text` with the marks of `from` made those of `to`, and its currency sign too when it is one
// only `from` reads ("$" reads everywhere).
QString remarked(const QString& text, const InventoryConventions& from,
                 const InventoryConventions& to)
{
    const auto marks = [&](const QString& part) {
        QString result;
        for (const QChar ch : part) {
            if (QString(ch) == from.decimalMark)
                result += to.decimalMark;
            else if (!from.groupMark.isEmpty() && QString(ch) == from.groupMark)
                result += to.groupMark;
            else
                result += ch;
        }
        return result;
    };
    const qsizetype sign =
        from.currencySign == QLatin1String("$") ? -1 : text.indexOf(from.currencySign);
    if (sign < 0)
        return marks(text);
    return marks(text.left(sign)) + to.currencySign +
           marks(text.mid(sign + from.currencySign.size()));
}

// A short date form reduced to its day, month and year in their order, between the first of
// "/", "." and "-" it holds ("d. M. yyyy." becomes "d.M.yyyy", "d.MM.yyyy 'г'." "d.MM.yyyy"),
// for a locale whose own form has letters or marks typed input does not read.
QString plainDatePattern(const QString& pattern)
{
    QStringList parts;
    QChar separator;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar ch = pattern[i];
        if (ch == u'\'') { // quoted text: skipped whole
            const qsizetype end = pattern.indexOf(u'\'', i + 1);
            i = end < 0 ? pattern.size() : end;
        } else if (ch == u'd' || ch == u'M' || ch == u'y') {
            qsizetype run = 1;
            while (i + run < pattern.size() && pattern[i + run] == ch)
                ++run;
            parts << pattern.mid(i, run);
            i += run - 1;
        } else if (separator.isNull() && (ch == u'/' || ch == u'.' || ch == u'-')) {
            separator = ch;
        }
    }
    return parts.join(separator.isNull() ? QChar(u'/') : separator);
}

} // namespace

spreadsheet::input::DateOrder InventoryConventions::dateOrder() const
{
    using spreadsheet::input::DateOrder;
    const qsizetype day = datePattern.indexOf(QLatin1Char('d'));
    const qsizetype month = datePattern.indexOf(QLatin1Char('M'));
    const qsizetype year = datePattern.indexOf(QLatin1Char('y'));
    if (year >= 0 && year < month && year < day)
        return DateOrder::YearMonthDay;
    if (day >= 0 && month >= 0 && day < month)
        return DateOrder::DayMonthYear;
    return DateOrder::MonthDayYear;
}

spreadsheet::input::InputLocale InventoryConventions::inputLocale() const
{
    spreadsheet::input::InputLocale locale;
    locale.decimalSeparator = decimalMark.toStdString();
    locale.groupSeparator = groupMark.toStdString();
    locale.currencySymbol = currencySign.toStdString();
    locale.dateOrder = dateOrder();
    return locale;
}

QString InventoryConventions::problem() const
{
    if (!isMark(decimalMark))
        return QStringLiteral("The decimal mark must be one character other than a digit.");
    if (!groupMark.isEmpty() && (!isMark(groupMark) || groupMark == decimalMark))
        return QStringLiteral("The grouping mark must be one character other than a digit and "
                              "the decimal mark, or none.");
    if (currencySign.trimmed().isEmpty() || currencySign.size() > 8 ||
        std::any_of(currencySign.begin(), currencySign.end(),
                    [](QChar ch) { return ch.isDigit() || ch.isSpace(); }))
        return QStringLiteral("The currency sign must be one to eight characters without digits "
                              "or blanks.");
    // The date form must write days that typed input reads back as the same days.
    if (!datePattern.contains(QLatin1String("yyyy")) || datePattern.size() > 32)
        return QStringLiteral("The date form must hold a four-digit year (yyyy).");
    for (const auto& date : kCheckDates) {
        const auto read = typedNumberOf(kDateField, dateText(qDateOf(date), *this), inputLocale());
        if (!read || *read != static_cast<double>(spreadsheet::numfmt::serialOfDate(date)))
            return QStringLiteral("The date form must write the day, the month and the year so "
                                  "that they read back as the same day.");
    }
    // And amounts read back as the same amounts, grouped or not.
    const QString grouped =
        QStringLiteral("1") + groupMark + QStringLiteral("234") + decimalMark + QStringLiteral("5");
    if (typedNumberOf(kPriceField, grouped, inputLocale()) != 1234.5 ||
        typedNumberOf(kPriceField, amountText(-0.25, *this), inputLocale()) != -0.25)
        return QStringLiteral("Amounts written with these marks do not read back as the same "
                              "amounts.");
    return {};
}

InventoryConventions conventionsOfLocale(const QLocale& locale)
{
    InventoryConventions conventions;
    if (locale.language() == QLocale::C)
        return conventions;
    conventions.decimalMark = locale.decimalPoint();
    conventions.groupMark = locale.groupSeparator();
    if (!locale.currencySymbol().isEmpty())
        conventions.currencySign = locale.currencySymbol();
    QString pattern = locale.dateFormat(QLocale::ShortFormat);
    if (!pattern.contains(QLatin1String("yyyy")))
        pattern.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    conventions.datePattern = pattern;
    // What typed input cannot read back is made plainer: the date form first (its order
    // kept), then the currency sign; failing that, the defaults.
    if (!conventions.problem().isEmpty())
        conventions.datePattern = plainDatePattern(pattern);
    if (!conventions.problem().isEmpty())
        conventions.currencySign = InventoryConventions{}.currencySign;
    if (!conventions.problem().isEmpty())
        return InventoryConventions{};
    return conventions;
}

QString encodedConventions(const InventoryConventions& conventions)
{
    const QJsonObject object{{QStringLiteral("decimal"), conventions.decimalMark},
                             {QStringLiteral("group"), conventions.groupMark},
                             {QStringLiteral("currency"), conventions.currencySign},
                             {QStringLiteral("date"), conventions.datePattern}};
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

std::optional<InventoryConventions> decodedConventions(const QString& text)
{
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8());
    if (!document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const auto value = [&](const char* key) { return object.value(QLatin1String(key)); };
    for (const char* key : {"decimal", "group", "currency", "date"})
        if (!value(key).isString())
            return std::nullopt;
    InventoryConventions conventions;
    conventions.decimalMark = value("decimal").toString();
    conventions.groupMark = value("group").toString();
    conventions.currencySign = value("currency").toString();
    conventions.datePattern = value("date").toString();
    if (!conventions.problem().isEmpty())
        return std::nullopt;
    return conventions;
}

QString dateText(const QDate& date, const InventoryConventions& conventions)
{
    // Digits and the pattern's own separators only; month names, if a pattern has them, in
    // English, which typed input reads whatever the order.
    return QLocale::c().toString(date, conventions.datePattern);
}

QString amountText(double amount, const InventoryConventions& conventions)
{
    return plainNumberText(amount, 'f', conventions);
}

QString plainNumberText(double number, char format, const InventoryConventions& conventions)
{
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::OmitGroupSeparator);
    QString text = c.toString(number, format, QLocale::FloatingPointShortest);
    text.replace(QLatin1Char('.'), conventions.decimalMark);
    return text;
}

std::optional<QString> convertedFieldText(int field, const QString& text,
                                          const InventoryConventions& from,
                                          const InventoryConventions& to)
{
    if (field < 0 || field >= kItemFieldCount)
        return std::nullopt;
    const FieldKind kind = kItemFields[static_cast<std::size_t>(field)].kind;
    if (kind == FieldKind::Text)
        return std::nullopt;
    const std::optional<double> value = typedNumberOf(field, text, from.inputLocale());
    if (!value)
        return std::nullopt;
    const spreadsheet::input::InputLocale target = to.inputLocale();
    const auto readsTheSame = [&](const QString& candidate) {
        return typedNumberOf(field, candidate, target) == value;
    };
    if (readsTheSame(text))
        return std::nullopt;
    if (kind == FieldKind::Date) {
        const double day = std::floor(*value);
        if (day < 1 || day > static_cast<double>(spreadsheet::numfmt::kLastSerial1900))
            return std::nullopt;
        const QDate date = qDateOf(spreadsheet::numfmt::dateOfSerial(static_cast<int64_t>(day)));
        const QString candidate = date.isValid() ? dateText(date, to) : QString();
        if (!candidate.isEmpty() && readsTheSame(candidate))
            return candidate;
        return std::nullopt;
    }
    for (const QString& candidate : {remarked(text, from, to), amountText(*value, to)})
        if (readsTheSame(candidate))
            return candidate;
    return std::nullopt;
}

std::vector<ItemFieldText> convertedTexts(const std::vector<Item>& items,
                                          const InventoryConventions& from,
                                          const InventoryConventions& to)
{
    std::vector<ItemFieldText> changes;
    if (from == to)
        return changes;
    for (const Item& item : items)
        for (int field = 0; field < kItemFieldCount; ++field)
            if (auto text = convertedFieldText(field, item.fields[static_cast<std::size_t>(field)],
                                               from, to))
                changes.push_back({item.id, static_cast<ItemField>(field), std::move(*text)});
    return changes;
}

} // namespace stowfolio
