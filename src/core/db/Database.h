#pragma once

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

    // Opens a new connection, dropping any previous one. On failure returns
    // false with the driver's description in *error.
    bool open(const ConnectionSettings& settings, QString* error = nullptr);
    void close();
    bool isOpen() const;

    Engine engine() const { return m_dialect.engine(); }
    const Dialect& dialect() const { return m_dialect; }
    const ConnectionSettings& settings() const { return m_settings; }

    ResultSet query(const QString& sql, const QVariantList& params = {});
    // Runs a write; returns the number of rows it touched.
    int exec(const QString& sql, const QVariantList& params = {});
    // First column of the first row, Null when there is no row.
    QVariant scalar(const QString& sql, const QVariantList& params = {});
    qlonglong count(const QString& sql, const QVariantList& params = {});

    // Throws when the database does not answer.
    void probe();
    QDateTime serverNow();

    void begin();
    // Begins a transaction that starts only when every other serialised
    // transaction on the same key has ended, so that what it reads stays true
    // until it commits. SQLite takes the database's write lock at once (the
    // key plays no part); PostgreSQL an advisory lock on the key, held until
    // the transaction ends.
    void beginSerialised(qint64 key);
    void commit();
    void rollback();

    QSqlDatabase handle() const;

private:
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
    // A serialised transaction (Database::beginSerialised).
    Transaction(Database& db, qint64 serialKey);
    ~Transaction();
    void commit();

private:
    Database& m_db;
    bool m_done = false;
};

} // namespace db
