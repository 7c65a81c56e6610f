#pragma once

#include "db/DbError.h"

#include <QStringList>
#include <QVariant>
#include <QVector>
#include <memory>

namespace db {

struct ConnectionSettings;

// A forward-only reader of a large result, batch by batch, for lists that
// show rows while they arrive. It reads over a connection of its own, so the
// shared connection stays free for everything else (the terminal monitor
// writes its checks on it meanwhile) and only the rows read so far are held
// in memory. The connection is released at the end of the rows, on close()
// and on destruction.
class Cursor
{
public:
    using Row = QVector<QVariant>;

    Cursor();
    ~Cursor();
    Cursor(Cursor&& other) noexcept;
    Cursor& operator=(Cursor&& other) noexcept;

    struct Statement
    {
        QString sql;
        QVariantList params;
    };

    // Runs the statement (values bound, "sysdate" rewritten). Throws DbError.
    static Cursor open(const ConnectionSettings& settings, const QString& sql, const QVariantList& params = {});
    // Reads the rows of several statements of the same columns one after the
    // other, each run only when the rows before it were read (a long search
    // cut into parts that each sort little). Throws DbError.
    static Cursor open(const ConnectionSettings& settings, const QVector<Statement>& statements);

    bool isOpen() const;
    // True once every row was read (or the cursor was closed).
    bool atEnd() const;
    const QStringList& columns() const;
    // Up to max further rows; fewer only at the end. Throws DbError, after
    // which the cursor is closed.
    QVector<Row> fetch(int max);
    void close();

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace db
