#pragma once

// The store of record for the item list: an SQLite database in
// $XDG_DATA_HOME/Quillane/Stowfolio/inventory.db (folder 0700, file 0600), in WAL mode so that a
// reader never waits for a writer and a killed process leaves either the old or the new state.
//
// Every change is one transaction that touches only the rows it changes: an edit is one UPDATE
// of one field, Add and Delete one row each; a failure (a full disk, a read-only folder) rolls
// back and throws DatabaseError with the reason, and the database stays as it was. Items have
// a stable id, which undo steps and later attachments refer to; their order in the list is a
// separate position column.
//
// Several processes may hold the store at once (the window, --import, --csv): each change is
// made against the database's current rows, never against a copy held in memory, so no process
// overwrites another's items. externalChangeCounter() tells a process that someone else has changed
// the database since it last looked.

#include "state/attachment_records.h"
#include "state/item_fields.h"
#include "state/sqlite_database.h"

#include <QSet>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace stowfolio {

using ItemFields = std::array<QString, kItemFieldCount>;

struct Item
{
    ItemId id = 0;
    ItemFields fields;
};

// An item and the row it sits in (or goes to).
struct PlacedItem
{
    int row = 0;
    Item item;
};

// Items that go together before the item `before` (at the end when it is 0).
struct ItemRun
{
    std::span<const Item> items;
    ItemId before = 0;
};

// One item's new text for a field.
struct FieldText
{
    ItemId id = 0;
    QString text;
};

// One item's new text for one of its fields.
struct ItemFieldText
{
    ItemId id = 0;
    ItemField field = kLocationField;
    QString text;
};

class InventoryStore
{
public:
    // Opens the database at `path`, creating it and its folder (owner-only) when missing, and
    // brings its schema up to date. Throws DatabaseError when it cannot be opened or is not an
    // inventory.
    explicit InventoryStore(const QString& path);
    // Opens an existing inventory only to read it (a second connection of this process that
    // reads the list on another thread); writing through it throws. Throws DatabaseError when
    // it cannot be opened.
    struct ReadingOnly
    {
    };
    InventoryStore(const QString& path, ReadingOnly);
    ~InventoryStore();

    const QString& path() const { return m_database.path(); }
    // True when the database was created by this open (there was no inventory before).
    bool isNew() const { return m_isNew; }

    // Every item, in list order.
    std::vector<Item> items();
    std::int64_t itemCount();
    std::optional<Item> item(ItemId id);

    // Adds `fields` at the end, in order; returns their new ids.
    std::vector<ItemId> append(const std::vector<ItemFields>& rows);
    // Inserts items before the item `before` (at the end when it is 0 or no longer there),
    // keeping their ids when they have one that is free (an undone delete gets its id back).
    // Returns the ids they have.
    std::vector<ItemId> insert(const std::vector<Item>& items, ItemId before);
    // Inserts several runs of items in one transaction, each as insert() does, in turn; returns
    // the ids of all of them in order.
    std::vector<ItemId> insert(const std::vector<ItemRun>& runs);
    void remove(const std::vector<ItemId>& ids);
    void setField(ItemId id, ItemField field, const QString& text);
    // Sets `field` of several items, in one transaction (Set Field of Selected Items).
    void setField(ItemField field, const std::vector<FieldText>& texts);
    // Moves item `id` before the item `before` (to the end when it is 0 or gone).
    void move(ItemId id, ItemId before);
    // The list order afterwards: `order` holds every id of the list once. Ids not in the
    // database are ignored; items missing from `order` keep their place after the others.
    void setOrder(const std::vector<ItemId>& order);
    // Replaces every item by `rows`, in one transaction. A row equal in every field to an item
    // the list held keeps that item's id, and so does a row left with the Location and
    // Description (not empty) of a held item left; each id once, in list order. The files kept
    // with those items stay theirs; the other rows get new ids.
    void replaceAll(const std::vector<ItemFields>& rows);

    // Small values the program keeps beside the items ("itemsSettingsDigest", ...).
    std::optional<QString> meta(const QString& key);
    void setMeta(const QString& key, const QString& value);
    // Sets the texts of `texts` and the meta value `key` in one transaction: a change of the
    // inventory's conventions together with the texts it rewrites.
    void setFieldsAndMeta(const std::vector<ItemFieldText>& texts, const QString& key,
                          const QString& value);

    // The files kept with items (state/attachment_records.h; inventory_store_attachments.cpp).
    // An item's attachments, in their order (the first is the primary one).
    std::vector<Attachment> attachments(ItemId item);
    // The attachments of each of `items`, in the same order, read in one pass: what the report
    // and the claim kit need for a whole list, without a query per item.
    std::vector<std::vector<Attachment>> attachmentsOf(const std::vector<Item>& items);
    std::optional<Attachment> attachment(AttachmentId id);
    // Adds `files` after the item's last attachment, in one transaction; returns their ids.
    // Throws DatabaseError when the item is not there (deleted meanwhile). `whileLocked` runs
    // inside the transaction, before anything is written, while no other process can purge:
    // the caller checks there that the stored files are still in place, and throws if not.
    std::vector<AttachmentId> addAttachments(ItemId item, const std::vector<NewAttachment>& files,
                                             const std::function<void()>& whileLocked = {});
    // The same for several items' files in one transaction (an import); one list of ids per
    // entry of `batch`.
    std::vector<std::vector<AttachmentId>>
    addAttachments(const std::vector<std::pair<ItemId, std::vector<NewAttachment>>>& batch,
                   const std::function<void()>& whileLocked = {});
    // Removes one attachment and closes the gap in its item's order; returns what it was, for
    // restoreAttachment() to put back. The file stays in the store until the next purge, so an
    // undo finds it there. Throws DatabaseError when there is no such attachment.
    Attachment removeAttachment(AttachmentId id);
    // Puts a removed attachment back under its id at its place (or last, when its item has
    // fewer attachments now).
    void restoreAttachment(const Attachment& attachment);
    void setAttachmentCaption(AttachmentId id, const QString& caption);
    void setAttachmentKind(AttachmentId id, AttachmentKind kind);
    // Moves an attachment to `position` among its item's (0 makes it the primary one; a
    // position past the end moves it last).
    void moveAttachment(AttachmentId id, int position);
    // Gives each `to` item copies of its `from` item's attachment records, in their order, in
    // one transaction (Duplicate): the files are shared, so nothing is copied in the store. A `to`
    // item is a new one, without attachments of its own.
    struct AttachmentCopy
    {
        ItemId from = 0;
        ItemId to = 0;
    };
    void copyAttachments(const std::vector<AttachmentCopy>& copies);
    // How many records name the file with this SHA-256.
    std::int64_t attachmentFileUses(const QString& sha256);
    // Deletes the records whose item no longer exists, then, in the same transaction (no other
    // process adds an attachment meanwhile), hands `removeUnnamedFiles` the SHA-256 of every
    // file still named, for it to remove the others from the store. Returns how many records
    // went. Only for a moment when no undo can bring a deleted item back: when the window
    // starts or closes, never from a command-line job that may run beside a window.
    std::int64_t purgeAttachments(
        const std::function<void(const QSet<QString>& namedFiles)>& removeUnnamedFiles);

    // Changes whenever another connection (another process) committed a change; compare two
    // readings to know whether to read the items again.
    std::int64_t externalChangeCounter();

private:
    void migrate();
    ItemId insertOne(const Item& item, double position, Statement& taken, Statement& add,
                     Statement& place);
    std::vector<double> freePositionsBefore(ItemId before, std::size_t count);
    void renumber();
    void closeAttachmentGap(ItemId item, int position);

    // Set while m_database opens, so it comes first.
    bool m_isNew = false;
    SqliteDatabase m_database;
};

// Where the program keeps its inventory database.
QString defaultInventoryDatabasePath();

// Creates `folder` and its missing parents, the last one owner-only (0700). Refuses a folder
// that is a link or belongs to someone else. Throws std::runtime_error saying why.
void makePrivateFolder(const QString& folder);

} // namespace stowfolio
