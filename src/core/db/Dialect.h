#pragma once

#include "db/DbError.h"

#include <QSqlError>
#include <QString>
#include <QVariant>

namespace db {

enum class Engine {
    SQLite,
    PostgreSQL,
};

// The few places where the two engines differ, and where the Oracle forms the
// system was written in need a translation. Everything else is plain SQL that
// both engines take as it stands (LIMIT, LEFT JOIN, count(*), upper()).
class Dialect
{
public:
    explicit Dialect(Engine engine = Engine::SQLite)
        : m_engine(engine)
    {
    }

    Engine engine() const { return m_engine; }

    // The database server's local time, to the second.
    QString now() const;
    // The server's current date as five digits: the last digit of the year,
    // the month and the day.
    QString dateCode() const;
    // The statement that tests whether the database still answers.
    QString probe() const;
    // Ends a read whose rows the transaction goes on to write: they stay
    // locked until it ends. SQLite locks no rows; its write transaction
    // (beginLocked) holds the whole database instead.
    QString forUpdate() const;

    // Rewrites the word SYSDATE (any letter case) into now(). Values are
    // always bound, so the word cannot stand inside a quoted value here.
    QString rewrite(const QString& sql) const;
    // True for a separate "commit" statement: every statement commits by
    // itself here, and SQLite refuses a commit outside a transaction.
    static bool isCommit(const QString& sql);

    // "column = ?" that also holds when the column and the value are both
    // Null: a shown value that may be empty is bound as Null, which "=" never
    // matches.
    QString nullSafeEquals(const QString& column) const;

    // A value as it is bound: an empty text becomes Null (the old database
    // stored '' as Null and the queries rely on it), times become
    // "yyyy-MM-dd HH:mm:ss" so that both engines compare them to the second.
    static QVariant bindValue(const QVariant& v);

    ErrorKind classify(const QSqlError& error) const;

    // Column types for the schema.
    QString textType(int width) const;
    QString timeType() const;
    QString numberType() const;

private:
    Engine m_engine;
};

} // namespace db
