// The attachment records of the inventory database: order within an item, undo of a removal and
// of an item's deletion, the purge of records no undo can bring back, and the migration of a
// database from before attachments.

#include "state/inventory_store.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

namespace stowfolio {
namespace {

NewAttachment fileNamed(const QString& name, AttachmentKind kind = AttachmentKind::Photo)
{
    NewAttachment attachment;
    attachment.kind = kind;
    attachment.added = QStringLiteral("2026-01-02T03:04:05");
    attachment.file.sha256 = QString(64, name.at(0).toLower());
    attachment.file.size = name.size();
    attachment.file.originalName = name;
    return attachment;
}

QStringList namesOf(const std::vector<Attachment>& attachments)
{
    QStringList names;
    for (const Attachment& attachment : attachments)
        names << attachment.file.originalName;
    return names;
}

std::vector<int> positionsOf(const std::vector<Attachment>& attachments)
{
    std::vector<int> positions;
    for (const Attachment& attachment : attachments)
        positions.push_back(attachment.position);
    return positions;
}

class AttachmentRecordsTest : public ::testing::Test
{
protected:
    QString databasePath() const { return m_dir.filePath(QStringLiteral("data/inventory.db")); }

    QTemporaryDir m_dir;
};

TEST_F(AttachmentRecordsTest, AttachmentsKeepTheirFactsAndOrderAcrossReopening)
{
    ItemId item = 0;
    {
        InventoryStore store(databasePath());
        item = store.append({ItemFields{}}).front();
        NewAttachment receipt = fileNamed(QStringLiteral("b-receipt.pdf"), AttachmentKind::Receipt);
        receipt.caption = QStringLiteral("From the shop, ünï");
        receipt.file.taken = QStringLiteral("2024-05-01T14:03:22");
        receipt.file.camera = QStringLiteral("Canon EOS 80D");
        store.addAttachments(item, {fileNamed(QStringLiteral("a.jpg")), receipt});
        store.addAttachments(item,
                             {fileNamed(QStringLiteral("c-manual.pdf"), AttachmentKind::Manual)});
    }
    InventoryStore store(databasePath());
    const std::vector<Attachment> attachments = store.attachments(item);
    EXPECT_EQ(namesOf(attachments),
              (QStringList{QStringLiteral("a.jpg"), QStringLiteral("b-receipt.pdf"),
                           QStringLiteral("c-manual.pdf")}));
    EXPECT_EQ(positionsOf(attachments), (std::vector<int>{0, 1, 2}));
    ASSERT_EQ(attachments.size(), 3u);
    const Attachment& receipt = attachments[1];
    EXPECT_EQ(receipt.item, item);
    EXPECT_EQ(receipt.kind, AttachmentKind::Receipt);
    EXPECT_EQ(receipt.caption, QStringLiteral("From the shop, ünï"));
    EXPECT_EQ(receipt.added, QStringLiteral("2026-01-02T03:04:05"));
    EXPECT_EQ(receipt.file.sha256, QString(64, u'b'));
    EXPECT_EQ(receipt.file.size, 13);
    EXPECT_EQ(receipt.file.taken, QStringLiteral("2024-05-01T14:03:22"));
    EXPECT_EQ(receipt.file.camera, QStringLiteral("Canon EOS 80D"));
    EXPECT_EQ(attachments[2].kind, AttachmentKind::Manual);
}

TEST_F(AttachmentRecordsTest, KindsAreStoredUnderStableKeys)
{
    // The keys are in every database written: they never change.
    const std::pair<AttachmentKind, const char*> rows[] = {
        {AttachmentKind::Photo, "photo"},       {AttachmentKind::Receipt, "receipt"},
        {AttachmentKind::Manual, "manual"},     {AttachmentKind::Appraisal, "appraisal"},
        {AttachmentKind::Document, "document"},
    };
    for (const auto& [kind, key] : rows) {
        EXPECT_EQ(attachmentKindKey(kind), key);
        EXPECT_EQ(attachmentKindFromKey(QString::fromLatin1(key)), kind);
    }
    EXPECT_EQ(attachmentKindFromKey(QStringLiteral("hologram")), AttachmentKind::Document);
}

TEST_F(AttachmentRecordsTest, AnAttachmentForAnItemThatIsGoneIsRefused)
{
    InventoryStore store(databasePath());
    const ItemId item = store.append({ItemFields{}}).front();
    store.remove({item});
    bool checked = false;
    EXPECT_THROW(
        store.addAttachments(item, {fileNamed(QStringLiteral("a.jpg"))}, [&] { checked = true; }),
        DatabaseError);
    EXPECT_FALSE(checked);
    EXPECT_TRUE(store.attachments(item).empty());
}

TEST_F(AttachmentRecordsTest, AFailedCheckWhileLockedAddsNothing)
{
    InventoryStore store(databasePath());
    const ItemId item = store.append({ItemFields{}}).front();
    EXPECT_THROW(store.addAttachments(
                     item, {fileNamed(QStringLiteral("a.jpg")), fileNamed(QStringLiteral("b.jpg"))},
                     [] { throw std::runtime_error("a file went missing"); }),
                 std::runtime_error);
    EXPECT_TRUE(store.attachments(item).empty());
}

TEST_F(AttachmentRecordsTest, RemovingClosesTheGapAndRestoringPutsItBackInPlace)
{
    InventoryStore store(databasePath());
    const ItemId item = store.append({ItemFields{}}).front();
    const std::vector<AttachmentId> ids = store.addAttachments(
        item, {fileNamed(QStringLiteral("a.jpg")), fileNamed(QStringLiteral("b.jpg")),
               fileNamed(QStringLiteral("c.jpg"))});
    const Attachment removed = store.removeAttachment(ids[1]);
    EXPECT_EQ(removed.file.originalName, QStringLiteral("b.jpg"));
    EXPECT_EQ(namesOf(store.attachments(item)),
              (QStringList{QStringLiteral("a.jpg"), QStringLiteral("c.jpg")}));
    EXPECT_EQ(positionsOf(store.attachments(item)), (std::vector<int>{0, 1}));
    EXPECT_FALSE(store.attachment(ids[1]));

    store.restoreAttachment(removed);
    const std::vector<Attachment> back = store.attachments(item);
    EXPECT_EQ(namesOf(back), (QStringList{QStringLiteral("a.jpg"), QStringLiteral("b.jpg"),
                                          QStringLiteral("c.jpg")}));
    EXPECT_EQ(positionsOf(back), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(back[1].id, ids[1]);
    // Put back twice, it would be there twice.
    EXPECT_THROW(store.restoreAttachment(removed), DatabaseError);
    EXPECT_EQ(store.attachments(item).size(), 3u);
    EXPECT_THROW(store.removeAttachment(9999), DatabaseError);
}

TEST_F(AttachmentRecordsTest, MovingToTheFrontMakesThePrimaryPhoto)
{
    InventoryStore store(databasePath());
    const ItemId item = store.append({ItemFields{}}).front();
    const std::vector<AttachmentId> ids = store.addAttachments(
        item, {fileNamed(QStringLiteral("a.jpg")), fileNamed(QStringLiteral("b.jpg")),
               fileNamed(QStringLiteral("c.jpg")), fileNamed(QStringLiteral("d.jpg"))});
    store.moveAttachment(ids[2], 0);
    EXPECT_EQ(namesOf(store.attachments(item)).join(QString()),
              QStringLiteral("c.jpga.jpgb.jpgd.jpg"));
    store.moveAttachment(ids[2], 99);
    EXPECT_EQ(namesOf(store.attachments(item)).join(QString()),
              QStringLiteral("a.jpgb.jpgd.jpgc.jpg"));
    store.moveAttachment(ids[0], 2);
    EXPECT_EQ(namesOf(store.attachments(item)).join(QString()),
              QStringLiteral("b.jpgd.jpga.jpgc.jpg"));
    EXPECT_EQ(positionsOf(store.attachments(item)), (std::vector<int>{0, 1, 2, 3}));
}

TEST_F(AttachmentRecordsTest, CaptionAndKindChangeAlone)
{
    InventoryStore store(databasePath());
    const ItemId item = store.append({ItemFields{}}).front();
    const AttachmentId id =
        store.addAttachments(item, {fileNamed(QStringLiteral("a.jpg"))}).front();
    store.setAttachmentCaption(id, QStringLiteral("Serial number plate"));
    store.setAttachmentKind(id, AttachmentKind::Appraisal);
    const std::optional<Attachment> changed = store.attachment(id);
    ASSERT_TRUE(changed);
    EXPECT_EQ(changed->caption, QStringLiteral("Serial number plate"));
    EXPECT_EQ(changed->kind, AttachmentKind::Appraisal);
    EXPECT_EQ(changed->file.originalName, QStringLiteral("a.jpg"));
    EXPECT_THROW(store.setAttachmentCaption(id, QString(kMaxFieldLength + 1, u'x')),
                 std::length_error);
}

TEST_F(AttachmentRecordsTest, UndoingAnItemsDeletionBringsItsAttachmentsBack)
{
    InventoryStore store(databasePath());
    const std::vector<ItemId> items = store.append({ItemFields{}, ItemFields{}});
    store.addAttachments(items[0], {fileNamed(QStringLiteral("a.jpg"))});
    const std::optional<Item> deleted = store.item(items[0]);
    ASSERT_TRUE(deleted);
    store.remove({items[0]});
    // As the list's undo does: the item goes back under its own id.
    store.insert({*deleted}, items[1]);
    EXPECT_EQ(namesOf(store.attachments(items[0])), QStringList{QStringLiteral("a.jpg")});
}

TEST_F(AttachmentRecordsTest, PurgeRemovesOnlyTheRecordsOfItemsThatAreGone)
{
    InventoryStore store(databasePath());
    const std::vector<ItemId> items = store.append({ItemFields{}, ItemFields{}});
    store.addAttachments(
        items[0], {fileNamed(QStringLiteral("a.jpg")), fileNamed(QStringLiteral("shared.pdf"))});
    store.addAttachments(
        items[1], {fileNamed(QStringLiteral("b.jpg")), fileNamed(QStringLiteral("shared.pdf"))});
    store.remove({items[0]});
    QSet<QString> named;
    EXPECT_EQ(store.purgeAttachments([&](const QSet<QString>& files) { named = files; }), 2);
    EXPECT_EQ(named, (QSet<QString>{QString(64, u'b'), QString(64, u's')}));
    EXPECT_EQ(namesOf(store.attachments(items[1])),
              (QStringList{QStringLiteral("b.jpg"), QStringLiteral("shared.pdf")}));
    EXPECT_EQ(store.attachmentFileUses(QString(64, u's')), 1);
    EXPECT_EQ(store.attachmentFileUses(QString(64, u'a')), 0);
    EXPECT_EQ(store.purgeAttachments({}), 0);
}

TEST_F(AttachmentRecordsTest, ADatabaseFromBeforeAttachmentsKeepsItsItems)
{
    // Version 1 as it was written: items, positions and meta, without attachments.
    {
        QDir().mkpath(QFileInfo(databasePath()).absolutePath());
        SqliteDatabase old(databasePath());
        std::string sql = "CREATE TABLE items (id INTEGER PRIMARY KEY AUTOINCREMENT";
        for (const ItemFieldInfo& field : kItemFields)
            sql += ", " + std::string(field.column) + " TEXT NOT NULL DEFAULT ''";
        sql += "); CREATE TABLE positions (id INTEGER PRIMARY KEY REFERENCES items (id) ON DELETE "
               "CASCADE, position REAL NOT NULL); CREATE TABLE meta (key TEXT PRIMARY KEY, value "
               "TEXT NOT NULL); INSERT INTO items (id, " +
               std::string(kItemFields[kLocationField].column) +
               ") VALUES (7, 'Attic'); INSERT INTO positions VALUES (7, 1024.0); INSERT INTO meta "
               "VALUES ('itemsSettingsDigest', 'abc'); PRAGMA user_version = 1;";
        old.execute(sql);
    }
    InventoryStore store(databasePath());
    const std::vector<Item> items = store.items();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].id, 7);
    EXPECT_EQ(items[0].fields[kLocationField], QStringLiteral("Attic"));
    EXPECT_EQ(store.meta(QStringLiteral("itemsSettingsDigest")), QStringLiteral("abc"));
    store.addAttachments(7, {fileNamed(QStringLiteral("a.jpg"))});
    EXPECT_EQ(store.attachments(7).size(), 1u);
    {
        SqliteDatabase raw(databasePath());
        EXPECT_EQ(raw.queryInteger("PRAGMA user_version"), 2);
    }
}

} // namespace
} // namespace stowfolio
