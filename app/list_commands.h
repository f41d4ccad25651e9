#pragma once

// The changes a user can make to the item list, as undoable steps. Every change (Add, Delete,
// the sample row, an edit in place, Duplicate, Move, Sort, Import) is one QUndoCommand over an
// ItemListEditing, so Undo and Redo work the same for all of them and need no widget to be
// tested. Commands name items by id, so an undo still finds its item after another process
// added or removed others; positions are only where an item goes back to.
//
// A change the store refuses (a full disk) leaves the list as it was; its command then makes
// itself obsolete, so the undo stack never holds a step that did not happen.

#include "state/inventory_conventions.h"
#include "state/inventory_store.h"

#include <QUndoCommand>

#include <functional>
#include <optional>
#include <vector>

namespace stowfolio {

// The list as the commands change it. Each call stores the change first and returns false (or
// nothing) when it could not be stored; the list is then unchanged.
class ItemListEditing
{
public:
    virtual ~ItemListEditing() = default;
    // Inserts before row `at` (at the end when it is the row count); keeps free ids.
    virtual std::optional<std::vector<ItemId>> insertItems(int at,
                                                           const std::vector<Item>& items) = 0;
    // Puts items back in the rows they name (rising), as one change.
    virtual std::optional<std::vector<ItemId>>
    insertItems(const std::vector<PlacedItem>& placed) = 0;
    virtual bool removeItems(const std::vector<ItemId>& ids) = 0;
    virtual bool setField(ItemField field, const std::vector<FieldText>& texts) = 0;
    virtual bool moveItem(ItemId id, int to) = 0;
    // The list afterwards holds the items in `order`.
    virtual bool setOrder(const std::vector<ItemId>& order) = 0;
    // The items as the list holds them now, in list order.
    virtual const std::vector<Item>& listedItems() const = 0;
    // The inventory's conventions become `conventions`, with the texts they rewrite.
    virtual bool setConventions(const InventoryConventions& conventions,
                                const std::vector<ItemFieldText>& texts) = 0;
};

class InsertItemsCommand : public QUndoCommand
{
public:
    // Runs once, after the first insert, with the new items' ids (an import keeps their files
    // there, Duplicate copies its originals' attachments); false takes the items out again and the
    // step never happened. Undo and redo after it need nothing: the items come back under the same
    // ids, and what follows ids with them.
    using AfterFirstInsert = std::function<bool(const std::vector<ItemId>& ids)>;

    InsertItemsCommand(ItemListEditing& list, int at, std::vector<Item> items, const QString& text,
                       AfterFirstInsert afterFirstInsert = {});
    void redo() override;
    void undo() override;

private:
    std::vector<ItemId> ids() const;

    ItemListEditing& m_list;
    int m_at;
    std::vector<Item> m_items; // with their ids once inserted
    AfterFirstInsert m_afterFirstInsert;
};

class RemoveItemsCommand : public QUndoCommand
{
public:
    // `items` in rising rows, wherever they sit; Undo puts each back in its row.
    RemoveItemsCommand(ItemListEditing& list, std::vector<PlacedItem> items, const QString& text);
    void redo() override;
    void undo() override;

private:
    ItemListEditing& m_list;
    std::vector<PlacedItem> m_items;
};

// One field of one or many items: an edit in place, Set Field of Selected Items.
class SetFieldCommand : public QUndoCommand
{
public:
    SetFieldCommand(ItemListEditing& list, ItemField field, std::vector<FieldText> before,
                    std::vector<FieldText> after, const QString& text);
    void redo() override;
    void undo() override;

private:
    ItemListEditing& m_list;
    ItemField m_field;
    std::vector<FieldText> m_before;
    std::vector<FieldText> m_after;
};

class MoveItemCommand : public QUndoCommand
{
public:
    MoveItemCommand(ItemListEditing& list, ItemId id, int from, int to);
    void redo() override;
    void undo() override;

private:
    ItemListEditing& m_list;
    ItemId m_id;
    int m_from;
    int m_to;
};

class SetOrderCommand : public QUndoCommand
{
public:
    SetOrderCommand(ItemListEditing& list, std::vector<ItemId> before, std::vector<ItemId> after,
                    const QString& text);
    void redo() override;
    void undo() override;

private:
    ItemListEditing& m_list;
    std::vector<ItemId> m_before;
    std::vector<ItemId> m_after;
};

} // namespace stowfolio
