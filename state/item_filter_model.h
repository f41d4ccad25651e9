#pragma once

// The items the list shows while Find is open: those with the text in any field, ignoring
// case, in list order. Rows of the view map to rows of the InventoryModel underneath; every
// command works on items by id, so it acts on the right items whatever is hidden.
//
// An item edited so that it no longer holds the text stays in view until the text changes: a
// row does not vanish under the user's hands.

#include "state/inventory_model.h"

#include <QSortFilterProxyModel>

namespace stowfolio {

class ItemFilterModel : public QSortFilterProxyModel
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

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    InventoryModel& m_items;
    QString m_text;
};

} // namespace stowfolio
