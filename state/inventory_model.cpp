#include "state/inventory_model.h"

#include "state/item_values.h"

#include <algorithm>
#include <exception>
#include <unordered_map>
#include <unordered_set>

namespace stowfolio {

InventoryModel::InventoryModel(InventoryStore& store, spreadsheet::input::InputLocale locale,
                               QObject* parent)
    : QAbstractTableModel(parent), m_store(store), m_locale(std::move(locale))
{
}

int InventoryModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_items.size());
}

int InventoryModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kItemFieldCount;
}

QVariant InventoryModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= kItemFieldCount)
        return {};
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    return item(index.row()).fields[static_cast<std::size_t>(index.column())];
}

QVariant InventoryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= kItemFieldCount)
        return {};
    return fieldText(kItemFields[static_cast<std::size_t>(section)].listHeader);
}

Qt::ItemFlags InventoryModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

int InventoryModel::rowOf(ItemId id) const
{
    const auto found = std::find(m_ids.begin(), m_ids.end(), id);
    return found == m_ids.end() ? -1 : static_cast<int>(found - m_ids.begin());
}

void InventoryModel::reload()
{
    std::vector<Item> items;
    try {
        items = m_store.items();
        m_seenExternalChanges = m_store.externalChangeCounter();
    } catch (const std::exception& error) {
        emit changeRefused(QString::fromUtf8(error.what()));
        return;
    }
    beginResetModel();
    m_items = std::move(items);
    m_estimates.clear();
    m_estimates.reserve(m_items.size());
    for (const Item& loaded : m_items)
        m_estimates.push_back(estimatedValueOf(loaded));
    m_ids.clear();
    m_ids.reserve(m_items.size());
    for (const Item& loaded : m_items)
        m_ids.push_back(loaded.id);
    endResetModel();
    emit itemsChanged();
}

bool InventoryModel::refreshIfChangedElsewhere()
{
    std::int64_t counter = 0;
    try {
        counter = m_store.externalChangeCounter();
    } catch (const std::exception&) {
        return false;
    }
    if (counter == m_seenExternalChanges)
        return false;
    reload();
    return true;
}

// Runs `change` against the store; a refusal is told through changeRefused.
template <class Change>
bool InventoryModel::storeChange(Change&& change)
{
    try {
        change();
        return true;
    } catch (const std::exception& error) {
        emit changeRefused(QString::fromUtf8(error.what()));
        return false;
    }
}

std::optional<std::vector<ItemId>> InventoryModel::insertItems(int row,
                                                               const std::vector<Item>& items)
{
    if (items.empty())
        return std::vector<ItemId>{};
    row = std::clamp(row, 0, rowCount());
    const ItemId before = row < rowCount() ? item(row).id : 0;
    std::vector<ItemId> ids;
    if (!storeChange([&] { ids = m_store.insert(items, before); }))
        return std::nullopt;
    beginInsertRows(QModelIndex(), row, row + static_cast<int>(items.size()) - 1);
    std::vector<Item> added = items;
    std::vector<std::optional<double>> estimates;
    for (std::size_t i = 0; i < added.size(); ++i) {
        added[i].id = ids[i];
        estimates.push_back(estimatedValueOf(added[i]));
    }
    m_items.insert(m_items.begin() + row, std::make_move_iterator(added.begin()),
                   std::make_move_iterator(added.end()));
    m_estimates.insert(m_estimates.begin() + row, estimates.begin(), estimates.end());
    m_ids.insert(m_ids.begin() + row, ids.begin(), ids.end());
    endInsertRows();
    emit itemsChanged();
    return ids;
}

bool InventoryModel::removeItems(const std::vector<ItemId>& ids)
{
    if (!storeChange([&] { m_store.remove(ids); }))
        return false;
    // One pass over the rows, however many items go (an undone import of thousands).
    const std::unordered_set<ItemId> removed(ids.begin(), ids.end());
    std::vector<int> rows;
    for (std::size_t row = 0; row < m_ids.size(); ++row)
        if (removed.count(m_ids[row]))
            rows.push_back(static_cast<int>(row));
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
        beginRemoveRows(QModelIndex(), *row, *row);
        m_items.erase(m_items.begin() + *row);
        m_estimates.erase(m_estimates.begin() + *row);
        m_ids.erase(m_ids.begin() + *row);
        endRemoveRows();
    }
    emit itemsChanged();
    return true;
}

bool InventoryModel::setField(ItemId id, ItemField field, const QString& text)
{
    if (!storeChange([&] { m_store.setField(id, field, text); }))
        return false;
    const int row = rowOf(id);
    if (row < 0)
        return true;
    Item& changed = m_items[static_cast<std::size_t>(row)];
    changed.fields[static_cast<std::size_t>(field)] = text;
    m_estimates[static_cast<std::size_t>(row)] = estimatedValueOf(changed);
    const QModelIndex at = index(row, field);
    emit dataChanged(at, at, {Qt::DisplayRole, Qt::EditRole});
    emit itemsChanged();
    return true;
}

bool InventoryModel::moveItem(ItemId id, int to)
{
    const int from = rowOf(id);
    if (from < 0 || to < 0 || to >= rowCount())
        return false;
    if (from == to)
        return true;
    // The item goes before the one that will follow it.
    const int followerRow = to > from ? to + 1 : to;
    const ItemId follower = followerRow < rowCount() ? item(followerRow).id : 0;
    if (!storeChange([&] { m_store.move(id, follower); }))
        return false;
    beginMoveRows(QModelIndex(), from, from, QModelIndex(), followerRow);
    Item moved = std::move(m_items[static_cast<std::size_t>(from)]);
    const std::optional<double> estimate = m_estimates[static_cast<std::size_t>(from)];
    m_items.erase(m_items.begin() + from);
    m_estimates.erase(m_estimates.begin() + from);
    m_ids.erase(m_ids.begin() + from);
    m_items.insert(m_items.begin() + to, std::move(moved));
    m_estimates.insert(m_estimates.begin() + to, estimate);
    m_ids.insert(m_ids.begin() + to, id);
    endMoveRows();
    emit itemsChanged();
    return true;
}

bool InventoryModel::setOrder(const std::vector<ItemId>& order)
{
    if (!storeChange([&] { m_store.setOrder(order); }))
        return false;
    emit layoutAboutToBeChanged();
    // Persistent indexes (the selection, the current item) follow their items.
    const QModelIndexList before = persistentIndexList();
    std::vector<ItemId> idsBefore;
    idsBefore.reserve(static_cast<std::size_t>(before.size()));
    for (const QModelIndex& at : before)
        idsBefore.push_back(at.row() < rowCount() ? item(at.row()).id : 0);

    std::unordered_map<ItemId, std::size_t> rowOfId;
    rowOfId.reserve(m_ids.size());
    for (std::size_t row = 0; row < m_ids.size(); ++row)
        rowOfId.emplace(m_ids[row], row);
    std::vector<std::size_t> rows;
    rows.reserve(m_items.size());
    std::vector<bool> taken(m_items.size(), false);
    for (const ItemId id : order) {
        const auto found = rowOfId.find(id);
        if (found != rowOfId.end() && !taken[found->second]) {
            taken[found->second] = true;
            rows.push_back(found->second);
        }
    }
    // Items the order does not name keep their order after the others, as in the store.
    for (std::size_t row = 0; row < m_items.size(); ++row)
        if (!taken[row])
            rows.push_back(row);
    std::vector<Item> items;
    std::vector<std::optional<double>> estimates;
    items.reserve(rows.size());
    estimates.reserve(rows.size());
    for (const std::size_t row : rows) {
        items.push_back(std::move(m_items[row]));
        estimates.push_back(m_estimates[row]);
    }
    m_items = std::move(items);
    m_estimates = std::move(estimates);
    for (std::size_t row = 0; row < m_items.size(); ++row)
        m_ids[row] = m_items[row].id;

    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i)
        after << index(rowOf(idsBefore[static_cast<std::size_t>(i)]), before[i].column());
    changePersistentIndexList(before, after);
    emit layoutChanged();
    emit itemsChanged();
    return true;
}

double InventoryModel::estimatedTotal() const
{
    // Summed afresh in list order: cheap next to reading the amounts, and never drifts the way
    // a running total that adds and subtracts would.
    double total = 0;
    for (const std::optional<double>& estimate : m_estimates)
        total += estimate.value_or(0.0);
    return total;
}

std::optional<double> InventoryModel::estimatedValueOf(const Item& item) const
{
    return typedNumberOf(kEstimatedValueField, item.fields[kEstimatedValueField], m_locale);
}

} // namespace stowfolio
