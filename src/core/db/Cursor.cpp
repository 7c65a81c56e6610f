#include "db/Cursor.h"

#include "db/Database.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <mutex>

namespace db {

namespace detail {
bool openNamed(const ConnectionSettings& settings, const QString& name, QString* error, bool boundStatements,
               bool boundLocks);
QString newConnectionName();
} // namespace detail

namespace {

// Dropping a server result half way goes with its connection; the driver
// then cannot free the statement on the closed connection and says so. That
// is expected here and not worth a line per stopped search.
// Cursors close on the threads that read them; one abandons at a time.
std::mutex g_abandonMutex;
QtMessageHandler g_previousHandler = nullptr;
void quietAbandon(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtWarningMsg && text.startsWith(QLatin1String("Unable to free statement")))
        return;
    if (g_previousHandler)
        g_previousHandler(type, context, text);
    else
        qt_message_output(type, context, text);
}

} // namespace

struct Cursor::Private
{
    QString name;
    Dialect dialect;
    std::unique_ptr<QSqlQuery> query;
    std::shared_ptr<CursorInterrupt> stop;
    QVector<Statement> queue; // statements still to run
    QStringList columns;
    bool pending = false; // a row was read ahead and not handed out yet
    bool end = false;
    // A lent connection: handed back instead of closed.
    std::function<void(bool reusable)> giveBack;
    bool failed = false;
    Cursor::Around around;

    // Runs a call to the server within `around`, if any.
    template <typename Call>
    auto bounded(Call call)
    {
        if (!around)
            return call();
        decltype(call()) out{};
        around([&] { out = call(); });
        return out;
    }

    ~Private() { release(); }

    void release()
    {
        // Rows left unread: the connection is closed first, so that the
        // server result is abandoned instead of read to its end.
        const bool abandon = query && !end;
        end = true;
        pending = false;
        queue.clear();
        if (stop)
            stop->detach();
        if (giveBack) {
            lendBack(abandon);
            return;
        }
        if (abandon && !name.isEmpty())
            closeAbandoned();
        query.reset();
        if (name.isEmpty())
            return;
        QSqlDatabase::database(name, false).close();
        QSqlDatabase::removeDatabase(name);
        name.clear();
    }

    // Runs the first statement and reads its first row here, so that a
    // statement that fails only when its rows are produced fails at open
    // like any other.
    void start(const QVector<Statement>& statements)
    {
        queue = statements;
        runNext();
        pending = step();
        if (!pending) {
            end = true;
            release();
        }
    }

    // Closes the connection under a half-read result, without the driver's
    // warning about the result it drops.
    void closeAbandoned()
    {
        const std::lock_guard lock(g_abandonMutex);
        g_previousHandler = qInstallMessageHandler(quietAbandon);
        QSqlDatabase::database(name, false).close();
        query.reset();
        qInstallMessageHandler(g_previousHandler);
        g_previousHandler = nullptr;
    }

    void lendBack(bool abandon)
    {
        // SQLite drops a statement half read at once; a server result half
        // read goes only with its connection.
        const bool reusable = !failed && (!abandon || dialect.engine() == Engine::SQLite);
        if (!reusable && query && !name.isEmpty())
            closeAbandoned();
        query.reset();
        name.clear();
        std::exchange(giveBack, {})(reusable);
    }

    [[noreturn]] void fail(const QSqlError& e)
    {
        failed = true;
        if (stop && stop->interrupted())
            failInterrupted();
        QString text = e.databaseText().trimmed();
        if (text.isEmpty())
            text = e.driverText().trimmed();
        if (text.isEmpty())
            text = QStringLiteral("Unknown database error");
        const ErrorKind kind = dialect.classify(e);
        const QString code = e.nativeErrorCode();
        end = true;
        release();
        throw DbError(kind, text, code);
    }

    [[noreturn]] void failInterrupted()
    {
        end = true;
        release();
        throw DbError(ErrorKind::Other, QStringLiteral("The search was stopped"));
    }

    // Runs the next statement of the queue on the cursor's connection.
    void runNext()
    {
        const Statement st = queue.takeFirst();
        query.reset();
        // Forward-only: SQLite steps through the rows on demand and the server
        // driver reads them one at a time instead of the whole result at once.
        query = std::make_unique<QSqlQuery>(QSqlDatabase::database(name, false));
        query->setForwardOnly(true);
        const bool ok = bounded([&] {
            if (st.params.isEmpty())
                return query->exec(dialect.rewrite(st.sql));
            if (!query->prepare(dialect.rewrite(st.sql)))
                return false;
            for (int i = 0; i < st.params.size(); ++i)
                query->bindValue(i, Dialect::bindValue(st.params.at(i)));
            return query->exec();
        });
        if (!ok)
            fail(query->lastError());
        if (columns.isEmpty()) {
            const QSqlRecord rec = query->record();
            for (int i = 0; i < rec.count(); ++i)
                columns << rec.fieldName(i);
        }
    }

    // Moves to the next row, on to the next statement at the end of one;
    // false after the last. A failed step (the server gone, a value it cannot
    // convert) is an error, not the end.
    bool step()
    {
        for (;;) {
            if (bounded([&] { return query->next(); }))
                return true;
            if (query->lastError().isValid())
                fail(query->lastError());
            if (queue.isEmpty())
                return false;
            runNext();
        }
    }
};

Cursor::Cursor() = default;
Cursor::~Cursor() = default;
Cursor::Cursor(Cursor&& other) noexcept = default;
Cursor& Cursor::operator=(Cursor&& other) noexcept = default;

Cursor Cursor::open(const ConnectionSettings& settings, const QString& sql, const QVariantList& params)
{
    return open(settings, QVector<Statement>{{sql, params}});
}

Cursor Cursor::open(const ConnectionSettings& settings, const QVector<Statement>& statements,
                    std::shared_ptr<CursorInterrupt> stop)
{
    Cursor c;
    c.d = std::make_unique<Private>();
    Private& p = *c.d;
    p.dialect = Dialect(settings.driver == QLatin1String("QPSQL") ? Engine::PostgreSQL : Engine::SQLite);
    if (statements.isEmpty()) {
        p.end = true;
        return c;
    }
    const QString name = detail::newConnectionName();
    QString error;
    if (!detail::openNamed(settings, name, &error, false, false)) {
        p.end = true;
        throw DbError(ErrorKind::ConnectionLost, error.isEmpty() ? QStringLiteral("The database cannot be reached")
                                                                  : error);
    }
    p.name = name;
    p.stop = std::move(stop);
    if (p.stop && !p.stop->attach(name))
        p.failInterrupted();
    if (p.dialect.engine() == Engine::PostgreSQL) {
        // Compiling a search to machine code costs more than these searches
        // take to run; it would only delay the first rows.
        QSqlQuery(QSqlDatabase::database(name, false)).exec(QStringLiteral("SET jit = off"));
    }
    p.start(statements);
    return c;
}

Cursor Cursor::openLent(const QString& connectionName, const Statement& statement,
                        std::function<void(bool reusable)> giveBack, Around around)
{
    Cursor c;
    c.d = std::make_unique<Private>();
    Private& p = *c.d;
    const QSqlDatabase conn = QSqlDatabase::database(connectionName, false);
    p.dialect = Dialect(conn.driverName() == QLatin1String("QPSQL") ? Engine::PostgreSQL : Engine::SQLite);
    p.name = connectionName;
    p.giveBack = std::move(giveBack);
    p.around = std::move(around);
    p.start({statement});
    return c;
}

bool Cursor::isOpen() const
{
    return d && !d->end;
}

bool Cursor::atEnd() const
{
    return !d || d->end;
}

const QStringList& Cursor::columns() const
{
    static const QStringList none;
    return d ? d->columns : none;
}

QVector<Cursor::Row> Cursor::fetch(int max)
{
    QVector<Row> out;
    if (!d || d->end || max <= 0)
        return out;
    out.reserve(max);
    const int n = int(d->columns.size());
    while (int(out.size()) < max) {
        if (!d->pending && !d->step()) {
            d->end = true;
            d->release();
            break;
        }
        d->pending = false;
        Row row(n);
        for (int i = 0; i < n; ++i)
            row[i] = d->query->value(i);
        out.append(std::move(row));
    }
    return out;
}

void Cursor::close()
{
    if (d)
        d->release();
}

} // namespace db
