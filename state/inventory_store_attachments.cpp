// The attachment records of InventoryStore (state/attachment_records.h). An item's attachments
// are numbered 0, 1, 2, ... without gaps; every change that moves one renumbers the others in
// the same transaction.

#include "state/inventory_store.h"

#include <QStringList>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <unordered_map>

namespace stowfolio {

namespace {

constexpr std::string_view kAttachmentColumns =
    "id, item, position, kind, caption, added, sha256, size, original_name, taken, camera";

Attachment readAttachment(const Statement& select)
{
    Attachment attachment;
    attachment.id = select.integer(0);
    attachment.item = select.integer(1);
    attachment.position = static_cast<int>(select.integer(2));
    attachment.kind = attachmentKindFromKey(select.text(3));
    attachment.caption = select.text(4);
    attachment.added = select.text(5);
    attachment.file.sha256 = select.text(6);
    attachment.file.size = select.integer(7);
    attachment.file.originalName = select.text(8);
    attachment.file.taken = select.text(9);
    attachment.file.camera = select.text(10);
    return attachment;
}

// The texts of a record, checked before anything is written: a caption is held to what one
// sheet cell holds, like a field; a name is a file name.
void refuseOversizedTexts(const QString& caption, const AttachmentFileFacts& file)
{
    if (caption.size() > kMaxFieldLength)
        throw std::length_error(QStringLiteral("a caption holds %L1 characters; it may hold at "
                                               "most %L2")
                                    .arg(caption.size())
                                    .arg(kMaxFieldLength)
                                    .toStdString());
    for (const QString* text : {&file.sha256, &file.originalName, &file.taken, &file.camera}) {
        if (text->size() > kMaxFieldLength)
            throw std::length_error("an attachment's file facts are longer than a record holds");
    }
}

QString kindText(AttachmentKind kind)
{
    const std::string_view key = attachmentKindKey(kind);
    return QString::fromLatin1(key.data(), static_cast<qsizetype>(key.size()));
}

// One attachment record: under `id` (a removed one put back), or under a new id when it is
// empty.
constexpr const char* kInsertAttachment =
    "INSERT INTO attachments (id, item, position, kind, caption, added, sha256, size, "
    "original_name, taken, camera) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)";

void insertAttachment(Statement& insert, std::optional<AttachmentId> id, ItemId item,
                      std::int64_t position, AttachmentKind kind, const QString& caption,
                      const QString& added, const AttachmentFileFacts& file)
{
    if (id)
        insert.bind(1, *id);
    else
        insert.bindNull(1);
    insert.bind(2, item)
        .bind(3, position)
        .bind(4, kindText(kind))
        .bind(5, caption)
        .bind(6, added)
        .bind(7, file.sha256)
        .bind(8, file.size)
        .bind(9, file.originalName)
        .bind(10, file.taken)
        .bind(11, file.camera);
    insert.run();
}

} // namespace

std::string_view attachmentKindKey(AttachmentKind kind)
{
    switch (kind) {
    case AttachmentKind::Photo:
        return "photo";
    case AttachmentKind::Receipt:
        return "receipt";
    case AttachmentKind::Manual:
        return "manual";
    case AttachmentKind::Appraisal:
        return "appraisal";
    case AttachmentKind::Document:
        break;
    }
    return "document";
}

AttachmentKind attachmentKindFromKey(const QString& key)
{
    for (const AttachmentKind kind : kAttachmentKinds) {
        if (key == kindText(kind))
            return kind;
    }
    return AttachmentKind::Document;
}

std::vector<Attachment> InventoryStore::attachments(ItemId item)
{
    Statement select(m_database, "SELECT " + std::string(kAttachmentColumns) +
                                     " FROM attachments WHERE item = ?1 ORDER BY position, id");
    select.bind(1, item);
    std::vector<Attachment> result;
    while (select.step())
        result.push_back(readAttachment(select));
    return result;
}

std::vector<std::vector<Attachment>> InventoryStore::attachmentsOf(const std::vector<Item>& items)
{
    std::unordered_map<ItemId, std::size_t> indexOf;
    indexOf.reserve(items.size());
    for (std::size_t i = 0; i < items.size(); ++i)
        indexOf.emplace(items[i].id, i);
    std::vector<std::vector<Attachment>> result(items.size());
    Statement select(m_database, "SELECT " + std::string(kAttachmentColumns) +
                                     " FROM attachments ORDER BY item, position, id");
    while (select.step()) {
        Attachment attachment = readAttachment(select);
        if (const auto found = indexOf.find(attachment.item); found != indexOf.end())
            result[found->second].push_back(std::move(attachment));
    }
    return result;
}

std::optional<Attachment> InventoryStore::attachment(AttachmentId id)
{
    Statement select(m_database, "SELECT " + std::string(kAttachmentColumns) +
                                     " FROM attachments WHERE id = ?1");
    select.bind(1, id);
    if (!select.step())
        return std::nullopt;
    return readAttachment(select);
}

std::vector<AttachmentId> InventoryStore::addAttachments(ItemId item,
                                                         const std::vector<NewAttachment>& files,
                                                         const std::function<void()>& whileLocked)
{
    return addAttachments({{item, files}}, whileLocked).front();
}

std::vector<std::vector<AttachmentId>> InventoryStore::addAttachments(
    const std::vector<std::pair<ItemId, std::vector<NewAttachment>>>& batch,
    const std::function<void()>& whileLocked)
{
    for (const auto& [item, files] : batch)
        for (const NewAttachment& file : files)
            refuseOversizedTexts(file.caption, file.file);
    Transaction transaction(m_database);
    {
        Statement exists(m_database, "SELECT 1 FROM items WHERE id = ?1");
        for (const auto& [item, files] : batch) {
            exists.bind(1, item);
            if (!exists.step())
                throw DatabaseError("the item is no longer in the inventory; nothing was attached",
                                    0);
            exists.reset();
        }
    }
    if (whileLocked)
        whileLocked();
    Statement last(m_database, "SELECT coalesce(max(position) + 1, 0) FROM attachments WHERE "
                               "item = ?1");
    Statement add(m_database, kInsertAttachment);
    std::vector<std::vector<AttachmentId>> ids;
    ids.reserve(batch.size());
    for (const auto& [item, files] : batch) {
        last.bind(1, item);
        last.step();
        std::int64_t position = last.integer(0);
        last.reset();
        std::vector<AttachmentId>& itemIds = ids.emplace_back();
        for (const NewAttachment& file : files) {
            insertAttachment(add, std::nullopt, item, position++, file.kind, file.caption,
                             file.added, file.file);
            itemIds.push_back(m_database.lastInsertId());
        }
    }
    transaction.commit();
    return ids;
}

void InventoryStore::closeAttachmentGap(ItemId item, int position)
{
    Statement shift(m_database, "UPDATE attachments SET position = position - 1 WHERE item = ?1 "
                                "AND position > ?2");
    shift.bind(1, item).bind(2, static_cast<std::int64_t>(position));
    shift.run();
}

Attachment InventoryStore::removeAttachment(AttachmentId id)
{
    Transaction transaction(m_database);
    const std::optional<Attachment> removed = attachment(id);
    if (!removed)
        throw DatabaseError("the attachment is no longer in the inventory", 0);
    Statement erase(m_database, "DELETE FROM attachments WHERE id = ?1");
    erase.bind(1, id);
    erase.run();
    closeAttachmentGap(removed->item, removed->position);
    transaction.commit();
    return *removed;
}

void InventoryStore::restoreAttachment(const Attachment& restored)
{
    refuseOversizedTexts(restored.caption, restored.file);
    Transaction transaction(m_database);
    Statement count(m_database, "SELECT count(*) FROM attachments WHERE item = ?1");
    count.bind(1, restored.item);
    count.step();
    const std::int64_t position = std::clamp<std::int64_t>(restored.position, 0, count.integer(0));
    Statement open(m_database, "UPDATE attachments SET position = position + 1 WHERE item = ?1 "
                               "AND position >= ?2");
    open.bind(1, restored.item).bind(2, position);
    open.run();
    // An id still taken (the attachment was never removed) makes the insert fail: nothing is
    // put back twice.
    Statement add(m_database, kInsertAttachment);
    insertAttachment(add, restored.id, restored.item, position, restored.kind, restored.caption,
                     restored.added, restored.file);
    transaction.commit();
}

void InventoryStore::setAttachmentCaption(AttachmentId id, const QString& caption)
{
    refuseOversizedTexts(caption, {});
    Statement update(m_database, "UPDATE attachments SET caption = ?2 WHERE id = ?1");
    update.bind(1, id).bind(2, caption);
    update.run();
}

void InventoryStore::setAttachmentKind(AttachmentId id, AttachmentKind kind)
{
    Statement update(m_database, "UPDATE attachments SET kind = ?2 WHERE id = ?1");
    update.bind(1, id).bind(2, kindText(kind));
    update.run();
}

void InventoryStore::moveAttachment(AttachmentId id, int position)
{
    Transaction transaction(m_database);
    const std::optional<Attachment> moved = attachment(id);
    if (!moved)
        throw DatabaseError("the attachment is no longer in the inventory", 0);
    closeAttachmentGap(moved->item, moved->position);
    Statement count(m_database, "SELECT count(*) - 1 FROM attachments WHERE item = ?1");
    count.bind(1, moved->item);
    count.step();
    const std::int64_t target = std::clamp<std::int64_t>(position, 0, count.integer(0));
    Statement open(m_database, "UPDATE attachments SET position = position + 1 WHERE item = ?1 "
                               "AND position >= ?2 AND id != ?3");
    open.bind(1, moved->item).bind(2, target).bind(3, id);
    open.run();
    Statement place(m_database, "UPDATE attachments SET position = ?2 WHERE id = ?1");
    place.bind(1, id).bind(2, target);
    place.run();
    transaction.commit();
}

void InventoryStore::copyAttachments(const std::vector<AttachmentCopy>& copies)
{
    Transaction transaction(m_database);
    Statement copy(m_database,
                   "INSERT INTO attachments (item, position, kind, caption, added, sha256, size, "
                   "original_name, taken, camera) SELECT ?2, position, kind, caption, added, "
                   "sha256, size, original_name, taken, camera FROM attachments WHERE item = ?1 "
                   "ORDER BY position");
    for (const AttachmentCopy& pair : copies) {
        copy.bind(1, pair.from).bind(2, pair.to);
        copy.run();
    }
    transaction.commit();
}

std::int64_t InventoryStore::attachmentFileUses(const QString& sha256)
{
    Statement count(m_database, "SELECT count(*) FROM attachments WHERE sha256 = ?1");
    count.bind(1, sha256);
    count.step();
    return count.integer(0);
}

std::int64_t InventoryStore::purgeAttachments(
    const std::function<void(const QSet<QString>& namedFiles)>& removeUnnamedFiles)
{
    std::int64_t purged = 0;
    {
        Transaction transaction(m_database);
        const std::int64_t before = m_database.queryInteger("SELECT count(*) FROM attachments");
        m_database.execute("DELETE FROM attachments WHERE item NOT IN (SELECT id FROM items)");
        purged = before - m_database.queryInteger("SELECT count(*) FROM attachments");
        transaction.commit();
    }
    // The files go while the write lock is held, after the records that named them are gone
    // for good: an attachment another process adds meanwhile waits, and then finds its file
    // missing (addAttachments' whileLocked) instead of naming a file removed under it.
    Transaction transaction(m_database);
    QSet<QString> named;
    {
        Statement files(m_database, "SELECT DISTINCT sha256 FROM attachments");
        while (files.step())
            named.insert(files.text(0));
    }
    if (removeUnnamedFiles)
        removeUnnamedFiles(named);
    transaction.commit();
    return purged;
}

} // namespace stowfolio
