#include "state/item_filter_model.h"

#include <algorithm>

namespace stowfolio {

ItemFilterModel::ItemFilterModel(InventoryModel& items, QObject* parent)
    : QAbstractProxyModel(parent), m_items(items)
{
    QAbstractProxyModel::setSourceModel(&items);
    connectToItems();
}

void ItemFilterModel::connectToItems()
{
    // Rows added, removed or moved: passed on one for one, or the found rows laid out afresh.
    const auto aboutToChangeRows = [this](int first, int last) {
        if (isFiltering())
            beginResetModel();
        else
            beginInsertRows(QModelIndex(), first, last);
    };
    connect(&m_items, &QAbstractItemModel::rowsAboutToBeInserted, this,
            [=](const QModelIndex&, int first, int last) { aboutToChangeRows(first, last); });
    connect(&m_items, &QAbstractItemModel::rowsInserted, this, [this] {
        if (isFiltering()) {
            m_found = foundRows();
            endResetModel();
        } else {
            endInsertRows();
        }
    });
    connect(&m_items, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex&, int first, int last) {
                if (isFiltering())
                    beginResetModel();
                else
                    beginRemoveRows(QModelIndex(), first, last);
            });
    connect(&m_items, &QAbstractItemModel::rowsRemoved, this, [this] {
        if (isFiltering()) {
            m_found = foundRows();
            endResetModel();
        } else {
            endRemoveRows();
        }
    });
    connect(&m_items, &QAbstractItemModel::rowsAboutToBeMoved, this,
            [this](const QModelIndex&, int first, int last, const QModelIndex&, int to) {
                if (isFiltering())
                    beginResetModel();
                else
                    beginMoveRows(QModelIndex(), first, last, QModelIndex(), to);
            });
    connect(&m_items, &QAbstractItemModel::rowsMoved, this, [this] {
        if (isFiltering()) {
            m_found = foundRows();
            endResetModel();
        } else {
            endMoveRows();
        }
    });
    connect(&m_items, &QAbstractItemModel::modelAboutToBeReset, this,
            [this] { beginResetModel(); });
    connect(&m_items, &QAbstractItemModel::modelReset, this, [this] {
        if (isFiltering())
            m_found = foundRows();
        endResetModel();
    });
    // A new order: the view's persistent indexes follow their items.
    connect(&m_items, &QAbstractItemModel::layoutAboutToBeChanged, this, [this] {
        emit layoutAboutToBeChanged();
        m_layoutProxyIndexes = persistentIndexList();
        m_layoutSourceIndexes.clear();
        for (const QModelIndex& index : m_layoutProxyIndexes)
            m_layoutSourceIndexes.append(QPersistentModelIndex(mapToSource(index)));
    });
    connect(&m_items, &QAbstractItemModel::layoutChanged, this, [this] {
        if (isFiltering())
            m_found = foundRows();
        QModelIndexList now;
        for (const QPersistentModelIndex& index : m_layoutSourceIndexes)
            now.append(mapFromSource(index));
        changePersistentIndexList(m_layoutProxyIndexes, now);
        m_layoutProxyIndexes.clear();
        m_layoutSourceIndexes.clear();
        emit layoutChanged();
    });
    connect(&m_items, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& topLeft, const QModelIndex& bottomRight,
                   const QList<int>& roles) {
                int first = topLeft.row();
                int last = bottomRight.row();
                if (isFiltering()) {
                    first = static_cast<int>(
                        std::lower_bound(m_found.begin(), m_found.end(), first) - m_found.begin());
                    last = static_cast<int>(std::upper_bound(m_found.begin(), m_found.end(), last) -
                                            m_found.begin()) -
                           1;
                    if (first > last)
                        return;
                }
                emit dataChanged(index(first, topLeft.column()), index(last, bottomRight.column()),
                                 roles);
            });
    connect(&m_items, &QAbstractItemModel::headerDataChanged, this,
            &QAbstractItemModel::headerDataChanged);
}

void ItemFilterModel::setFindText(const QString& text)
{
    if (text == m_text)
        return;
    beginResetModel();
    m_text = text;
    m_found = isFiltering() ? foundRows() : std::vector<int>{};
    endResetModel();
}

std::vector<int> ItemFilterModel::foundRows() const
{
    std::vector<int> found;
    const std::vector<Item>& items = m_items.items();
    for (std::size_t row = 0; row < items.size(); ++row)
        for (const QString& field : items[row].fields)
            if (field.contains(m_text, Qt::CaseInsensitive)) {
                found.push_back(static_cast<int>(row));
                break;
            }
    return found;
}

int ItemFilterModel::sourceRow(int row) const
{
    return isFiltering() ? m_found[static_cast<std::size_t>(row)] : row;
}

QModelIndex ItemFilterModel::index(int row, int column, const QModelIndex& parent) const
{
    if (parent.isValid() || row < 0 || column < 0 || row >= rowCount() || column >= columnCount())
        return {};
    return createIndex(row, column);
}

QModelIndex ItemFilterModel::parent(const QModelIndex&) const
{
    return {};
}

int ItemFilterModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return isFiltering() ? static_cast<int>(m_found.size()) : m_items.rowCount();
}

int ItemFilterModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_items.columnCount();
}

QModelIndex ItemFilterModel::mapToSource(const QModelIndex& proxyIndex) const
{
    if (!proxyIndex.isValid() || proxyIndex.row() >= rowCount())
        return {};
    return m_items.index(sourceRow(proxyIndex.row()), proxyIndex.column());
}

QModelIndex ItemFilterModel::mapFromSource(const QModelIndex& sourceIndex) const
{
    if (!sourceIndex.isValid())
        return {};
    if (!isFiltering())
        return index(sourceIndex.row(), sourceIndex.column());
    const auto found = std::lower_bound(m_found.begin(), m_found.end(), sourceIndex.row());
    if (found == m_found.end() || *found != sourceIndex.row())
        return {};
    return index(static_cast<int>(found - m_found.begin()), sourceIndex.column());
}

QVariant ItemFilterModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    return m_items.item(sourceRow(index.row())).fields[static_cast<std::size_t>(index.column())];
}

Qt::ItemFlags ItemFilterModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? InventoryModel::kItemFlags : Qt::NoItemFlags;
}

bool ItemFilterModel::hasChildren(const QModelIndex& parent) const
{
    return !parent.isValid() && rowCount() > 0;
}

double ItemFilterModel::shownEstimatedTotal() const
{
    if (!isFiltering())
        return m_items.estimatedTotal();
    double total = 0;
    for (const int row : m_found)
        total += m_items.estimate(row).value_or(0.0);
    return total;
}

} // namespace stowfolio
