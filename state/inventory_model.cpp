#include "state/inventory_model.h"

#include "state/inventory_opening.h"
#include "state/item_values.h"

#include <algorithm>
#include <exception>
#include <unordered_map>
#include <unordered_set>

namespace stowfolio {

namespace {

// An item's estimated value as the sheet reads it, for the total.
std::optional<double> estimateOf(const Item& item, const spreadsheet::input::InputLocale& locale)
{
    return typedNumberOf(kEstimatedValueField, item.fields[kEstimatedValueField], locale);
}

} // namespace

InventoryModel::InventoryModel(InventoryStore& store, InventoryConventions conventions,
                               QObject* parent)
    : QAbstractTableModel(parent), m_store(store), m_conventions(std::move(conventions)),
      m_locale(m_conventions.inputLocale())
{
}

InventoryModel::~InventoryModel()
{
    if (m_reader.joinable())
        m_reader.join();
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
    return kItemFlags;
}

int InventoryModel::rowOf(ItemId id) const
{
    const auto found = std::find(m_ids.begin(), m_ids.end(), id);
    return found == m_ids.end() ? -1 : static_cast<int>(found - m_ids.begin());
}

InventoryModel::ReadList InventoryModel::readList(InventoryStore& store,
                                                  std::int64_t externalChanges,
                                                  const spreadsheet::input::InputLocale& locale)
{
    ReadList list;
    list.externalChanges = externalChanges;
    list.items = store.items();
    list.estimates.reserve(list.items.size());
    for (const Item& read : list.items)
        list.estimates.push_back(estimateOf(read, locale));
    return list;
}

void InventoryModel::show(ReadList&& list)
{
    beginResetModel();
    m_items = std::move(list.items);
    m_estimates = std::move(list.estimates);
    m_ids.clear();
    m_ids.reserve(m_items.size());
    for (const Item& shown : m_items)
        m_ids.push_back(shown.id);
    m_seenExternalChanges = list.externalChanges;
    endResetModel();
    emit itemsChanged();
}

void InventoryModel::reload()
{
    // A list being read elsewhere is older than this one.
    ++m_localChanges;
    ReadList list;
    try {
        list = readList(m_store, m_store.externalChangeCounter(), m_locale);
    } catch (const std::exception& error) {
        emit changeRefused(QString::fromUtf8(error.what()));
        return;
    }
    show(std::move(list));
}

bool InventoryModel::refreshIfChangedElsewhere()
{
    if (m_readListWaiting) {
        ReadList list = std::move(*m_readListWaiting);
        m_readListWaiting.reset();
        // A list read before a change of ours lacks it; the next look reads it again.
        if (list.failed || list.localChanges != m_localChanges)
            return false;
        show(std::move(list));
        return true;
    }
    if (m_reading)
        return false;
    std::int64_t counter = 0;
    try {
        counter = m_store.externalChangeCounter();
    } catch (const std::exception&) {
        return false;
    }
    if (counter != m_seenExternalChanges)
        startReadingElsewhere(counter);
    return false;
}

// Reads the list through a connection of its own on another thread; the list arrives through
// takeReadList() on this model's thread.
void InventoryModel::startReadingElsewhere(std::int64_t externalChanges)
{
    if (m_reader.joinable())
        m_reader.join();
    m_reading = true;
    m_reader = std::thread([this, path = m_store.path(), externalChanges,
                            localChanges = m_localChanges, locale = m_locale] {
        ReadList list;
        try {
            InventoryStore reading(path, InventoryStore::ReadingOnly{});
            list = readList(reading, externalChanges, locale);
        } catch (const std::exception&) {
            // The window's own connection reports what is wrong at its next change.
            list.failed = true;
        }
        list.localChanges = localChanges;
        {
            const std::lock_guard lock(m_readListMutex);
            m_readListArrived = std::move(list);
        }
        QMetaObject::invokeMethod(this, &InventoryModel::takeReadList, Qt::QueuedConnection);
    });
}

void InventoryModel::takeReadList()
{
    {
        const std::lock_guard lock(m_readListMutex);
        m_readListWaiting = std::move(m_readListArrived);
        m_readListArrived.reset();
    }
    m_reading = false;
    if (m_readListWaiting)
        emit refreshReady();
}

// Runs `change` against the store; a refusal is told through changeRefused.
template <class Change>
bool InventoryModel::storeChange(Change&& change)
{
    ++m_localChanges;
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
        estimates.push_back(estimateOf(added[i], m_locale));
    }
    m_items.insert(m_items.begin() + row, std::make_move_iterator(added.begin()),
                   std::make_move_iterator(added.end()));
    m_estimates.insert(m_estimates.begin() + row, estimates.begin(), estimates.end());
    m_ids.insert(m_ids.begin() + row, ids.begin(), ids.end());
    endInsertRows();
    emit itemsChanged();
    return ids;
}

std::optional<std::vector<ItemId>>
InventoryModel::insertItems(const std::vector<PlacedItem>& placed)
{
    // The runs of neighbouring rows, each going before the item that now holds its first row.
    std::vector<Item> items;
    items.reserve(placed.size());
    for (const PlacedItem& one : placed)
        items.push_back(one.item);
    std::vector<ItemRun> runs;
    for (std::size_t first = 0; first < placed.size();) {
        std::size_t end = first + 1;
        while (end < placed.size() && placed[end].row == placed[end - 1].row + 1)
            ++end;
        // Rows before this run's first row that earlier runs fill come back too.
        const std::size_t now = static_cast<std::size_t>(std::max(0, placed[first].row)) - first;
        runs.push_back(ItemRun{std::span<const Item>(items).subspan(first, end - first),
                               now < m_ids.size() ? m_ids[now] : 0});
        first = end;
    }
    if (runs.size() <= 1)
        return insertItems(placed.empty() ? 0 : placed.front().row, items);

    std::vector<ItemId> ids;
    if (!storeChange([&] { ids = m_store.insert(runs); }))
        return std::nullopt;
    // Many places at once: the rows are laid out afresh in one pass.
    beginResetModel();
    std::vector<Item> merged;
    std::vector<std::optional<double>> estimates;
    std::vector<ItemId> mergedIds;
    const std::size_t total = m_items.size() + items.size();
    merged.reserve(total);
    estimates.reserve(total);
    mergedIds.reserve(total);
    std::size_t old = 0;
    std::size_t next = 0;
    for (std::size_t row = 0; row < total; ++row) {
        if (next < placed.size() &&
            (static_cast<std::size_t>(std::max(0, placed[next].row)) <= row ||
             old == m_items.size())) {
            Item restored = std::move(items[next]);
            restored.id = ids[next];
            estimates.push_back(estimateOf(restored, m_locale));
            mergedIds.push_back(restored.id);
            merged.push_back(std::move(restored));
            ++next;
        } else {
            estimates.push_back(m_estimates[old]);
            mergedIds.push_back(m_ids[old]);
            merged.push_back(std::move(m_items[old]));
            ++old;
        }
    }
    m_items = std::move(merged);
    m_estimates = std::move(estimates);
    m_ids = std::move(mergedIds);
    endResetModel();
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
    // The runs of neighbouring rows, from the bottom up.
    std::vector<std::pair<int, int>> runs;
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
        if (!runs.empty() && runs.back().first == *row + 1)
            runs.back().first = *row;
        else
            runs.emplace_back(*row, *row);
    }
    if (runs.size() <= kRunsRemovedOneByOne) {
        for (const auto& [first, last] : runs) {
            beginRemoveRows(QModelIndex(), first, last);
            m_items.erase(m_items.begin() + first, m_items.begin() + last + 1);
            m_estimates.erase(m_estimates.begin() + first, m_estimates.begin() + last + 1);
            m_ids.erase(m_ids.begin() + first, m_ids.begin() + last + 1);
            endRemoveRows();
        }
    } else {
        // Thousands of scattered rows (a Delete of what Find found): the rows left close up in
        // one pass rather than one pass per row.
        beginResetModel();
        std::size_t kept = 0;
        std::size_t next = 0;
        for (std::size_t row = 0; row < m_ids.size(); ++row) {
            if (next < rows.size() && rows[next] == static_cast<int>(row)) {
                ++next;
                continue;
            }
            if (kept != row) {
                m_items[kept] = std::move(m_items[row]);
                m_estimates[kept] = m_estimates[row];
                m_ids[kept] = m_ids[row];
            }
            ++kept;
        }
        m_items.resize(kept);
        m_estimates.resize(kept);
        m_ids.resize(kept);
        endResetModel();
    }
    emit itemsChanged();
    return true;
}

bool InventoryModel::setField(ItemId id, ItemField field, const QString& text)
{
    return setField(field, {FieldText{id, text}});
}

bool InventoryModel::setField(ItemField field, const std::vector<FieldText>& texts)
{
    if (!storeChange([&] { m_store.setField(field, texts); }))
        return false;
    // One pass over the rows, however many items change.
    std::unordered_map<ItemId, const QString*> wanted;
    for (const FieldText& change : texts)
        wanted[change.id] = &change.text;
    int first = rowCount();
    int last = -1;
    for (std::size_t row = 0; row < m_ids.size(); ++row) {
        const auto found = wanted.find(m_ids[row]);
        if (found == wanted.end())
            continue;
        Item& changed = m_items[row];
        changed.fields[static_cast<std::size_t>(field)] = *found->second;
        m_estimates[row] = estimateOf(changed, m_locale);
        first = std::min(first, static_cast<int>(row));
        last = std::max(last, static_cast<int>(row));
    }
    if (last >= 0)
        emit dataChanged(index(first, field), index(last, field), {Qt::DisplayRole, Qt::EditRole});
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

bool InventoryModel::setConventions(const InventoryConventions& conventions,
                                    const std::vector<ItemFieldText>& texts)
{
    if (!storeChange([&] {
            m_store.setFieldsAndMeta(texts, kConventionsKey, encodedConventions(conventions));
        }))
        return false;
    m_conventions = conventions;
    m_locale = m_conventions.inputLocale();
    std::unordered_map<ItemId, std::size_t> rowOfId;
    rowOfId.reserve(m_ids.size());
    for (std::size_t row = 0; row < m_ids.size(); ++row)
        rowOfId.emplace(m_ids[row], row);
    for (const ItemFieldText& change : texts)
        if (const auto found = rowOfId.find(change.id); found != rowOfId.end())
            m_items[found->second].fields[static_cast<std::size_t>(change.field)] = change.text;
    // Every estimate reads afresh: a text left as it was may read differently now.
    for (std::size_t row = 0; row < m_items.size(); ++row)
        m_estimates[row] = estimateOf(m_items[row], m_locale);
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, kItemFieldCount - 1),
                         {Qt::DisplayRole, Qt::EditRole});
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

} // namespace stowfolio
