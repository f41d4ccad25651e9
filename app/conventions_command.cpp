#include "app/conventions_command.h"

#include <QDate>

#include <map>

namespace stowfolio {

namespace {

struct MarkOption
{
    const char16_t* mark;
    const char* name;
};

// The marks people group thousands and set decimals apart with; "none" groups nothing.
constexpr MarkOption kMarks[] = {
    {u".", "point"},
    {u",", "comma"},
    {u" ", "blank"},
    {u"\u00A0", "fixed blank"},
    {u"\u202F", "narrow fixed blank"},
    {u"'", "apostrophe"},
};

constexpr const char16_t* kCurrencySigns[] = {u"$", u"€", u"£", u"¥", u"CHF", u"kr", u"zł"};

constexpr const char* kDatePatterns[] = {"M/d/yyyy",   "MM/dd/yyyy", "d/M/yyyy",   "dd/MM/yyyy",
                                         "dd.MM.yyyy", "d.M.yyyy",   "dd-MM-yyyy", "yyyy-MM-dd",
                                         "yyyy/MM/dd", "yyyy.MM.dd"};

// The options of one choice and what each stands for; the current value comes first among them
// when it is none of the usual ones, so choosing never loses it.
struct Options
{
    QStringList labels;
    QStringList values;
    int current = 0;

    void add(const QString& value, const QString& label)
    {
        if (values.contains(value))
            return;
        values << value;
        labels << label;
    }
    void choose(const QString& value) { current = std::max(0, int(values.indexOf(value))); }
};

QString markLabel(const QString& mark)
{
    for (const MarkOption& option : kMarks)
        if (mark == QString::fromUtf16(option.mark))
            return QStringLiteral("%1 (%2)")
                .arg(mark.trimmed().isEmpty() ? QString() : mark, QLatin1String(option.name))
                .trimmed();
    return mark;
}

Options decimalOptions(const InventoryConventions& current)
{
    Options options;
    options.add(current.decimalMark, markLabel(current.decimalMark));
    options.add(QStringLiteral("."), markLabel(QStringLiteral(".")));
    options.add(QStringLiteral(","), markLabel(QStringLiteral(",")));
    options.choose(current.decimalMark);
    return options;
}

Options groupOptions(const InventoryConventions& current)
{
    Options options;
    options.add(current.groupMark, current.groupMark.isEmpty() ? QStringLiteral("none")
                                                               : markLabel(current.groupMark));
    for (const MarkOption& option : kMarks)
        options.add(QString::fromUtf16(option.mark), markLabel(QString::fromUtf16(option.mark)));
    options.add(QString(), QStringLiteral("none"));
    options.choose(current.groupMark);
    return options;
}

Options currencyOptions(const InventoryConventions& current)
{
    Options options;
    options.add(current.currencySign, current.currencySign);
    for (const char16_t* sign : kCurrencySigns)
        options.add(QString::fromUtf16(sign), QString::fromUtf16(sign));
    options.choose(current.currencySign);
    return options;
}

Options dateOptions(const InventoryConventions& current)
{
    Options options;
    // Each form with the day it makes of 25 December 2019.
    const auto label = [](const QString& pattern) {
        InventoryConventions example;
        example.datePattern = pattern;
        return QStringLiteral("%1 (%2)").arg(dateText(QDate(2019, 12, 25), example), pattern);
    };
    options.add(current.datePattern, label(current.datePattern));
    for (const char* pattern : kDatePatterns)
        options.add(QLatin1String(pattern), label(QLatin1String(pattern)));
    options.choose(current.datePattern);
    return options;
}

} // namespace

QList<PromptChoice> conventionChoices(const InventoryConventions& current)
{
    QList<PromptChoice> choices;
    const auto add = [&](const QString& label, const Options& options) {
        choices << PromptChoice{label, options.labels, options.current};
    };
    add(QStringLiteral("&Decimal mark:"), decimalOptions(current));
    add(QStringLiteral("&Grouping mark:"), groupOptions(current));
    add(QStringLiteral("&Currency sign:"), currencyOptions(current));
    add(QStringLiteral("Date &form:"), dateOptions(current));
    return choices;
}

std::optional<InventoryConventions> chosenConventions(const InventoryConventions& current,
                                                      const QList<int>& chosen, QString& problem)
{
    const Options options[] = {decimalOptions(current), groupOptions(current),
                               currencyOptions(current), dateOptions(current)};
    if (chosen.size() != static_cast<qsizetype>(std::size(options))) {
        problem = QStringLiteral("The choice is incomplete.");
        return std::nullopt;
    }
    QStringList values;
    for (std::size_t i = 0; i < std::size(options); ++i) {
        const int index = chosen[static_cast<qsizetype>(i)];
        if (index < 0 || index >= options[i].values.size()) {
            problem = QStringLiteral("The choice is incomplete.");
            return std::nullopt;
        }
        values << options[i].values[index];
    }
    InventoryConventions conventions;
    conventions.decimalMark = values[0];
    conventions.groupMark = values[1];
    conventions.currencySign = values[2];
    conventions.datePattern = values[3];
    problem = conventions.problem();
    if (!problem.isEmpty())
        return std::nullopt;
    return conventions;
}

SetConventionsCommand::SetConventionsCommand(ItemListEditing& list, InventoryConventions before,
                                             InventoryConventions after,
                                             std::vector<ItemFieldText> original,
                                             std::vector<ItemFieldText> rewritten)
    : QUndoCommand(QStringLiteral("Dates and Amounts")), m_list(list), m_before(std::move(before)),
      m_after(std::move(after)), m_original(std::move(original)), m_rewritten(std::move(rewritten))
{
}

std::vector<ItemFieldText>
SetConventionsCommand::textsFor(const InventoryConventions& from, const InventoryConventions& to,
                                const std::vector<ItemFieldText>& fromTexts,
                                const std::vector<ItemFieldText>& toTexts) const
{
    std::map<std::pair<ItemId, int>, std::pair<const QString*, const QString*>> recorded;
    for (std::size_t i = 0; i < fromTexts.size() && i < toTexts.size(); ++i)
        recorded[{fromTexts[i].id, fromTexts[i].field}] = {&fromTexts[i].text, &toTexts[i].text};
    std::vector<ItemFieldText> texts;
    for (const Item& item : m_list.listedItems())
        for (int field = 0; field < kItemFieldCount; ++field) {
            const QString& current = item.fields[static_cast<std::size_t>(field)];
            const auto found = recorded.find({item.id, field});
            if (found != recorded.end() && *found->second.first == current)
                texts.push_back({item.id, static_cast<ItemField>(field), *found->second.second});
            else if (auto converted = convertedFieldText(field, current, from, to))
                texts.push_back({item.id, static_cast<ItemField>(field), std::move(*converted)});
        }
    return texts;
}

void SetConventionsCommand::redo()
{
    if (!m_list.setConventions(m_after, textsFor(m_before, m_after, m_original, m_rewritten)))
        setObsolete(true);
}

void SetConventionsCommand::undo()
{
    if (!m_list.setConventions(m_before, textsFor(m_after, m_before, m_rewritten, m_original)))
        setObsolete(true);
}

} // namespace stowfolio
