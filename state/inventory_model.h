#pragma once

// The item list as views show it: a table model over the items of an InventoryStore, one row
// per item in list order and one column per field of kItemFields.
//
// Every change goes to the store first and reaches the rows only once it is committed, so what
// the list shows is always what the database holds. A change the store refuses (a full disk, a
// field too long) leaves the rows as they were, returns false and emits changeRefused with the
// reason. Changes address items by id; rows are only where an item currently sits.
//
// Another process may add, edit or remove items meanwhile (--import while the window is open):
// refreshIfChangedElsewhere() notices it and reads the list again on a thread of its own, so
// the window never waits for 65,536 rows; the rows it read replace the shown ones only if this
// process changed nothing meanwhile (otherwise they are read again).

#include "state/inventory_conventions.h"
#include "state/inventory_store.h"

#include <QAbstractTableModel>

#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace stowfolio {

class InventoryModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // `conventions` are the inventory's (inventoryConventions): how its amounts read, for the
    // estimated total.
    InventoryModel(InventoryStore& store, InventoryConventions conventions,
                   QObject* parent = nullptr);
    ~InventoryModel() override;

    // What every item's cell allows: selecting it and editing it in place.
    // A removal of more runs of neighbouring rows than this lays the rows out afresh.
    static constexpr std::size_t kRunsRemovedOneByOne = 16;
    static constexpr Qt::ItemFlags kItemFlags =
        Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    const std::vector<Item>& items() const { return m_items; }
    // Every item's id, in list order.
    const std::vector<ItemId>& ids() const { return m_ids; }
    const Item& item(int row) const { return m_items[static_cast<std::size_t>(row)]; }
    // The row of item `id`, or -1 when it is not in the list.
    int rowOf(ItemId id) const;
    // The sum of the estimated values that read as amounts, as the sheet adds them up.
    double estimatedTotal() const;
    // Row `row`'s estimated value as the sheet reads it; nothing when it is not an amount.
    std::optional<double> estimate(int row) const
    {
        return m_estimates[static_cast<std::size_t>(row)];
    }

    // Reads every item from the store again, now.
    void reload();
    // Shows the list another process left, once it has been read: true when the rows were
    // replaced. Otherwise starts reading the list in the background if another process changed
    // the store since the last look; refreshReady tells when to call again.
    bool refreshIfChangedElsewhere();

    // Inserts `items` before row `row` (at the end when `row` is the row count), keeping ids
    // that are free; returns their ids, or nothing when the store refused.
    std::optional<std::vector<ItemId>> insertItems(int row, const std::vector<Item>& items);
    // Puts items back in the rows they name (rising rows of the list afterwards, as a Delete of
    // scattered items found them), in one change; returns their ids.
    std::optional<std::vector<ItemId>> insertItems(const std::vector<PlacedItem>& placed);
    bool removeItems(const std::vector<ItemId>& ids);
    bool setField(ItemId id, ItemField field, const QString& text);
    // Sets `field` of several items as one change.
    bool setField(ItemField field, const std::vector<FieldText>& texts);
    // Moves item `id` to row `to`.
    bool moveItem(ItemId id, int to);
    // Puts the items in `order` (every id of the list once).
    bool setOrder(const std::vector<ItemId>& order);

    const InventoryConventions& conventions() const { return m_conventions; }
    // Makes `conventions` the inventory's and sets the texts `texts` (the dates and amounts
    // rewritten into them), as one change.
    bool setConventions(const InventoryConventions& conventions,
                        const std::vector<ItemFieldText>& texts);

signals:
    // A change the store refused, with the reason for the user.
    void changeRefused(const QString& reason);
    // After any change of the items, by this process or another.
    void itemsChanged();
    // The list another process changed has been read: refreshIfChangedElsewhere() shows it.
    void refreshReady();

private:
    // The list as read from the store, with what the rows keep beside it.
    struct ReadList
    {
        std::vector<Item> items;
        std::vector<std::optional<double>> estimates;
        std::int64_t externalChanges = 0; // the change counter when the reading began
        std::uint64_t localChanges = 0;   // m_localChanges when the reading began
        bool failed = false;
    };
    template <class Change>
    bool storeChange(Change&& change);
    // Runs on the reading thread too: it is given the locale rather than reading m_locale.
    static ReadList readList(InventoryStore& store, std::int64_t externalChanges,
                             const spreadsheet::input::InputLocale& locale);
    void show(ReadList&& list);
    void startReadingElsewhere(std::int64_t externalChanges);
    void takeReadList();

    InventoryStore& m_store;
    InventoryConventions m_conventions;
    spreadsheet::input::InputLocale m_locale; // m_conventions' for typed input
    std::vector<Item> m_items;
    // Each row's estimated value as the sheet reads it, parallel to m_items.
    std::vector<std::optional<double>> m_estimates;
    // Each row's id, parallel to m_items: finding an item scans 8 bytes a row, and a change in
    // the middle of the list moves a few hundred kilobytes instead of re-indexing every row.
    std::vector<ItemId> m_ids;
    std::int64_t m_seenExternalChanges = 0;
    // Counts this process's changes, so that a list read before one of them is not shown.
    std::uint64_t m_localChanges = 0;

    // The background reading of the list another process changed.
    std::thread m_reader;
    bool m_reading = false;                    // between starting it and taking its list
    std::mutex m_readListMutex;                // guards m_readListArrived
    std::optional<ReadList> m_readListArrived; // handed over by the reading thread
    std::optional<ReadList> m_readListWaiting; // taken, waiting to be shown
};

} // namespace stowfolio
