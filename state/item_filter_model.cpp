#include "state/item_filter_model.h"

namespace stowfolio {

ItemFilterModel::ItemFilterModel(InventoryModel& items, QObject* parent)
    : QSortFilterProxyModel(parent), m_items(items)
{
    // Edits do not re-filter (see the header); rows added or read anew are filtered as they come.
    setDynamicSortFilter(false);
    setSourceModel(&items);
}

void ItemFilterModel::setFindText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    invalidateRowsFilter();
}

bool ItemFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const
{
    if (m_text.isEmpty() || sourceParent.isValid())
        return true;
    for (const QString& field : m_items.item(sourceRow).fields)
        if (field.contains(m_text, Qt::CaseInsensitive))
            return true;
    return false;
}

double ItemFilterModel::shownEstimatedTotal() const
{
    if (!isFiltering())
        return m_items.estimatedTotal();
    double total = 0;
    for (int row = 0; row < rowCount(); ++row)
        total += m_items.estimate(mapToSource(index(row, 0)).row()).value_or(0.0);
    return total;
}

} // namespace stowfolio
