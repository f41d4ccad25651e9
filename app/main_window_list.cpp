// The item list as the undo commands change it, and the menu commands that change it: edit in
// place, duplicate, move and sort.

#include "app/main_window.h"

#include "platform/prompts.h"
#include "state/item_list_codec.h"
#include "state/settings_store.h"

#include <QCollator>
#include <QLineEdit>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeView>

namespace stowfolio {

namespace {

// Hands a finished edit to the window instead of writing it into the row, so the window can
// refuse it or make it an undo step.
class ItemEditDelegate : public QStyledItemDelegate
{
public:
    using Commit = std::function<void(const QModelIndex&, const QString&)>;
    ItemEditDelegate(Commit commit, QObject* parent)
        : QStyledItemDelegate(parent), m_commit(std::move(commit))
    {
    }
    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override
    {
        if (const auto* line = qobject_cast<QLineEdit*>(editor))
            m_commit(index, line->text());
    }

private:
    Commit m_commit;
};

} // namespace

void MainWindow::installItemEditing()
{
    m_list->setItemDelegate(new ItemEditDelegate(
        [this](const QModelIndex& index, const QString& text) { commitEdit(index, text); },
        m_list));
}

int MainWindow::selectedRow() const
{
    const QModelIndexList selected = m_list->selectionModel()->selectedRows();
    return selected.isEmpty() ? -1 : selected.front().row();
}

void MainWindow::selectRow(int row)
{
    if (row < 0 || row >= itemCount())
        return;
    const QModelIndex index = m_model.index(row, std::max(0, m_list->currentIndex().column()));
    m_list->setCurrentIndex(index);
    m_list->scrollTo(index);
}

std::optional<std::vector<ItemId>> MainWindow::insertItems(int at, const std::vector<Item>& items)
{
    const auto ids = m_model.insertItems(at, items);
    if (ids)
        selectRow(at);
    return ids;
}

bool MainWindow::removeItems(const std::vector<ItemId>& ids)
{
    const int row = ids.empty() ? -1 : m_model.rowOf(ids.front());
    if (!m_model.removeItems(ids))
        return false;
    selectRow(std::min(row, itemCount() - 1));
    return true;
}

bool MainWindow::setField(ItemId id, ItemField field, const QString& text)
{
    if (!m_model.setField(id, field, text))
        return false;
    selectRow(m_model.rowOf(id));
    return true;
}

bool MainWindow::moveItem(ItemId id, int to)
{
    if (!m_model.moveItem(id, to))
        return false;
    selectRow(m_model.rowOf(id));
    return true;
}

bool MainWindow::setOrder(const std::vector<ItemId>& order)
{
    // The item the user had selected stays selected where it went.
    const int row = selectedRow();
    const ItemId current = row >= 0 ? m_model.item(row).id : 0;
    if (!m_model.setOrder(order))
        return false;
    selectRow(std::max(0, m_model.rowOf(current)));
    return true;
}

void MainWindow::commitEdit(const QModelIndex& index, const QString& text)
{
    // The row may have gone while its editor was open.
    const int row = index.row();
    const int column = index.column();
    if (!index.isValid() || row >= itemCount() || column >= columnCount())
        return;
    const Item& item = m_model.item(row);
    const QString& old = item.fields[static_cast<std::size_t>(column)];
    if (text == old)
        return;
    const QString refusal = refusalOf(column, text);
    if (!refusal.isEmpty()) {
        // Told once the editor has closed; the field keeps its old text.
        QTimer::singleShot(0, this, [this, refusal] {
            m_deps.prompts.showMessage(refusal, QString(), MessageIcon::Exclamation);
        });
        return;
    }
    m_undoStack.push(
        new SetFieldCommand(*this, item.id, static_cast<ItemField>(column), old, text));
}

void MainWindow::editItem()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    m_list->setFocus();
    m_list->edit(m_model.index(row, std::max(0, m_list->currentIndex().column())));
}

void MainWindow::duplicateItem()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    Item copy = m_model.item(row);
    copy.id = 0;
    m_undoStack.push(
        new InsertItemsCommand(*this, row + 1, {copy}, QStringLiteral("Duplicate Item")));
}

void MainWindow::moveItem(int offset)
{
    const int row = selectedRow();
    const int to = row + offset;
    if (row < 0 || to < 0 || to >= itemCount())
        return;
    m_undoStack.push(new MoveItemCommand(*this, m_model.item(row).id, row, to));
}

void MainWindow::sortItemsBy(int field)
{
    if (itemCount() == 0)
        return;
    const SortDirection direction =
        field == m_lastSortField && m_lastSortDirection == SortDirection::Ascending
            ? SortDirection::Descending
            : SortDirection::Ascending;
    m_lastSortField = field;
    m_lastSortDirection = direction;
    const std::vector<Item>& items = m_model.items();
    std::vector<QString> texts;
    texts.reserve(items.size());
    for (const Item& item : items)
        texts.push_back(item.fields[static_cast<std::size_t>(field)]);
    QCollator collator;
    collator.setNumericMode(true);
    const std::vector<int> order = sortedOrder(field, texts, direction, m_inputLocale, collator);
    // An order that is already right is no change and no step to undo.
    bool unchanged = true;
    for (std::size_t i = 0; i < order.size() && unchanged; ++i)
        unchanged = order[i] == static_cast<int>(i);
    if (unchanged)
        return;
    std::vector<ItemId> before, after;
    before.reserve(items.size());
    after.reserve(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        before.push_back(items[i].id);
        after.push_back(items[static_cast<std::size_t>(order[i])].id);
    }
    m_undoStack.push(new SetOrderCommand(*this, std::move(before), std::move(after),
                                         QStringLiteral("Sort Items")));
}

} // namespace stowfolio
