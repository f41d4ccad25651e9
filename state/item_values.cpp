#include "state/item_values.h"

#include "state/item_fields.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <variant>

namespace stowfolio {

namespace {

using spreadsheet::numfmt::FormatCategory;

// The number format of each field's cells in the template: the purchase date's short date,
// and currency for price, condition and estimated value; the other cells are General and keep
// what is typed as text.
FormatCategory categoryOf(int field)
{
    if (field < 0 || field >= kItemFieldCount)
        return FormatCategory::General;
    switch (kItemFields[static_cast<std::size_t>(field)].kind) {
    case FieldKind::Date:
        return FormatCategory::Date;
    case FieldKind::Amount:
        return FormatCategory::Currency;
    case FieldKind::Text:
        break;
    }
    return FormatCategory::General;
}

// What a field sorts by: its number, its collation key, or nothing (empty).
using SortKey = std::variant<double, QCollatorSortKey, std::monostate>;

} // namespace

std::optional<double> typedNumberOf(int field, const QString& text,
                                    const spreadsheet::input::InputLocale& locale)
{
    const FormatCategory category = categoryOf(field);
    if (category == FormatCategory::General || text.isEmpty())
        return std::nullopt;
    const auto typed = spreadsheet::input::interpretTyped(text.toStdString(), locale, category);
    if (typed.kind != spreadsheet::input::TypedValue::Kind::Number)
        return std::nullopt;
    return typed.number;
}

std::vector<int> sortedOrder(int field, const std::vector<QString>& texts, SortDirection direction,
                             const spreadsheet::input::InputLocale& locale,
                             const QCollator& collator)
{
    std::vector<SortKey> keys;
    keys.reserve(texts.size());
    for (const QString& text : texts) {
        if (text.isEmpty())
            keys.emplace_back(std::monostate{});
        else if (const auto number = typedNumberOf(field, text, locale))
            keys.emplace_back(*number);
        else
            keys.emplace_back(collator.sortKey(text));
    }
    const bool descending = direction == SortDirection::Descending;
    // Numbers, texts, empties; descending puts texts before numbers, empties stay last.
    const auto groupOf = [descending](const SortKey& key) {
        if (std::holds_alternative<std::monostate>(key))
            return 2;
        return (std::holds_alternative<double>(key) ? 0 : 1) ^ (descending ? 1 : 0);
    };
    const auto before = [&](int a, int b) {
        const SortKey& left = keys[static_cast<size_t>(a)];
        const SortKey& right = keys[static_cast<size_t>(b)];
        const int leftGroup = groupOf(left);
        const int rightGroup = groupOf(right);
        if (leftGroup != rightGroup)
            return leftGroup < rightGroup;
        if (const auto* x = std::get_if<double>(&left)) {
            const double y = std::get<double>(right);
            return descending ? *x > y : *x < y;
        }
        if (const auto* x = std::get_if<QCollatorSortKey>(&left)) {
            const int order = x->compare(std::get<QCollatorSortKey>(right));
            return descending ? order > 0 : order < 0;
        }
        return false;
    };
    std::vector<int> order(texts.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), before);
    return order;
}

QString moneyText(double amount)
{
    // The workbook's own money format, whatever the desktop's language.
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    return (amount < 0 ? QStringLiteral("-$") : QStringLiteral("$")) +
           english.toString(std::abs(amount), 'f', 2);
}

std::vector<std::pair<int, int>> blockMoveSwaps(const std::vector<int>& shown,
                                                const std::vector<int>& selected, int offset)
{
    std::vector<bool> isSelected(shown.size());
    for (std::size_t i = 0; i < shown.size(); ++i)
        isSelected[i] = std::binary_search(selected.begin(), selected.end(), shown[i]);
    std::vector<std::pair<int, int>> swaps;
    const auto trade = [&](std::size_t from, std::size_t to) {
        if (isSelected[from] && !isSelected[to]) {
            swaps.emplace_back(std::min(shown[to], shown[from]), std::max(shown[to], shown[from]));
            isSelected[to] = true;
            isSelected[from] = false;
        }
    };
    if (offset < 0) {
        for (std::size_t i = 1; i < shown.size(); ++i)
            trade(i, i - 1);
    } else {
        for (std::size_t i = shown.size(); i-- > 1;)
            trade(i - 1, i);
    }
    return swaps;
}

QString inventorySummary(int itemCount, double estimatedTotal)
{
    return QStringLiteral("%1 %2 · estimated total %3")
        .arg(QLocale().toString(itemCount),
             itemCount == 1 ? QStringLiteral("item") : QStringLiteral("items"),
             moneyText(estimatedTotal));
}

} // namespace stowfolio
