// The item list as the undo commands change it, and the menu commands that change it: edit in
// place, duplicate, move and sort.

#include "app/main_window.h"

#include "app/conventions_command.h"
#include "platform/prompts.h"
#include "state/item_list_codec.h"
#include "state/settings_store.h"

#include <QCollator>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QShortcut>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>

#include <unordered_map>
#include <unordered_set>

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
    // A click on a column's header sorts by it, a second click the other way round.
    QHeaderView* header = m_list->header();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(false);
    connect(header, &QHeaderView::sectionClicked, this, [this](int field) { sortItemsBy(field); });
    // Any other change of the list may break the order the indicator claims.
    connect(&m_model, &InventoryModel::itemsChanged, this, [this] {
        if (!m_sorting)
            m_list->header()->setSortIndicatorShown(false);
    });
}

QModelIndex MainWindow::viewIndex(int row, int column) const
{
    return m_shown.mapFromSource(m_model.index(row, column));
}

int MainWindow::selectedRow() const
{
    // The current row when it is selected (the one a single-item command means), otherwise
    // the first selected one.
    const QModelIndex current = m_list->currentIndex();
    if (current.isValid() && m_list->selectionModel()->isRowSelected(current.row()))
        return m_shown.mapToSource(current).row();
    const std::vector<int> rows = selectedRows();
    return rows.empty() ? -1 : rows.front();
}

std::vector<int> MainWindow::selectedRows() const
{
    std::vector<int> rows;
    for (const QModelIndex& index : m_list->selectionModel()->selectedRows())
        rows.push_back(m_shown.mapToSource(index).row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void MainWindow::selectRow(int row)
{
    if (row < 0 || row >= itemCount())
        return;
    const QModelIndex index = viewIndex(row, std::max(0, m_list->currentIndex().column()));
    if (!index.isValid())
        return;
    m_list->setCurrentIndex(index);
    m_list->scrollTo(index);
}

void MainWindow::selectItems(const std::vector<ItemId>& ids)
{
    // One pass over the list, and one range for each run of neighbouring rows: an undone
    // import of 65,536 items selects them without looking each one up.
    const std::unordered_set<ItemId> wanted(ids.begin(), ids.end());
    const std::vector<ItemId>& listed = m_model.ids();
    QItemSelection selection;
    int first = -1;
    QModelIndex runStart;
    QModelIndex runEnd;
    for (std::size_t row = 0; row < listed.size(); ++row) {
        const QModelIndex index =
            wanted.count(listed[row]) ? viewIndex(static_cast<int>(row), 0) : QModelIndex();
        if (index.isValid() && runEnd.isValid() && index.row() == runEnd.row() + 1) {
            runEnd = index;
            continue;
        }
        if (runEnd.isValid())
            selection.select(runStart, runEnd);
        runStart = runEnd = index;
        if (index.isValid() && first < 0)
            first = static_cast<int>(row);
    }
    if (runEnd.isValid())
        selection.select(runStart, runEnd);
    if (first < 0)
        return;
    selectRow(first);
    m_list->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect |
                                                    QItemSelectionModel::Rows);
}

std::optional<std::vector<ItemId>> MainWindow::insertItems(int at, const std::vector<Item>& items)
{
    const auto ids = m_model.insertItems(at, items);
    if (ids)
        selectItems(*ids);
    return ids;
}

std::optional<std::vector<ItemId>> MainWindow::insertItems(const std::vector<PlacedItem>& placed)
{
    const auto ids = m_model.insertItems(placed);
    if (ids)
        selectItems(*ids);
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

bool MainWindow::setField(ItemField field, const std::vector<FieldText>& texts)
{
    if (!m_model.setField(field, texts))
        return false;
    std::vector<ItemId> ids;
    for (const FieldText& change : texts)
        ids.push_back(change.id);
    selectItems(ids);
    return true;
}

bool MainWindow::setConventions(const InventoryConventions& conventions,
                                const std::vector<ItemFieldText>& texts)
{
    return m_model.setConventions(conventions, texts);
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
    // The items the user had selected stay selected where they went.
    std::vector<ItemId> selected;
    for (const int row : selectedRows())
        selected.push_back(m_model.item(row).id);
    if (!m_model.setOrder(order))
        return false;
    if (selected.empty())
        selectRow(0);
    else
        selectItems(selected);
    return true;
}

void MainWindow::commitEdit(const QModelIndex& shownIndex, const QString& text)
{
    // The row may have gone while its editor was open.
    const QModelIndex index = m_shown.mapToSource(shownIndex);
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
    m_undoStack.push(new SetFieldCommand(*this, static_cast<ItemField>(column),
                                         {FieldText{item.id, old}}, {FieldText{item.id, text}},
                                         QStringLiteral("Edit Item")));
}

void MainWindow::editItem()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    m_list->setFocus();
    m_list->edit(viewIndex(row, std::max(0, m_list->currentIndex().column())));
}

void MainWindow::duplicateItem()
{
    // The copies go together below the last selected item, in list order.
    const std::vector<int> rows = selectedRows();
    if (rows.empty())
        return;
    std::vector<Item> copies;
    std::vector<ItemId> originals;
    for (const int row : rows) {
        copies.push_back(m_model.item(row));
        originals.push_back(copies.back().id);
        copies.back().id = 0;
    }
    const QString text =
        rows.size() == 1 ? QStringLiteral("Duplicate Item") : QStringLiteral("Duplicate Items");
    // Each copy gets its original's attachments (the same stored files, new records) in the same
    // step; a copy that cannot have them is not made, since it would look like one without any.
    InsertItemsCommand::AfterFirstInsert copyAttachments;
    if (m_attachments)
        copyAttachments = [this, originals](const std::vector<ItemId>& ids) {
            std::vector<InventoryStore::AttachmentCopy> copies;
            for (std::size_t i = 0; i < ids.size() && i < originals.size(); ++i)
                copies.push_back({originals[i], ids[i]});
            return m_attachments->copyRecords(copies);
        };
    m_undoStack.push(new InsertItemsCommand(*this, rows.back() + 1, std::move(copies), text,
                                            std::move(copyAttachments)));
}

void MainWindow::moveItem(int offset)
{
    const std::vector<int> rows = selectedRows();
    if (rows.empty())
        return;
    // The rows the list shows, in order: a move passes the shown neighbour, not a hidden one.
    std::vector<int> shown;
    shown.reserve(static_cast<std::size_t>(m_shown.rowCount()));
    for (int r = 0; r < m_shown.rowCount(); ++r)
        shown.push_back(m_shown.mapToSource(m_shown.index(r, 0)).row());
    const std::vector<std::pair<int, int>> swaps = blockMoveSwaps(shown, rows, offset);
    if (swaps.empty())
        return;
    // One item past its next-door neighbour is one small step; anything else is a new order.
    if (swaps.size() == 1 && std::abs(swaps[0].first - swaps[0].second) == 1) {
        const int row = rows.front();
        const int to = row == swaps[0].first ? swaps[0].second : swaps[0].first;
        m_undoStack.push(new MoveItemCommand(*this, m_model.item(row).id, row, to));
        return;
    }
    std::vector<ItemId> before = m_model.ids();
    std::vector<ItemId> after = before;
    for (const auto& [first, second] : swaps)
        std::swap(after[static_cast<std::size_t>(first)], after[static_cast<std::size_t>(second)]);
    m_undoStack.push(new SetOrderCommand(*this, std::move(before), std::move(after),
                                         rows.size() == 1 ? QStringLiteral("Move Item")
                                                          : QStringLiteral("Move Items")));
}

void MainWindow::setFieldOfSelectedItems()
{
    const std::vector<int> rows = selectedRows();
    if (rows.empty())
        return;
    QStringList fields;
    for (const ItemFieldInfo& info : kItemFields)
        fields << fieldText(info.caption);
    const int current = std::max(0, m_list->currentIndex().column());
    const auto choice = m_deps.prompts.chooseFieldText(
        QStringLiteral("Set Field of Selected Items"),
        QStringLiteral("Set one field of the %L1 selected items to the same text.")
            .arg(rows.size()),
        fields, current);
    if (!choice || choice->first < 0 || choice->first >= kItemFieldCount)
        return;
    const int field = choice->first;
    const QString refusal = refusalOf(field, choice->second);
    if (!refusal.isEmpty()) {
        m_deps.prompts.showMessage(refusal, QString(), MessageIcon::Exclamation);
        return;
    }
    std::vector<FieldText> before, after;
    for (const int row : rows) {
        const Item& item = m_model.item(row);
        const QString& old = item.fields[static_cast<std::size_t>(field)];
        if (old == choice->second)
            continue;
        before.push_back(FieldText{item.id, old});
        after.push_back(FieldText{item.id, choice->second});
    }
    if (after.empty())
        return;
    m_undoStack.push(new SetFieldCommand(*this, static_cast<ItemField>(field), std::move(before),
                                         std::move(after),
                                         QStringLiteral("Set %1").arg(fields[field])));
}

void MainWindow::chooseConventions()
{
    const InventoryConventions current = m_model.conventions();
    const auto chosen = m_deps.prompts.chooseOptions(
        QStringLiteral("Dates and Amounts"),
        QStringLiteral("How this inventory's dates and amounts are written. The total, the sort, "
                       "the sheet and the report read them this way, whatever the language of "
                       "the computer. A change rewrites every date and amount of the list so "
                       "that each keeps its value; other texts stay as typed."),
        conventionChoices(current));
    if (!chosen)
        return;
    QString problem;
    const std::optional<InventoryConventions> conventions =
        chosenConventions(current, *chosen, problem);
    if (!conventions) {
        m_deps.prompts.showMessage(problem, QString(), MessageIcon::Exclamation);
        return;
    }
    if (*conventions == current)
        return;
    std::vector<ItemFieldText> rewritten = convertedTexts(m_model.items(), current, *conventions);
    std::unordered_map<ItemId, const Item*> itemOfId;
    for (const Item& item : m_model.items())
        itemOfId.emplace(item.id, &item);
    std::vector<ItemFieldText> original;
    original.reserve(rewritten.size());
    for (const ItemFieldText& change : rewritten)
        original.push_back(
            {change.id, change.field,
             itemOfId.at(change.id)->fields[static_cast<std::size_t>(change.field)]});
    m_undoStack.push(new SetConventionsCommand(*this, current, *conventions, std::move(original),
                                               std::move(rewritten)));
}

void MainWindow::buildFindBar()
{
    // Below the list, out of the way until Find is asked for; Escape closes it.
    m_findBar = new QToolBar(QStringLiteral("Find"), this);
    m_findBar->setObjectName(QStringLiteral("FindBar"));
    m_findBar->setMovable(false);
    m_findBar->setFloatable(false);
    m_findBar->addWidget(new QLabel(QStringLiteral(" Find: "), m_findBar));
    m_findField = new QLineEdit(m_findBar);
    m_findField->setObjectName(QStringLiteral("FindText"));
    m_findField->setClearButtonEnabled(true);
    m_findField->setPlaceholderText(QStringLiteral("Text in any field"));
    m_findBar->addWidget(m_findField);
    QAction* close =
        m_findBar->addAction(QStringLiteral("Close"), this, [this] { closeFindBar(); });
    close->setToolTip(QStringLiteral("Close the find bar and show every item (Esc)"));
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), m_findBar);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, this, [this] { closeFindBar(); });
    // Typing pauses a moment before the list is filtered, so a long list never lags a key.
    auto* pause = new QTimer(this);
    pause->setSingleShot(true);
    pause->setInterval(150);
    connect(m_findField, &QLineEdit::textChanged, pause, qOverload<>(&QTimer::start));
    connect(pause, &QTimer::timeout, this, [this] {
        const int row = selectedRow();
        m_shown.setFindText(m_findField->text());
        // The selected item stays in view when it was found; otherwise the finds show from the
        // first.
        if (viewIndex(row, 0).isValid())
            selectRow(row);
        else
            m_list->scrollToTop();
        updateStatusLine();
    });
    addToolBar(Qt::BottomToolBarArea, m_findBar);
    m_findBar->hide();
}

void MainWindow::showFindBar()
{
    m_findBar->show();
    m_findField->setFocus();
    m_findField->selectAll();
}

void MainWindow::closeFindBar()
{
    const int row = selectedRow();
    m_findField->clear();
    m_shown.setFindText(QString());
    m_findBar->hide();
    selectRow(row);
    m_list->setFocus();
    updateStatusLine();
}

bool MainWindow::isFinding() const
{
    return m_shown.isFiltering();
}

void MainWindow::showSortIndicator(int field, SortDirection direction)
{
    m_list->header()->setSortIndicator(
        field, direction == SortDirection::Ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    m_list->header()->setSortIndicatorShown(true);
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
    const std::vector<int> order =
        sortedOrder(field, texts, direction, m_model.conventions().inputLocale(), collator);
    // An order that is already right is no change and no step to undo.
    bool unchanged = true;
    for (std::size_t i = 0; i < order.size() && unchanged; ++i)
        unchanged = order[i] == static_cast<int>(i);
    if (unchanged) {
        showSortIndicator(field, direction);
        return;
    }
    std::vector<ItemId> before, after;
    before.reserve(items.size());
    after.reserve(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        before.push_back(items[i].id);
        after.push_back(items[static_cast<std::size_t>(order[i])].id);
    }
    const QScopedValueRollback<bool> sorting(m_sorting, true);
    m_undoStack.push(new SetOrderCommand(*this, std::move(before), std::move(after),
                                         QStringLiteral("Sort Items")));
    showSortIndicator(field, direction);
}

} // namespace stowfolio
