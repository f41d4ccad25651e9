#include "state/sqlite_database.h"

#include "spreadsheet/files/atomic_file.h"

#include <sqlite3.h>

#include <QFile>

#include <limits>

namespace stowfolio {

namespace {

// How long a change waits for another process's transaction before it gives up.
constexpr int kBusyTimeoutMs = 5000;
// The largest text or row this program reads or writes: a row of twelve full fields is under
// 800 KB. A larger value (a database another program filled) is refused by SQLite before it is
// read into memory, not taken in whole.
constexpr int kLargestValueBytes = 8 * 1024 * 1024;

// What a user can do something about, in the user's words; empty for the rest. A failure of
// the file system is named by its errno, in the words every other file write uses.
std::string reasonFor(int primaryCode, int systemError)
{
    if (systemError != 0 && (primaryCode == SQLITE_IOERR || primaryCode == SQLITE_FULL ||
                             primaryCode == SQLITE_CANTOPEN || primaryCode == SQLITE_READONLY))
        return spreadsheet::files::describeFileError(systemError);
    switch (primaryCode) {
    case SQLITE_FULL:
        return "the disk is full";
    case SQLITE_READONLY:
        return "the file or its folder is read-only";
    case SQLITE_PERM:
    case SQLITE_CANTOPEN:
        return "the file cannot be opened (check that its folder exists and is yours)";
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return "another Stowfolio is busy with it; try again";
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return "the file is damaged or is not an inventory";
    case SQLITE_IOERR:
        return "the disk reported an error";
    case SQLITE_TOOBIG:
        return "it holds a value larger than Stowfolio reads (8 MB); another program may have "
               "written it";
    default:
        return {};
    }
}

} // namespace

SqliteDatabase::SqliteDatabase(const QString& path, Access access) : m_path(path)
{
    const QByteArray name = QFile::encodeName(path);
    const int mode = access == Access::ReadOnly ? SQLITE_OPEN_READONLY
                                                : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    const int result = sqlite3_open_v2(
        name.constData(), &m_handle, mode | SQLITE_OPEN_NOFOLLOW | SQLITE_OPEN_FULLMUTEX, nullptr);
    if (result != SQLITE_OK) {
        const std::string message = m_handle ? sqlite3_errmsg(m_handle) : "out of memory";
        const int systemError = m_handle ? sqlite3_system_errno(m_handle) : 0;
        sqlite3_close(m_handle);
        m_handle = nullptr;
        const std::string reason = reasonFor(result & 0xff, systemError);
        throw DatabaseError(path.toStdString() + ": cannot open the inventory (" +
                                (reason.empty() ? message : reason) + ")",
                            result & 0xff);
    }
    sqlite3_extended_result_codes(m_handle, 1);
    sqlite3_busy_timeout(m_handle, kBusyTimeoutMs);
    sqlite3_limit(m_handle, SQLITE_LIMIT_LENGTH, kLargestValueBytes);
}

SqliteDatabase::~SqliteDatabase()
{
    sqlite3_close_v2(m_handle);
}

void SqliteDatabase::check(int result, std::string_view what) const
{
    if (result == SQLITE_OK || result == SQLITE_ROW || result == SQLITE_DONE)
        return;
    const int primary = result & 0xff;
    const std::string reason = reasonFor(primary, sqlite3_system_errno(m_handle));
    const std::string detail = reason.empty() ? std::string(sqlite3_errmsg(m_handle)) : reason;
    throw DatabaseError(
        m_path.toStdString() + ": cannot " + std::string(what) + " (" + detail + ")", primary);
}

void SqliteDatabase::execute(std::string_view sql)
{
    // sqlite3_exec runs every statement of the text in turn.
    const std::string text(sql);
    char* error = nullptr;
    const int result = sqlite3_exec(m_handle, text.c_str(), nullptr, nullptr, &error);
    sqlite3_free(error);
    check(result, "change the inventory");
}

std::int64_t SqliteDatabase::queryInteger(std::string_view sql)
{
    Statement statement(*this, sql);
    if (!statement.step())
        return 0;
    return statement.integer(0);
}

std::int64_t SqliteDatabase::lastInsertId() const
{
    return sqlite3_last_insert_rowid(m_handle);
}

Statement::Statement(SqliteDatabase& database, std::string_view sql) : m_database(database)
{
    m_database.check(sqlite3_prepare_v3(database.handle(), sql.data(), static_cast<int>(sql.size()),
                                        SQLITE_PREPARE_PERSISTENT, &m_statement, nullptr),
                     "read the inventory");
}

Statement::~Statement()
{
    sqlite3_finalize(m_statement);
}

Statement& Statement::bind(int index, std::int64_t value)
{
    m_database.check(sqlite3_bind_int64(m_statement, index, value), "store a value");
    return *this;
}

Statement& Statement::bind(int index, double value)
{
    m_database.check(sqlite3_bind_double(m_statement, index, value), "store a value");
    return *this;
}

namespace {

int textBytes(const QString& text)
{
    const auto bytes = static_cast<qint64>(text.size()) * 2;
    if (bytes > std::numeric_limits<int>::max())
        throw DatabaseError("a text of " + std::to_string(text.size()) +
                                " characters is too large to store",
                            SQLITE_TOOBIG);
    return static_cast<int>(bytes);
}

} // namespace

Statement& Statement::bind(int index, const QString& text)
{
    // UTF-16 in native order, as QString holds it: no conversion on the way in or out.
    m_database.check(
        sqlite3_bind_text16(m_statement, index, text.utf16(), textBytes(text), SQLITE_TRANSIENT),
        "store a value");
    return *this;
}

Statement& Statement::bindLasting(int index, const QString& text)
{
    m_database.check(
        sqlite3_bind_text16(m_statement, index, text.utf16(), textBytes(text), SQLITE_STATIC),
        "store a value");
    return *this;
}

Statement& Statement::bindNull(int index)
{
    m_database.check(sqlite3_bind_null(m_statement, index), "store a value");
    return *this;
}

bool Statement::step()
{
    const int result = sqlite3_step(m_statement);
    if (result == SQLITE_ROW)
        return true;
    if (result == SQLITE_DONE)
        return false;
    sqlite3_reset(m_statement);
    m_database.check(result, "change the inventory");
    return false;
}

void Statement::run()
{
    step();
    reset();
}

void Statement::reset()
{
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
}

std::int64_t Statement::integer(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}

double Statement::real(int column) const
{
    return sqlite3_column_double(m_statement, column);
}

QString Statement::text(int column) const
{
    const auto* data = static_cast<const char16_t*>(sqlite3_column_text16(m_statement, column));
    const int bytes = sqlite3_column_bytes16(m_statement, column);
    if (!data)
        return {};
    return QString::fromUtf16(data, bytes / 2);
}

bool Statement::isNull(int column) const
{
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

Transaction::Transaction(SqliteDatabase& database) : m_database(database)
{
    m_database.execute("BEGIN IMMEDIATE");
}

Transaction::~Transaction()
{
    if (!m_done)
        sqlite3_exec(m_database.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::commit()
{
    m_database.execute("COMMIT");
    m_done = true;
}

} // namespace stowfolio
