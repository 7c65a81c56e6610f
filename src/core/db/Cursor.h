#pragma once

#include "db/DbError.h"

#include <QStringList>
#include <QVariant>
#include <QVector>
#include <functional>
#include <memory>

namespace db {

struct ConnectionSettings;

// Ends a cursor's work from another thread: the open() or fetch() blocked in
// it fails with a DbError at once, whether its statement waits for a lock,
// runs long, or waits on a server that stopped answering. The server is
// asked to cancel the statement as well. It may be interrupted before the
// cursor connects; the cursor then fails as soon as it has.
class CursorInterrupt
{
public:
    CursorInterrupt();
    ~CursorInterrupt();
    CursorInterrupt(const CursorInterrupt&) = delete;
    CursorInterrupt& operator=(const CursorInterrupt&) = delete;

    // Any thread, any number of times.
    void interrupt();
    bool interrupted() const;

private:
    friend class Cursor;
    // The cursor's thread: the connection that interrupt() ends, until
    // detached before it is closed. False when interrupted already.
    bool attach(const QString& connectionName);
    void detach();

    struct State;
    std::unique_ptr<State> d;
};

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
    // The cursor's connection belongs to the calling thread, which alone
    // reads it; `stop` may end its work from any other.
    static Cursor open(const ConnectionSettings& settings, const QVector<Statement>& statements,
                       std::shared_ptr<CursorInterrupt> stop = {});

    // The rows of one statement over a connection the caller lends and has
    // opened: `giveBack` gets it back when the cursor ends, with whether it
    // may serve again (false after a failure, or a server result left half
    // read, which only closing the connection drops). `around` runs every
    // call to the server, to bound its wait. Throws DbError.
    using Around = std::function<void(const std::function<void()>&)>;
    static Cursor openLent(const QString& connectionName, const Statement& statement,
                           std::function<void(bool reusable)> giveBack, Around around);

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
