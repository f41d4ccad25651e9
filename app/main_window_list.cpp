// The item list as the undo commands change it, and the menu commands that change it: edit in
// place, duplicate, move and sort.

#include "app/main_window.h"

#include "app/list_row.h"
#include "platform/prompts.h"
#include "state/item_list_codec.h"
#include "state/settings_store.h"

#include <QCollator>
#include <QLineEdit>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeWidget>

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
    const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    return selected.isEmpty() ? -1 : m_list->indexOfTopLevelItem(selected.front());
}

void MainWindow::selectRow(int row)
{
    if (QTreeWidgetItem* item = m_list->topLevelItem(row)) {
        m_list->setCurrentItem(item);
        m_list->scrollToItem(item);
    }
}

void MainWindow::listChanged()
{
    storeValue(kItemsKey, encodedItemList());
    updateStatusLine();
}

void MainWindow::insertRows(int at, const QList<QStringList>& rows)
{
    QList<QTreeWidgetItem*> items;
    items.reserve(rows.size());
    for (const QStringList& row : rows)
        items << new ListRow(row);
    m_list->insertTopLevelItems(at, items);
    selectRow(at);
    listChanged();
}

QList<QStringList> MainWindow::takeRows(int at, int count)
{
    QList<QStringList> taken;
    for (int i = 0; i < count; ++i) {
        taken << itemRow(at);
        delete m_list->takeTopLevelItem(at);
    }
    selectRow(std::min(at, itemCount() - 1));
    listChanged();
    return taken;
}

QString MainWindow::field(int row, int column) const
{
    const QTreeWidgetItem* item = m_list->topLevelItem(row);
    return item ? item->text(column) : QString();
}

void MainWindow::setField(int row, int column, const QString& text)
{
    if (QTreeWidgetItem* item = m_list->topLevelItem(row)) {
        item->setText(column, text);
        selectRow(row);
        listChanged();
    }
}

void MainWindow::moveRow(int from, int to)
{
    QTreeWidgetItem* item = m_list->takeTopLevelItem(from);
    if (!item)
        return;
    m_list->insertTopLevelItem(to, item);
    selectRow(to);
    listChanged();
}

void MainWindow::reorderRows(const std::vector<int>& order)
{
    const int current = selectedRow();
    QList<QTreeWidgetItem*> rows = m_list->invisibleRootItem()->takeChildren();
    QList<QTreeWidgetItem*> reordered;
    reordered.reserve(rows.size());
    int newCurrent = -1;
    for (std::size_t i = 0; i < order.size(); ++i) {
        reordered << rows[order[i]];
        if (order[i] == current)
            newCurrent = static_cast<int>(i);
    }
    m_list->addTopLevelItems(reordered);
    // The row the user had selected stays selected where it went.
    selectRow(newCurrent >= 0 ? newCurrent : 0);
    listChanged();
}

void MainWindow::commitEdit(const QModelIndex& index, const QString& text)
{
    // The row may have gone while its editor was open.
    const int row = index.row();
    const int column = index.column();
    if (!index.isValid() || row >= itemCount() || column >= columnCount() ||
        text == field(row, column))
        return;
    if (const auto separator = firstSeparatorIn(text.toStdU16String())) {
        // Told once the editor has closed; the field keeps its old text.
        const QString refusal = separatorRefusal(column, QChar(*separator));
        QTimer::singleShot(0, this, [this, refusal] {
            m_deps.prompts.showMessage(refusal, QString(), MessageIcon::Exclamation);
        });
        return;
    }
    m_undoStack.push(new SetFieldCommand(*this, row, column, text));
}

void MainWindow::editItem()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    m_list->setFocus();
    m_list->editItem(m_list->topLevelItem(row), std::max(0, m_list->currentColumn()));
}

void MainWindow::duplicateItem()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    m_undoStack.push(new InsertRowsCommand(*this, row + 1, {itemRow(row)}, FirstRedo::Perform,
                                           QStringLiteral("Duplicate Item")));
}

void MainWindow::moveItem(int offset)
{
    const int row = selectedRow();
    const int to = row + offset;
    if (row < 0 || to < 0 || to >= itemCount())
        return;
    m_undoStack.push(new MoveRowCommand(*this, row, to));
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
    std::vector<QString> texts;
    texts.reserve(static_cast<std::size_t>(itemCount()));
    for (int row = 0; row < itemCount(); ++row)
        texts.push_back(m_list->topLevelItem(row)->text(field));
    QCollator collator;
    collator.setNumericMode(true);
    std::vector<int> order = sortedOrder(field, texts, direction, m_inputLocale, collator);
    // An order that is already right is no change and no step to undo.
    bool unchanged = true;
    for (std::size_t i = 0; i < order.size() && unchanged; ++i)
        unchanged = order[i] == static_cast<int>(i);
    if (unchanged)
        return;
    m_undoStack.push(new ReorderRowsCommand(*this, std::move(order), QStringLiteral("Sort Items")));
}

} // namespace stowfolio
