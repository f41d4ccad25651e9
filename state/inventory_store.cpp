#include "state/inventory_store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <map>
#include <stdexcept>
#include <string>
#include <unordered_set>

namespace stowfolio {

namespace {

// The schema's version in PRAGMA user_version. Version 1: items (id, one text column per
// field), positions (id, position: the list's order) and meta (key, value). A field added to
// kItemFields later gets its column when an older database is opened. Version 2 adds
// attachments (state/attachment_records.h): one row per file kept with an item.
constexpr std::int64_t kSchemaVersion = 2;

// The index that finds an insert's neighbours without scanning the list. A sort drops it and
// makes it anew once: cheaper than rewriting its entries one by one.
constexpr std::string_view kCreateOrderIndex =
    "CREATE INDEX IF NOT EXISTS positions_in_order ON positions (position)";

// Gap between the positions of appended items; an insert between two items takes the middle.
constexpr double kPositionStep = 1024.0;

std::string fieldColumns()
{
    std::string columns;
    for (const ItemFieldInfo& field : kItemFields) {
        if (!columns.empty())
            columns += ", ";
        columns += field.column;
    }
    return columns;
}

// "?3, ?4, ..." for the field columns, numbered from `first`.
std::string fieldParameters(int first)
{
    std::string parameters;
    for (int i = 0; i < kItemFieldCount; ++i) {
        if (i > 0)
            parameters += ", ";
        parameters += "?" + std::to_string(first + i);
    }
    return parameters;
}

// The fields of the row `statement` stands on, from column `first` on.
ItemFields readFields(const Statement& statement, int first)
{
    ItemFields fields;
    for (int i = 0; i < kItemFieldCount; ++i)
        fields[static_cast<std::size_t>(i)] = statement.text(first + i);
    return fields;
}

// The fields are bound without a copy: every caller keeps them until the statement has run.
void bindFields(Statement& statement, int first, const ItemFields& fields)
{
    for (int i = 0; i < kItemFieldCount; ++i)
        statement.bindLasting(first + i, fields[static_cast<std::size_t>(i)]);
}

// A field longer than a sheet cell can hold is refused before anything is written.
void refuseOversizedFields(const ItemFields& fields)
{
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].size() > kMaxFieldLength)
            throw std::length_error(QStringLiteral("%1 holds %L2 characters; a field holds at "
                                                   "most %L3 (what one sheet cell holds)")
                                        .arg(fieldText(kItemFields[i].name))
                                        .arg(fields[i].size())
                                        .arg(kMaxFieldLength)
                                        .toStdString());
    }
}

} // namespace

void makePrivateFolder(const QString& folder)
{
    const QFileInfo info(folder);
    if (!QDir().mkpath(QFileInfo(folder).absolutePath()))
        throw std::runtime_error(folder.toStdString() + ": cannot create its parent folder");
    const QByteArray name = QFile::encodeName(folder);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        throw std::runtime_error(folder.toStdString() + ": cannot create the folder (" +
                                 std::strerror(errno) + ")");
    struct stat status
    {
    };
    if (::lstat(name.constData(), &status) != 0)
        throw std::runtime_error(folder.toStdString() + ": cannot read the folder (" +
                                 std::strerror(errno) + ")");
    if (!S_ISDIR(status.st_mode))
        throw std::runtime_error(folder.toStdString() +
                                 ": is not a folder (a link or a file is in its place)");
    if (status.st_uid != ::geteuid())
        throw std::runtime_error(folder.toStdString() +
                                 ": belongs to another user; refusing to keep the inventory there");
    if ((status.st_mode & 077) != 0 && ::chmod(name.constData(), 0700) != 0)
        throw std::runtime_error(folder.toStdString() + ": cannot make the folder private (" +
                                 std::strerror(errno) + ")");
}

QString defaultInventoryDatabasePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Quillane/Stowfolio/inventory.db");
}

namespace {

// Opens the database file owner-only: created with mode 0600 before SQLite sees it, so the
// inventory is never readable by others, not even for a moment.
QString preparedDatabaseFile(const QString& path, bool& created)
{
    makePrivateFolder(QFileInfo(path).absolutePath());
    const QByteArray name = QFile::encodeName(path);
    const int fd =
        ::open(name.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    created = fd >= 0;
    if (fd >= 0)
        ::close(fd);
    else if (errno != EEXIST)
        throw std::runtime_error(path.toStdString() + ": cannot create the inventory (" +
                                 std::strerror(errno) + ")");
    return path;
}

} // namespace

InventoryStore::InventoryStore(const QString& path)
    : m_database(preparedDatabaseFile(path, m_isNew))
{
    // Texts are kept as UTF-16, as QString holds them: reading 65,536 items converts nothing.
    // (The encoding takes effect only while the database is still empty.)
    m_database.execute("PRAGMA encoding = 'UTF-16le'; PRAGMA journal_mode = WAL; "
                       "PRAGMA synchronous = FULL; "
                       // Room for a whole import's pages (32 MB at most, taken as needed): a
                       // bulk store then writes each page once.
                       "PRAGMA cache_size = -32768; "
                       "PRAGMA foreign_keys = ON;");
    migrate();
}

InventoryStore::InventoryStore(const QString& path, ReadingOnly)
    : m_database(path, SqliteDatabase::Access::ReadOnly)
{
}

InventoryStore::~InventoryStore() = default;

void InventoryStore::migrate()
{
    const std::int64_t version = m_database.queryInteger("PRAGMA user_version");
    if (version > kSchemaVersion)
        throw DatabaseError(path().toStdString() +
                                ": the inventory was written by a newer Stowfolio (schema " +
                                std::to_string(version) + "); update Stowfolio to open it",
                            0);
    Transaction transaction(m_database);
    if (version < 1) {
        // Ids are never reused (AUTOINCREMENT): an undo step or an attachment that names a
        // deleted item never finds another in its place.
        std::string sql = "CREATE TABLE IF NOT EXISTS items (id INTEGER PRIMARY KEY AUTOINCREMENT";
        for (const ItemFieldInfo& field : kItemFields)
            sql += ", " + std::string(field.column) + " TEXT NOT NULL DEFAULT ''";
        // The order lives in a narrow table of its own: a sort rewrites 65,536 small rows, not
        // the items' texts. Its index finds the neighbours of an insert without a scan.
        sql += "); CREATE TABLE IF NOT EXISTS positions (id INTEGER PRIMARY KEY REFERENCES "
               "items (id) ON DELETE CASCADE, position REAL NOT NULL); " +
               std::string(kCreateOrderIndex) +
               "; "
               "CREATE TABLE IF NOT EXISTS meta (key TEXT PRIMARY KEY, value TEXT NOT NULL);";
        m_database.execute(sql);
    }
    if (version < 2) {
        // No foreign key to items: an item's deletion leaves its attachments, so that undoing
        // it brings them back; purgeAttachments() removes them when no undo can. Ids are never
        // reused, for the same reason as the items'.
        m_database.execute(
            "CREATE TABLE IF NOT EXISTS attachments (id INTEGER PRIMARY KEY AUTOINCREMENT, "
            "item INTEGER NOT NULL, position INTEGER NOT NULL, kind TEXT NOT NULL, "
            "caption TEXT NOT NULL DEFAULT '', sha256 TEXT NOT NULL, size INTEGER NOT NULL, "
            "original_name TEXT NOT NULL, added TEXT NOT NULL, taken TEXT NOT NULL DEFAULT '', "
            "camera TEXT NOT NULL DEFAULT ''); "
            "CREATE INDEX IF NOT EXISTS attachments_of_item ON attachments (item, position); "
            "CREATE INDEX IF NOT EXISTS attachments_by_file ON attachments (sha256);");
    }
    // Fields added since the database was made.
    std::unordered_set<std::string> existing;
    Statement columns(m_database, "SELECT name FROM pragma_table_info('items')");
    while (columns.step())
        existing.insert(columns.text(0).toStdString());
    for (const ItemFieldInfo& field : kItemFields) {
        if (!existing.count(std::string(field.column)))
            m_database.execute("ALTER TABLE items ADD COLUMN " + std::string(field.column) +
                               " TEXT NOT NULL DEFAULT ''");
    }
    // The order's index is made whenever it is missing, so no database runs without it.
    m_database.execute(kCreateOrderIndex);
    m_database.execute("PRAGMA user_version = " + std::to_string(kSchemaVersion));
    transaction.commit();
}

std::vector<Item> InventoryStore::items()
{
    // Read in the table's own order and sorted here: SQLite would sort whole rows, twenty
    // megabytes of them at 65,536 items, where sorting positions moves nothing but pointers.
    struct Placed
    {
        double position;
        Item item;
    };
    std::vector<Placed> placed;
    placed.reserve(static_cast<std::size_t>(itemCount()));
    // An item without a position (a damaged database) goes last rather than missing.
    Statement select(m_database, "SELECT id, coalesce(position, 1e300), " + fieldColumns() +
                                     " FROM items LEFT JOIN positions USING (id)");
    while (select.step()) {
        placed.push_back(Placed{select.real(1), Item{select.integer(0), readFields(select, 2)}});
    }
    std::sort(placed.begin(), placed.end(), [](const Placed& a, const Placed& b) {
        return a.position < b.position || (a.position == b.position && a.item.id < b.item.id);
    });
    std::vector<Item> result;
    result.reserve(placed.size());
    for (Placed& row : placed)
        result.push_back(std::move(row.item));
    return result;
}

std::int64_t InventoryStore::itemCount()
{
    return m_database.queryInteger("SELECT count(*) FROM items");
}

std::optional<Item> InventoryStore::item(ItemId id)
{
    Statement select(m_database, "SELECT id, " + fieldColumns() + " FROM items WHERE id = ?1");
    select.bind(1, id);
    if (!select.step())
        return std::nullopt;
    return Item{select.integer(0), readFields(select, 1)};
}

std::vector<ItemId> InventoryStore::append(const std::vector<ItemFields>& rows)
{
    std::vector<Item> items;
    items.reserve(rows.size());
    for (const ItemFields& fields : rows)
        items.push_back(Item{0, fields});
    return insert(items, 0);
}

std::vector<ItemId> InventoryStore::insert(const std::vector<Item>& items, ItemId before)
{
    return insert(std::vector<ItemRun>{ItemRun{items, before}});
}

std::vector<ItemId> InventoryStore::insert(const std::vector<ItemRun>& runs)
{
    for (const ItemRun& run : runs)
        for (const Item& item : run.items)
            refuseOversizedFields(item.fields);
    Transaction transaction(m_database);
    Statement taken(m_database, "SELECT 1 FROM items WHERE id = ?1");
    Statement add(m_database, "INSERT INTO items (id, " + fieldColumns() + ") VALUES (?1, " +
                                  fieldParameters(2) + ")");
    Statement place(m_database, "INSERT INTO positions (id, position) VALUES (?1, ?2)");
    std::vector<ItemId> ids;
    for (const ItemRun& run : runs) {
        const std::vector<double> positions = freePositionsBefore(run.before, run.items.size());
        for (std::size_t i = 0; i < run.items.size(); ++i)
            ids.push_back(insertOne(run.items[i], positions[i], taken, add, place));
    }
    transaction.commit();
    return ids;
}

// Stores one item at `position`, under its own id when it has one that is free.
ItemId InventoryStore::insertOne(const Item& item, double position, Statement& taken,
                                 Statement& add, Statement& place)
{
    bool keepId = item.id > 0;
    if (keepId) {
        taken.bind(1, item.id);
        keepId = !taken.step();
        taken.reset();
    }
    if (keepId)
        add.bind(1, item.id);
    else
        add.bindNull(1);
    bindFields(add, 2, item.fields);
    add.run();
    const ItemId id = keepId ? item.id : m_database.lastInsertId();
    place.bind(1, id).bind(2, position);
    place.run();
    return id;
}

// `count` rising positions for items that go before the item `before` (at the end when it is 0
// or gone): evenly between it and the item ahead of it. When the gap is too narrow to split
// (after many inserts at one place) the list is numbered afresh first.
std::vector<double> InventoryStore::freePositionsBefore(ItemId before, std::size_t count)
{
    for (int attempt = 0;; ++attempt) {
        std::optional<double> high;
        if (before != 0) {
            Statement at(m_database, "SELECT position FROM positions WHERE id = ?1");
            at.bind(1, before);
            if (at.step())
                high = at.real(0);
        }
        std::optional<double> low;
        Statement ahead(m_database, high ? "SELECT max(position) FROM positions WHERE position < ?1"
                                         : "SELECT max(position) FROM positions");
        if (high)
            ahead.bind(1, *high);
        if (ahead.step() && !ahead.isNull(0))
            low = ahead.real(0);

        std::vector<double> positions;
        positions.reserve(count);
        if (!high) {
            const double start = low.value_or(0.0);
            for (std::size_t i = 1; i <= count; ++i)
                positions.push_back(start + kPositionStep * static_cast<double>(i));
            return positions;
        }
        const double from = low.value_or(*high - kPositionStep * static_cast<double>(count + 1));
        const double gap = (*high - from) / static_cast<double>(count + 1);
        bool distinct = true;
        double previous = from;
        for (std::size_t i = 1; i <= count && distinct; ++i) {
            const double position = from + gap * static_cast<double>(i);
            distinct = position > previous && position < *high;
            previous = position;
            positions.push_back(position);
        }
        if (distinct || attempt > 0)
            return positions;
        renumber();
    }
}

void InventoryStore::renumber()
{
    m_database.execute(
        "WITH ranked AS (SELECT id, row_number() OVER (ORDER BY position, id) AS "
        "rank FROM positions) UPDATE positions SET position = ranked.rank * 1024.0 FROM "
        "ranked WHERE positions.id = ranked.id");
}

void InventoryStore::remove(const std::vector<ItemId>& ids)
{
    Transaction transaction(m_database);
    Statement erase(m_database, "DELETE FROM items WHERE id = ?1");
    for (const ItemId id : ids) {
        erase.bind(1, id);
        erase.run();
    }
    transaction.commit();
}

void InventoryStore::setField(ItemId id, ItemField field, const QString& text)
{
    setField(field, {FieldText{id, text}});
}

void InventoryStore::setField(ItemField field, const std::vector<FieldText>& texts)
{
    for (const FieldText& change : texts) {
        ItemFields check;
        check[static_cast<std::size_t>(field)] = change.text;
        refuseOversizedFields(check);
    }
    Transaction transaction(m_database);
    Statement update(m_database,
                     "UPDATE items SET " +
                         std::string(kItemFields[static_cast<std::size_t>(field)].column) +
                         " = ?2 WHERE id = ?1");
    for (const FieldText& change : texts) {
        update.bind(1, change.id).bindLasting(2, change.text);
        update.run();
    }
    transaction.commit();
}

void InventoryStore::move(ItemId id, ItemId before)
{
    Transaction transaction(m_database);
    const double position = freePositionsBefore(before, 1).front();
    Statement place(m_database, "UPDATE positions SET position = ?2 WHERE id = ?1");
    place.bind(1, id).bind(2, position);
    place.run();
    transaction.commit();
}

void InventoryStore::setOrder(const std::vector<ItemId>& order)
{
    Transaction transaction(m_database);
    // Items that another process added meanwhile keep their order after the given ones.
    std::vector<ItemId> complete = order;
    const std::unordered_set<ItemId> given(order.begin(), order.end());
    Statement all(m_database, "SELECT id FROM positions ORDER BY position, id");
    while (all.step()) {
        const ItemId id = all.integer(0);
        if (!given.count(id))
            complete.push_back(id);
    }
    m_database.execute("DROP INDEX IF EXISTS positions_in_order");
    Statement place(m_database, "UPDATE positions SET position = ?2 WHERE id = ?1");
    for (std::size_t i = 0; i < complete.size(); ++i) {
        place.bind(1, complete[i]).bind(2, kPositionStep * static_cast<double>(i + 1));
        place.run();
    }
    m_database.execute(kCreateOrderIndex);
    transaction.commit();
}

void InventoryStore::replaceAll(const std::vector<ItemFields>& rows)
{
    for (const ItemFields& fields : rows)
        refuseOversizedFields(fields);
    Transaction transaction(m_database);
    // An item the new list still holds keeps its id, and with it its attachments, which the
    // next purge would otherwise take for those of a deleted item: first each row equal in every
    // field to a held item, then each row left that has the Location and Description of a held
    // item left (its price or notes changed elsewhere), each held item once, in list order.
    const std::vector<Item> held = items();
    std::vector<bool> claimed(held.size(), false);
    std::map<ItemFields, std::deque<std::size_t>> byFields;
    std::map<std::pair<QString, QString>, std::deque<std::size_t>> byName;
    for (std::size_t i = 0; i < held.size(); ++i) {
        const ItemFields& fields = held[i].fields;
        byFields[fields].push_back(i);
        if (!fields[kDescriptionField].isEmpty())
            byName[{fields[kLocationField], fields[kDescriptionField]}].push_back(i);
    }
    const auto claim = [&](std::deque<std::size_t>& candidates) -> ItemId {
        while (!candidates.empty()) {
            const std::size_t i = candidates.front();
            candidates.pop_front();
            if (!claimed[i]) {
                claimed[i] = true;
                return held[i].id;
            }
        }
        return 0;
    };
    std::vector<ItemId> keptIds(rows.size(), 0);
    for (std::size_t r = 0; r < rows.size(); ++r)
        if (const auto found = byFields.find(rows[r]); found != byFields.end())
            keptIds[r] = claim(found->second);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (keptIds[r] != 0 || rows[r][kDescriptionField].isEmpty())
            continue;
        if (const auto found = byName.find({rows[r][kLocationField], rows[r][kDescriptionField]});
            found != byName.end())
            keptIds[r] = claim(found->second);
    }
    m_database.execute("DELETE FROM items");
    Statement add(m_database, "INSERT INTO items (id, " + fieldColumns() + ") VALUES (?1, " +
                                  fieldParameters(2) + ")");
    Statement place(m_database, "INSERT INTO positions (id, position) VALUES (?1, ?2)");
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const ItemId kept = keptIds[i];
        if (kept > 0)
            add.bind(1, kept);
        else
            add.bindNull(1);
        bindFields(add, 2, rows[i]);
        add.run();
        place.bind(1, kept > 0 ? kept : m_database.lastInsertId())
            .bind(2, kPositionStep * static_cast<double>(i + 1));
        place.run();
    }
    transaction.commit();
}

std::optional<QString> InventoryStore::meta(const QString& key)
{
    Statement select(m_database, "SELECT value FROM meta WHERE key = ?1");
    select.bind(1, key);
    if (!select.step())
        return std::nullopt;
    return select.text(0);
}

void InventoryStore::setMeta(const QString& key, const QString& value)
{
    Statement upsert(m_database, "INSERT INTO meta (key, value) VALUES (?1, ?2) ON CONFLICT (key) "
                                 "DO UPDATE SET value = excluded.value");
    upsert.bind(1, key).bind(2, value);
    upsert.run();
}

void InventoryStore::setFieldsAndMeta(const std::vector<ItemFieldText>& texts, const QString& key,
                                      const QString& value)
{
    for (const ItemFieldText& change : texts) {
        ItemFields check;
        check[static_cast<std::size_t>(change.field)] = change.text;
        refuseOversizedFields(check);
    }
    Transaction transaction(m_database);
    std::array<std::unique_ptr<Statement>, kItemFieldCount> updates;
    for (const ItemFieldText& change : texts) {
        auto& update = updates[static_cast<std::size_t>(change.field)];
        if (!update)
            update = std::make_unique<Statement>(
                m_database,
                "UPDATE items SET " +
                    std::string(kItemFields[static_cast<std::size_t>(change.field)].column) +
                    " = ?2 WHERE id = ?1");
        update->bind(1, change.id).bindLasting(2, change.text);
        update->run();
    }
    setMeta(key, value);
    transaction.commit();
}

std::int64_t InventoryStore::externalChangeCounter()
{
    return m_database.queryInteger("PRAGMA data_version");
}

} // namespace stowfolio
