// The inventory database: order and identity of items, two processes at once, a full disk, a
// kill in the middle of a store, and the limits at the door.

#include "spreadsheet/files/atomic_file.h"
#include "state/inventory_store.h"
#include "tests/support/file_size_limit.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace stowfolio {
namespace {

ItemFields fieldsOf(const QString& location, const QString& description = QString())
{
    ItemFields fields;
    fields[kLocationField] = location;
    fields[kDescriptionField] = description;
    return fields;
}

QStringList locations(const std::vector<Item>& items)
{
    QStringList texts;
    for (const Item& item : items)
        texts << item.fields[kLocationField];
    return texts;
}

class InventoryStoreTest : public ::testing::Test
{
protected:
    QString databasePath() const { return m_dir.filePath(QStringLiteral("data/inventory.db")); }
    QTemporaryDir m_dir;
};

TEST_F(InventoryStoreTest, ItemsKeepTheirFieldsOrderAndIdsAcrossReopening)
{
    ItemFields every;
    for (int i = 0; i < kItemFieldCount; ++i)
        every[static_cast<std::size_t>(i)] = QStringLiteral(" field %1 | ^ ünï 😀 ").arg(i);
    std::vector<ItemId> ids;
    {
        InventoryStore store(databasePath());
        EXPECT_TRUE(store.isNew());
        ids = store.append({fieldsOf(QStringLiteral("Kitchen")), every, ItemFields{}});
    }
    InventoryStore store(databasePath());
    EXPECT_FALSE(store.isNew());
    const std::vector<Item> items = store.items();
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].fields[kLocationField], QStringLiteral("Kitchen"));
    EXPECT_EQ(items[1].fields, every);
    EXPECT_EQ(items[2].fields, ItemFields{});
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(items[i].id, ids[i]);
}

// Taking the settings file's list replaces every item; the ones it holds unchanged keep their
// ids (and so their attachments), duplicates each keep one, an item whose other fields changed
// keeps its id by its Location and Description, and an item with neither to go by is new.
TEST_F(InventoryStoreTest, ReplacingTheListKeepsTheIdsOfUnchangedItems)
{
    InventoryStore store(databasePath());
    ItemFields tv = fieldsOf(QStringLiteral("Lounge"), QStringLiteral("TV"));
    const std::vector<ItemId> ids =
        store.append({fieldsOf(QStringLiteral("Hall")), fieldsOf(QStringLiteral("Loft")),
                      fieldsOf(QStringLiteral("Hall")), fieldsOf(QStringLiteral("Shed")), tv});
    tv[kPriceField] = QStringLiteral("450");
    store.replaceAll({fieldsOf(QStringLiteral("Loft")), fieldsOf(QStringLiteral("Hall")),
                      fieldsOf(QStringLiteral("Shed"), QStringLiteral("changed")),
                      fieldsOf(QStringLiteral("Hall")), fieldsOf(QStringLiteral("Hall")), tv});
    const std::vector<Item> items = store.items();
    ASSERT_EQ(locations(items), (QStringList{"Loft", "Hall", "Shed", "Hall", "Hall", "Lounge"}));
    EXPECT_EQ(items[5].id, ids[4]);
    EXPECT_EQ(items[5].fields[kPriceField], QStringLiteral("450"));
    EXPECT_EQ(items[0].id, ids[1]);
    EXPECT_EQ(items[1].id, ids[0]);
    EXPECT_EQ(items[3].id, ids[2]);
    // The changed Shed and the third Hall are new items with ids never used before.
    for (const std::size_t fresh : {std::size_t{2}, std::size_t{4}})
        for (const ItemId old : ids)
            EXPECT_NE(items[fresh].id, old);
    EXPECT_NE(items[2].id, items[4].id);
    EXPECT_EQ(items[2].fields[kDescriptionField], QStringLiteral("changed"));
}

TEST_F(InventoryStoreTest, TheDatabaseAndItsFolderArePrivate)
{
    InventoryStore store(databasePath());
    struct stat file
    {
    }, folder{};
    ASSERT_EQ(::stat(QFile::encodeName(databasePath()).constData(), &file), 0);
    ASSERT_EQ(
        ::stat(QFile::encodeName(QFileInfo(databasePath()).absolutePath()).constData(), &folder),
        0);
    EXPECT_EQ(file.st_mode & 0777, 0600u);
    EXPECT_EQ(folder.st_mode & 0777, 0700u);
}

TEST_F(InventoryStoreTest, AFolderThatIsALinkIsRefused)
{
    QDir(m_dir.path()).mkdir(QStringLiteral("elsewhere"));
    QFile::link(m_dir.filePath(QStringLiteral("elsewhere")),
                m_dir.filePath(QStringLiteral("data")));
    EXPECT_THROW(InventoryStore store(databasePath()), std::runtime_error);
    EXPECT_FALSE(QFileInfo::exists(m_dir.filePath(QStringLiteral("elsewhere/inventory.db"))));
}

TEST_F(InventoryStoreTest, InsertedItemsGoBeforeTheirNeighbourAndAnUndoneDeleteGetsItsIdBack)
{
    InventoryStore store(databasePath());
    const std::vector<ItemId> ids =
        store.append({fieldsOf(QStringLiteral("A")), fieldsOf(QStringLiteral("B")),
                      fieldsOf(QStringLiteral("C"))});
    const Item b = store.item(ids[1]).value();
    store.remove({ids[1]});
    EXPECT_EQ(locations(store.items()), (QStringList{"A", "C"}));
    const std::vector<ItemId> back = store.insert({b}, ids[2]);
    EXPECT_EQ(back, std::vector<ItemId>{ids[1]});
    EXPECT_EQ(locations(store.items()), (QStringList{"A", "B", "C"}));
    // An id never comes back for a different item: one added after a delete gets a new one.
    store.remove({ids[2]});
    const std::vector<ItemId> added = store.append({fieldsOf(QStringLiteral("D"))});
    EXPECT_GT(added[0], ids[2]);
}

TEST_F(InventoryStoreTest, ManyInsertsAtOnePlaceKeepTheOrder)
{
    // Each insert halves the same gap; past fifty halvings positions would collide without
    // the store numbering the list afresh.
    InventoryStore store(databasePath());
    const std::vector<ItemId> ends =
        store.append({fieldsOf(QStringLiteral("first")), fieldsOf(QStringLiteral("last"))});
    QStringList expected{QStringLiteral("first")};
    ItemId before = ends[1];
    for (int i = 0; i < 120; ++i) {
        const QString name = QStringLiteral("%1").arg(i, 3, 10, QLatin1Char('0'));
        before = store.insert({Item{0, fieldsOf(name)}}, before)[0];
        expected.insert(1, name);
    }
    expected << QStringLiteral("last");
    EXPECT_EQ(locations(store.items()), expected);
}

TEST_F(InventoryStoreTest, TwoProcessesAddingAtOnceKeepEveryItem)
{
    // Two connections stand for two processes (two windows, or a window and --import).
    InventoryStore first(databasePath());
    InventoryStore second(databasePath());
    const std::int64_t seen = second.externalChangeCounter();
    first.append({fieldsOf(QStringLiteral("from the first"))});
    EXPECT_NE(second.externalChangeCounter(), seen);
    second.append({fieldsOf(QStringLiteral("from the second"))});
    // A sort in the second, made from the list it had read before the first added more, keeps
    // the first's newer item.
    const std::vector<Item> before = second.items();
    first.append({fieldsOf(QStringLiteral("later from the first"))});
    second.setOrder({before[1].id, before[0].id});
    EXPECT_EQ(locations(first.items()),
              (QStringList{"from the second", "from the first", "later from the first"}));
}

TEST_F(InventoryStoreTest, AFullDiskRollsBackAndTheNextWriteSucceeds)
{
    std::unique_ptr<InventoryStore> store = std::make_unique<InventoryStore>(databasePath());
    store->append({fieldsOf(QStringLiteral("kept"))});
    const QFileInfo database(databasePath());
    std::vector<ItemFields> large(200, fieldsOf(QString(30000, QLatin1Char('x'))));
    {
        const testing::FileSizeLimit limit(256 * 1024);
        try {
            store->append(large);
            FAIL() << "a store larger than the disk allows succeeded";
        } catch (const DatabaseError& error) {
            // SQLite reports the system's reason when it still knows it (a write that failed
            // mid-store); one that failed while committing is a disk error without one.
            const std::string message = error.what();
            EXPECT_TRUE(message.find(spreadsheet::files::describeFileError(EFBIG)) !=
                            std::string::npos ||
                        message.find("the disk reported an error") != std::string::npos)
                << message;
        }
    }
    EXPECT_EQ(locations(store->items()), QStringList{QStringLiteral("kept")});
    store->append({fieldsOf(QStringLiteral("after"))});
    store.reset();
    InventoryStore reopened(databasePath());
    EXPECT_EQ(locations(reopened.items()), (QStringList{"kept", "after"}));
}

TEST_F(InventoryStoreTest, AFieldLongerThanASheetCellIsRefusedAndNothingIsWritten)
{
    InventoryStore store(databasePath());
    const ItemId id = store.append({fieldsOf(QStringLiteral("A"))})[0];
    const QString tooLong(kMaxFieldLength + 1, QLatin1Char('n'));
    EXPECT_THROW(store.append({fieldsOf(QStringLiteral("B"), tooLong)}), std::length_error);
    EXPECT_THROW(store.setField(id, kNotesField, tooLong), std::length_error);
    store.setField(id, kNotesField, QString(kMaxFieldLength, QLatin1Char('n')));
    EXPECT_EQ(store.itemCount(), 1);
    EXPECT_EQ(store.item(id)->fields[kNotesField].size(), kMaxFieldLength);
}

// Another program wrote a 40 MB field: reading the list refuses it with a reason instead of
// taking it into memory; the store stays usable for what it can read.
TEST_F(InventoryStoreTest, AValueLargerThanAnyRowIsRefusedNotRead)
{
    {
        InventoryStore store(databasePath());
        store.append({fieldsOf(QStringLiteral("A"))});
    }
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(databasePath()).constData(), &raw), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(raw,
                           "UPDATE items SET notes = replace(hex(zeroblob(10000000)), '0', 'x')",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(raw);

    InventoryStore store(databasePath());
    EXPECT_EQ(store.itemCount(), 1);
    try {
        store.items();
        ADD_FAILURE() << "a 40 MB field was read";
    } catch (const DatabaseError& error) {
        EXPECT_NE(std::string(error.what()).find("larger than Stowfolio reads"), std::string::npos)
            << error.what();
    }
}

TEST_F(InventoryStoreTest, ADatabaseFromANewerVersionIsNotTouched)
{
    {
        InventoryStore store(databasePath());
    }
    {
        SqliteDatabase raw(databasePath());
        raw.execute("PRAGMA user_version = 99");
    }
    EXPECT_THROW(InventoryStore store(databasePath()), DatabaseError);
}

TEST_F(InventoryStoreTest, AKillDuringStoresLeavesTheOldOrTheNewState)
{
    // A child adds batches of 50 items until it is killed at a random moment; the database
    // then opens whole, with a whole number of batches.
    {
        InventoryStore store(databasePath());
    }
    for (int round = 0; round < 5; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            InventoryStore store(databasePath());
            const std::vector<ItemFields> batch(50, fieldsOf(QStringLiteral("batch")));
            for (;;)
                store.append(batch);
        }
        ::usleep(static_cast<useconds_t>(20000 + 15000 * round));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        InventoryStore store(databasePath());
        SqliteDatabase check(databasePath());
        Statement integrity(check, "PRAGMA integrity_check");
        ASSERT_TRUE(integrity.step());
        EXPECT_EQ(integrity.text(0), QStringLiteral("ok"));
        EXPECT_EQ(store.itemCount() % 50, 0) << store.itemCount();
    }
}

} // namespace
} // namespace stowfolio
