#pragma once

#include "db/Cursor.h"
#include "db/DbError.h"
#include "db/Dialect.h"
#include "db/ResultSet.h"

#include <QSqlDatabase>
#include <QString>
#include <QVariantList>
#include <memory>

namespace db {

struct ConnectionSettings
{
    QString driver = QStringLiteral("QSQLITE"); // QSQLITE or QPSQL
    QString host;
    int port = 0;
    QString database; // file path for SQLite
    QString user;
    QString password;
};

// Bounds on the waits of the program's own connection, shared by every
// screen and the terminal monitor on one thread: a statement that cannot
// finish ends as a database error within seconds instead of holding them all.
// On the server engine a statement may run kStatementTimeoutMs and wait
// kLockTimeoutMs for a lock; on every server connection a link that stops
// answering is given up after kLinkTimeoutMs (unacknowledged data, or
// keepalive probes sent after kKeepaliveIdleSecs of silence). SQLite waits
// kBusyTimeoutMs for another connection's write lock. A server that takes
// none of these into account (its process frozen while its host still
// answers) has the connection's socket shut down after kDeadlineMs.
constexpr int kStatementTimeoutMs = 5000;
constexpr int kLockTimeoutMs = 3000;
constexpr int kLinkTimeoutMs = 5000;
constexpr int kKeepaliveIdleSecs = 2;
constexpr int kDeadlineMs = kStatementTimeoutMs + 3000;
constexpr int kBusyTimeoutMs = 5000;

// One connection to the database. Every value goes in as a bound parameter;
// reads return a snapshot the caller owns. Failures are thrown as DbError,
// classified by kind, so each handler applies its own failure handling.
class Database
{
public:
    Database();
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // What a connection's calls may wait for: the bounds above, or none, for
    // work beside the program that may rightly take long (creating, copying
    // and dropping whole databases, filling large tables for a test).
    enum class Waits { Bounded, Unbounded };

    // Opens a new connection, dropping any previous one. On failure returns
    // false with the driver's description in *error.
    bool open(const ConnectionSettings& settings, QString* error = nullptr, Waits waits = Waits::Bounded);
    void close();
    // False also after a call found the connection lost: such a call closes
    // it, and every call then throws ConnectionLost until the next open().
    bool isOpen() const;

    Engine engine() const { return m_dialect.engine(); }
    const Dialect& dialect() const { return m_dialect; }
    const ConnectionSettings& settings() const { return m_settings; }

    ResultSet query(const QString& sql, const QVariantList& params = {});
    // The same read as a forward-only cursor over a connection of its own,
    // for results too large to hold at once.
    Cursor openCursor(const QString& sql, const QVariantList& params = {}) const;
    Cursor openCursor(const QVector<Cursor::Statement>& statements) const;
    // The same read for a list that fills while the program goes on: over a
    // reader connection kept beside this one (opened once, with the same
    // bounded waits), a part at a time through readPart. Nothing of the
    // result waits on the server between parts, so this connection stays
    // free for the program's other work meanwhile.
    Cursor readInParts(const QString& sql, const QVariantList& params = {});
    // Up to max further rows of such a read. A lost connection closes this
    // one too, as for any call on it.
    QVector<Cursor::Row> readPart(Cursor& cursor, int max);
    // Runs a write; returns the number of rows it touched. A write outside a
    // transaction that the connection's loss cut after it was sent fails
    // with outcomeUnknown(), as does such a commit(): query() is for reads.
    int exec(const QString& sql, const QVariantList& params = {});
    // First column of the first row, Null when there is no row.
    QVariant scalar(const QString& sql, const QVariantList& params = {});
    qlonglong count(const QString& sql, const QVariantList& params = {});

    // Throws when the database does not answer.
    void probe();
    QDateTime serverNow();

    void begin();
    // Lifts the statement and lock time-outs, and the deadline, until the
    // current transaction ends: for the rare work that may take long, such as
    // a schema upgrade of a large database or waiting for another
    // workstation's.
    void unboundWaitsInTransaction();
    // Begins a transaction that holds the named lock until it ends: writers
    // that draw numbers from one series wait for each other instead of
    // reading the same highest number. On SQLite the whole database is
    // locked for writing.
    void beginLocked(const QString& series);
    void commit();
    void rollback();

    QSqlDatabase handle() const;

private:
    void beginLockedOpen(const QString& series);

    struct Private;
    std::unique_ptr<Private> d;
    Dialect m_dialect;
    ConnectionSettings m_settings;
};

// Rolls back unless committed; for the few writes that must stand or fall
// together.
class Transaction
{
public:
    explicit Transaction(Database& db);
    // A transaction holding the lock of a number series (see beginLocked).
    Transaction(Database& db, const QString& series);
    ~Transaction();
    void commit();

private:
    Database& m_db;
    bool m_done = false;
};

} // namespace db
