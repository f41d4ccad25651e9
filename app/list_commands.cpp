#include "app/list_commands.h"

#include <utility>

namespace stowfolio {

InsertItemsCommand::InsertItemsCommand(ItemListEditing& list, int at, std::vector<Item> items,
                                       const QString& text, AfterFirstInsert afterFirstInsert)
    : QUndoCommand(text), m_list(list), m_at(at), m_items(std::move(items)),
      m_afterFirstInsert(std::move(afterFirstInsert))
{
}

std::vector<ItemId> InsertItemsCommand::ids() const
{
    std::vector<ItemId> ids;
    ids.reserve(m_items.size());
    for (const Item& item : m_items)
        ids.push_back(item.id);
    return ids;
}

void InsertItemsCommand::redo()
{
    const std::optional<std::vector<ItemId>> ids = m_list.insertItems(m_at, m_items);
    if (!ids) {
        setObsolete(true);
        return;
    }
    // A redo after an undo brings the same items back under the same ids.
    for (std::size_t i = 0; i < m_items.size(); ++i)
        m_items[i].id = (*ids)[i];
    if (m_afterFirstInsert) {
        const AfterFirstInsert afterFirstInsert = std::exchange(m_afterFirstInsert, {});
        if (!afterFirstInsert(*ids)) {
            m_list.removeItems(*ids);
            setObsolete(true);
        }
    }
}

void InsertItemsCommand::undo()
{
    if (!m_list.removeItems(ids()))
        setObsolete(true);
}

RemoveItemsCommand::RemoveItemsCommand(ItemListEditing& list, std::vector<PlacedItem> items,
                                       const QString& text)
    : QUndoCommand(text), m_list(list), m_items(std::move(items))
{
}

void RemoveItemsCommand::redo()
{
    std::vector<ItemId> ids;
    ids.reserve(m_items.size());
    for (const PlacedItem& placed : m_items)
        ids.push_back(placed.item.id);
    if (!m_list.removeItems(ids))
        setObsolete(true);
}

void RemoveItemsCommand::undo()
{
    if (!m_list.insertItems(m_items))
        setObsolete(true);
}

SetFieldCommand::SetFieldCommand(ItemListEditing& list, ItemField field,
                                 std::vector<FieldText> before, std::vector<FieldText> after,
                                 const QString& text)
    : QUndoCommand(text), m_list(list), m_field(field), m_before(std::move(before)),
      m_after(std::move(after))
{
}

void SetFieldCommand::redo()
{
    if (!m_list.setField(m_field, m_after))
        setObsolete(true);
}

void SetFieldCommand::undo()
{
    if (!m_list.setField(m_field, m_before))
        setObsolete(true);
}

MoveItemCommand::MoveItemCommand(ItemListEditing& list, ItemId id, int from, int to)
    : QUndoCommand(to < from ? QStringLiteral("Move Item Up") : QStringLiteral("Move Item Down")),
      m_list(list), m_id(id), m_from(from), m_to(to)
{
}

void MoveItemCommand::redo()
{
    if (!m_list.moveItem(m_id, m_to))
        setObsolete(true);
}

void MoveItemCommand::undo()
{
    if (!m_list.moveItem(m_id, m_from))
        setObsolete(true);
}

SetOrderCommand::SetOrderCommand(ItemListEditing& list, std::vector<ItemId> before,
                                 std::vector<ItemId> after, const QString& text)
    : QUndoCommand(text), m_list(list), m_before(std::move(before)), m_after(std::move(after))
{
}

void SetOrderCommand::redo()
{
    if (!m_list.setOrder(m_after))
        setObsolete(true);
}

void SetOrderCommand::undo()
{
    if (!m_list.setOrder(m_before))
        setObsolete(true);
}

} // namespace stowfolio
