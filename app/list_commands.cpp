#include "app/list_commands.h"

namespace stowfolio {

InsertRowsCommand::InsertRowsCommand(ItemListEditing& list, int at, QList<QStringList> rows,
                                     FirstRedo first, const QString& text)
    : QUndoCommand(text), m_list(list), m_at(at), m_rows(std::move(rows)),
      m_skipRedo(first == FirstRedo::AlreadyDone)
{
}

void InsertRowsCommand::redo()
{
    if (m_skipRedo)
        m_skipRedo = false;
    else
        m_list.insertRows(m_at, m_rows);
}

void InsertRowsCommand::undo()
{
    m_list.takeRows(m_at, static_cast<int>(m_rows.size()));
}

RemoveRowCommand::RemoveRowCommand(ItemListEditing& list, int at, QStringList row, FirstRedo first)
    : QUndoCommand(QStringLiteral("Delete Item")), m_list(list), m_at(at), m_row(std::move(row)),
      m_skipRedo(first == FirstRedo::AlreadyDone)
{
}

void RemoveRowCommand::redo()
{
    if (m_skipRedo)
        m_skipRedo = false;
    else
        m_list.takeRows(m_at, 1);
}

void RemoveRowCommand::undo()
{
    m_list.insertRows(m_at, {m_row});
}

SetFieldCommand::SetFieldCommand(ItemListEditing& list, int row, int column, QString text)
    : QUndoCommand(QStringLiteral("Edit Item")), m_list(list), m_row(row), m_column(column),
      m_old(list.field(row, column)), m_new(std::move(text))
{
}

void SetFieldCommand::redo()
{
    m_list.setField(m_row, m_column, m_new);
}

void SetFieldCommand::undo()
{
    m_list.setField(m_row, m_column, m_old);
}

MoveRowCommand::MoveRowCommand(ItemListEditing& list, int from, int to)
    : QUndoCommand(to < from ? QStringLiteral("Move Item Up") : QStringLiteral("Move Item Down")),
      m_list(list), m_from(from), m_to(to)
{
}

void MoveRowCommand::redo()
{
    m_list.moveRow(m_from, m_to);
}

void MoveRowCommand::undo()
{
    m_list.moveRow(m_to, m_from);
}

ReorderRowsCommand::ReorderRowsCommand(ItemListEditing& list, std::vector<int> order,
                                       const QString& text)
    : QUndoCommand(text), m_list(list), m_order(std::move(order))
{
}

void ReorderRowsCommand::redo()
{
    m_list.reorderRows(m_order);
}

void ReorderRowsCommand::undo()
{
    // The inverse order: the row now at i goes back to where it came from, m_order[i].
    std::vector<int> inverse(m_order.size());
    for (size_t i = 0; i < m_order.size(); ++i)
        inverse[static_cast<size_t>(m_order[i])] = static_cast<int>(i);
    m_list.reorderRows(inverse);
}

} // namespace stowfolio
