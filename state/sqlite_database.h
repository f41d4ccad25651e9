#pragma once

// A small RAII layer over SQLite's C API: a connection, prepared statements and transactions.
// Every call's result is checked; a failure throws DatabaseError with SQLite's own message, the
// file and, for the errors a user can act on, the reason in the user's words ("the disk is
// full"). A Transaction that is not committed rolls back when it goes out of scope, so an
// exception anywhere in a change leaves the database as it was.

#include <QString>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace stowfolio {

class DatabaseError : public std::runtime_error
{
public:
    DatabaseError(const std::string& message, int code) : std::runtime_error(message), m_code(code)
    {
    }
    // SQLite's primary result code (SQLITE_FULL, SQLITE_BUSY, ...).
    int code() const { return m_code; }

private:
    int m_code;
};

class SqliteDatabase;

class Statement
{
public:
    Statement(SqliteDatabase& database, std::string_view sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Parameters count from 1, as in SQL's ?1.
    Statement& bind(int index, std::int64_t value);
    Statement& bind(int index, double value);
    Statement& bind(int index, const QString& text);
    // Binds `text` without copying it, for bulk stores: the caller keeps it unchanged until the
    // statement has run and is bound anew or destroyed.
    Statement& bindLasting(int index, const QString& text);
    Statement& bindNull(int index);
    // Runs one step: true while a row is available.
    bool step();
    // Runs a statement that returns no rows, then resets it for the next use.
    void run();
    void reset();

    std::int64_t integer(int column) const;
    double real(int column) const;
    QString text(int column) const;
    bool isNull(int column) const;

private:
    SqliteDatabase& m_database;
    sqlite3_stmt* m_statement = nullptr;
};

class SqliteDatabase
{
public:
    enum class Access
    {
        ReadWrite, // creating the file when missing
        ReadOnly,  // an existing file, never written
    };

    // Opens the database file at `path`, with a busy timeout so that a second process waits
    // for a writer instead of failing at once.
    explicit SqliteDatabase(const QString& path, Access access = Access::ReadWrite);
    ~SqliteDatabase();
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;

    // Runs statements that return nothing ("PRAGMA ...; CREATE ...").
    void execute(std::string_view sql);
    // The single integer a query such as "PRAGMA user_version" returns.
    std::int64_t queryInteger(std::string_view sql);
    std::int64_t lastInsertId() const;
    const QString& path() const { return m_path; }

    // Throws for a result code that is not success; `what` says what was being done.
    void check(int result, std::string_view what) const;
    sqlite3* handle() { return m_handle; }

private:
    sqlite3* m_handle = nullptr;
    QString m_path;
};

// BEGIN IMMEDIATE on construction (the write lock is taken at once, so two writers queue
// rather than deadlock), ROLLBACK on destruction unless commit() succeeded.
class Transaction
{
public:
    explicit Transaction(SqliteDatabase& database);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

private:
    SqliteDatabase& m_database;
    bool m_done = false;
};

} // namespace stowfolio
