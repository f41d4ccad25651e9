#pragma once

// The items the list shows: every item, or while Find is open those with the text in any field,
// ignoring case, in list order. Rows of the view map to rows of the InventoryModel underneath;
// every command works on items by id, so it acts on the right items whatever is hidden.
//
// Without a find text the rows are the model's own, one for one, and every change passes
// through as the model made it: an Add at 65,536 items costs the view what it costs without
// this model. While finding, a change of rows lays the found rows out afresh. An item edited
// so that it no longer holds the text stays in view until the text changes: a row does not
// vanish under the user's hands.

#include "state/inventory_model.h"

#include <QAbstractProxyModel>
#include <QPersistentModelIndex>

#include <vector>

namespace stowfolio {

class ItemFilterModel : public QAbstractProxyModel
{
    Q_OBJECT

public:
    explicit ItemFilterModel(InventoryModel& items, QObject* parent = nullptr);

    // Shows only the items holding `text`; an empty text shows every item.
    void setFindText(const QString& text);
    const QString& findText() const { return m_text; }
    bool isFiltering() const { return !m_text.isEmpty(); }

    // The sum of the estimated values of the items shown.
    double shownEstimatedTotal() const;

    QModelIndex index(int row, int column,
                      const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex mapToSource(const QModelIndex& proxyIndex) const override;
    QModelIndex mapFromSource(const QModelIndex& sourceIndex) const override;
    // Answered here rather than through the model: a tree view asks them of every row whenever
    // it lays its rows out.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;

private:
    void connectToItems();
    // The source rows holding the find text.
    std::vector<int> foundRows() const;
    int sourceRow(int row) const;

    InventoryModel& m_items;
    QString m_text;
    std::vector<int> m_found; // while finding: the source rows shown, rising
    // Between the model's layoutAboutToBeChanged and layoutChanged: where the view's persistent
    // indexes point in the model.
    QModelIndexList m_layoutProxyIndexes;
    QList<QPersistentModelIndex> m_layoutSourceIndexes;
};

} // namespace stowfolio
