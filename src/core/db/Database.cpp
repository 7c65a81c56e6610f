#include "db/Database.h"
#include "db/SocketDeadline.h"

#include <QAtomicInt>
#include <QHash>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QSqlRecord>
#include <list>

namespace db {

namespace {
QAtomicInt g_connectionCounter;
constexpr int kStatementCacheSize = 64;
} // namespace

namespace {

// standsAlone: the failed call ran a write that the server commits by
// itself. Once sent, it may be stored even when the connection is lost
// before the answer comes: the deadline or the link cut the wait while the
// server held the statement, or the server ended the session right after
// committing it. SQLite's commit is done or undone when the call returns.
[[noreturn]] void raise(const Dialect& dialect, const QSqlError& e, bool standsAlone = false)
{
    QString text = e.databaseText().trimmed();
    if (text.isEmpty())
        text = e.driverText().trimmed();
    if (text.isEmpty())
        text = QStringLiteral("Unknown database error");
    const ErrorKind kind = dialect.classify(e);
    const bool unknown
        = standsAlone && dialect.engine() == Engine::PostgreSQL && kind == ErrorKind::ConnectionLost;
    throw DbError(kind, text, e.nativeErrorCode(), unknown);
}

// Every call after a lost connection, until the next login opens it again.
DbError notOpen(bool outcomeUnknown = false)
{
    return DbError(ErrorKind::ConnectionLost,
                   QStringLiteral("The database connection is not open. Relogin connects to the database again."),
                   QString(), outcomeUnknown);
}

// Runs a call on the connection. A call that finds the connection lost
// closes it: this one and every later call, a transaction's included, say
// the same until the next login opens it again.
template <typename Call>
auto onConnection(Database& db, Call call)
{
    if (!db.isOpen())
        throw notOpen();
    try {
        return call();
    } catch (const DbError& e) {
        if (e.kind() != ErrorKind::ConnectionLost)
            throw;
        db.close();
        throw notOpen(e.outcomeUnknown());
    }
}

} // namespace

// Reader connections beside the program's own, kept open between reads.
// One read at a time uses each; a read that starts while another one runs
// (a list filled while another fills) opens one more.
struct ReaderPool
{
    QStringList idle;
    bool closed = false;

    ~ReaderPool() { drop(); }
    void drop()
    {
        closed = true;
        for (const QString& name : std::as_const(idle)) {
            QSqlDatabase::database(name, false).close();
            QSqlDatabase::removeDatabase(name);
        }
        idle.clear();
    }
    static void remove(const QString& name)
    {
        QSqlDatabase::database(name, false).close();
        QSqlDatabase::removeDatabase(name);
    }
};

// Kept open: more would only hold server sessions for reads that rarely overlap.
constexpr int kIdleReaders = 2;

struct Database::Private
{
    QString name;
    std::shared_ptr<ReaderPool> readers = std::make_shared<ReaderPool>();
    // Server connections only; none while the waits are lifted.
    std::unique_ptr<detail::SocketDeadline> deadline;
    bool unbounded = false;
    // Between begin and commit or rollback: no write stands by itself.
    bool inTransaction = false;
    int armed = 0;

    // Holds the deadline over the server calls in its scope; nests.
    class Bounded
    {
    public:
        Bounded(Private& d, const QSqlDatabase& conn)
            : m_d(d)
        {
            if (m_d.armed++ == 0 && m_d.deadline && !m_d.unbounded)
                m_d.deadline->arm(conn);
        }
        ~Bounded()
        {
            if (--m_d.armed == 0 && m_d.deadline)
                m_d.deadline->disarm();
        }
        Bounded(const Bounded&) = delete;
        Bounded& operator=(const Bounded&) = delete;

    private:
        Private& m_d;
    };
    // Prepared statements by their text, so that a statement run on every scan
    // is prepared once per connection.
    QHash<QString, std::list<std::pair<QString, QSqlQuery>>::iterator> index;
    std::list<std::pair<QString, QSqlQuery>> lru;

    QSqlQuery& prepared(const QSqlDatabase& conn, const Dialect& dialect, const QString& sql);

    // Runs a statement and hands the executed query to read(), which must not
    // keep it: the query is finished right after. write: the statement may
    // change rows.
    template <typename Read>
    auto run(const QSqlDatabase& conn, const Dialect& dialect, const QString& sql, const QVariantList& params,
             bool write, Read read)
    {
        QSqlQuery direct(conn);
        direct.setForwardOnly(true);
        QSqlQuery& q = params.isEmpty() ? direct : prepared(conn, dialect, sql);
        for (int i = 0; i < params.size(); ++i)
            q.bindValue(i, Dialect::bindValue(params.at(i)));
        const Bounded bounded(*this, conn);
        // A statement without values runs as it stands: the server engine cannot
        // prepare DDL, and there is nothing to bind.
        if (params.isEmpty() ? !direct.exec(dialect.rewrite(sql)) : !q.exec()) {
            const QSqlError e = q.lastError();
            q.finish();
            if (dialect.classify(e) == ErrorKind::ConnectionLost)
                clearCache();
            raise(dialect, e, write && !inTransaction);
        }
        auto result = read(q);
        q.finish();
        return result;
    }

    void clearCache()
    {
        index.clear();
        lru.clear();
    }
};

Database::Database()
    : d(std::make_unique<Private>())
{
}

Database::~Database()
{
    close();
}

namespace detail {

// The libpq options of a server connection. A cursor's searches may run
// long on their own connection; only the program's shared connection has
// its statements bounded. A list's reader waits for a lock no longer than
// the shared connection, but its statement lasts as long as the list takes
// to fill.
QString serverOptions(bool boundStatements, bool boundLocks)
{
    QStringList options = {
        QStringLiteral("connect_timeout=5"),
        QStringLiteral("keepalives=1"),
        QStringLiteral("keepalives_idle=%1").arg(kKeepaliveIdleSecs),
        QStringLiteral("keepalives_interval=1"),
        QStringLiteral("keepalives_count=3"),
        QStringLiteral("tcp_user_timeout=%1").arg(kLinkTimeoutMs),
    };
    if (boundStatements)
        options << QStringLiteral("options='-c statement_timeout=%1 -c lock_timeout=%2'")
                       .arg(kStatementTimeoutMs)
                       .arg(kLockTimeoutMs);
    else if (boundLocks)
        options << QStringLiteral("options='-c lock_timeout=%1'").arg(kLockTimeoutMs);
    return options.join(QLatin1Char(';'));
}

// Adds and opens the named Qt connection for the settings; on failure the
// name is removed again and false returned with the reason in *error.
bool openNamed(const ConnectionSettings& settings, const QString& name, QString* error, bool boundStatements,
               bool boundLocks)
{
    const bool postgres = settings.driver == QLatin1String("QPSQL");
    QSqlDatabase conn = QSqlDatabase::addDatabase(settings.driver, name);
    if (!conn.isValid()) {
        if (error)
            *error = QStringLiteral("The database driver %1 is not available").arg(settings.driver);
        conn = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
        return false;
    }
    conn.setDatabaseName(settings.database);
    if (postgres) {
        conn.setHostName(settings.host);
        if (settings.port > 0)
            conn.setPort(settings.port);
        conn.setUserName(settings.user);
        conn.setPassword(settings.password);
        conn.setConnectOptions(serverOptions(boundStatements, boundLocks));
    } else {
        conn.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
    }
    if (!conn.open()) {
        if (error)
            *error = conn.lastError().text().trimmed();
        conn = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
        return false;
    }
    conn.setNumericalPrecisionPolicy(QSql::HighPrecision);
    if (!postgres) {
        QSqlQuery q(conn);
        q.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
    }
    return true;
}

QString newConnectionName()
{
    return QStringLiteral("trova-%1").arg(g_connectionCounter.fetchAndAddRelaxed(1));
}

} // namespace detail

bool Database::open(const ConnectionSettings& settings, QString* error, Waits waits)
{
    close();
    m_settings = settings;
    m_dialect = Dialect(settings.driver == QLatin1String("QPSQL") ? Engine::PostgreSQL : Engine::SQLite);
    const QString name = detail::newConnectionName();
    const bool bounded = waits == Waits::Bounded;
    if (!detail::openNamed(settings, name, error, bounded, bounded))
        return false;
    d->name = name;
    if (bounded && m_dialect.engine() == Engine::PostgreSQL)
        d->deadline = std::make_unique<detail::SocketDeadline>(std::chrono::milliseconds(kDeadlineMs));
    return true;
}

void Database::close()
{
    // Reads running now hand their connection back to a closed pool, which
    // closes it.
    d->readers->drop();
    d->readers = std::make_shared<ReaderPool>();
    d->deadline.reset();
    d->unbounded = false;
    d->inTransaction = false;
    if (!d->name.isEmpty()) {
        {
            QSqlDatabase conn = QSqlDatabase::database(d->name, false);
            conn.close();
        }
        QSqlDatabase::removeDatabase(d->name);
        d->name.clear();
    }
    // The server frees a session's prepared statements when the session
    // ends; dropped once their driver is gone, they send nothing, so closing
    // never waits on a server that stopped answering (Exit, Relogin).
    d->clearCache();
}

bool Database::isOpen() const
{
    return !d->name.isEmpty() && QSqlDatabase::database(d->name, false).isOpen();
}

QSqlDatabase Database::handle() const
{
    return QSqlDatabase::database(d->name, false);
}


QSqlQuery& Database::Private::prepared(const QSqlDatabase& conn, const Dialect& dialect, const QString& sql)
{
    Private* d = this;
    const Bounded bounded(*this, conn);
    auto it = d->index.find(sql);
    if (it != d->index.end()) {
        d->lru.splice(d->lru.begin(), d->lru, it.value());
        return d->lru.front().second;
    }
    QSqlQuery q(conn);
    q.setForwardOnly(true);
    if (!q.prepare(dialect.rewrite(sql)))
        raise(dialect, q.lastError());
    d->lru.emplace_front(sql, std::move(q));
    d->index.insert(sql, d->lru.begin());
    if (int(d->lru.size()) > kStatementCacheSize) {
        d->index.remove(d->lru.back().first);
        d->lru.pop_back();
    }
    return d->lru.front().second;
}

ResultSet Database::query(const QString& sql, const QVariantList& params)
{
    return onConnection(*this, [&] {
        return d->run(handle(), m_dialect, sql, params, false, [](QSqlQuery& q) {
            const QSqlRecord rec = q.record();
            QStringList columns;
            for (int i = 0; i < rec.count(); ++i)
                columns << rec.fieldName(i);
            QVector<QVector<QVariant>> rows;
            while (q.next()) {
                QVector<QVariant> row(rec.count());
                for (int i = 0; i < rec.count(); ++i)
                    row[i] = q.value(i);
                rows.append(std::move(row));
            }
            return ResultSet(columns, std::move(rows));
        });
    });
}

Cursor Database::openCursor(const QString& sql, const QVariantList& params) const
{
    if (!isOpen())
        throw notOpen();
    return Cursor::open(m_settings, sql, params);
}

Cursor Database::openCursor(const QVector<Cursor::Statement>& statements) const
{
    if (!isOpen())
        throw notOpen();
    return Cursor::open(m_settings, statements);
}

Cursor Database::readInParts(const QString& sql, const QVariantList& params)
{
    return onConnection(*this, [&] {
        for (int attempt = 0;; ++attempt) {
            const std::shared_ptr<ReaderPool> pool = d->readers;
            QString name;
            const bool kept = !pool->idle.isEmpty();
            if (kept) {
                name = pool->idle.takeLast();
            } else {
                name = detail::newConnectionName();
                QString error;
                if (!detail::openNamed(m_settings, name, &error, false, true))
                    throw DbError(ErrorKind::ConnectionLost,
                                  error.isEmpty() ? QStringLiteral("The database cannot be reached") : error);
            }
            const auto giveBack = [pool, name](bool reusable) {
                if (reusable && !pool->closed && pool->idle.size() < kIdleReaders)
                    pool->idle << name;
                else
                    ReaderPool::remove(name);
            };
            // By name: a copy of the connection held here would keep it in use
            // once it is removed.
            const auto around = [this, name](const std::function<void()>& call) {
                const Private::Bounded bounded(*d, QSqlDatabase::database(name, false));
                call();
            };
            try {
                return Cursor::openLent(name, {sql, params}, giveBack, around);
            } catch (const DbError& e) {
                // A kept connection the server has dropped meanwhile (idle
                // too long, restarted) is no failure of this read.
                if (!kept || attempt > 0 || e.kind() != ErrorKind::ConnectionLost)
                    throw;
            }
        }
    });
}

QVector<Cursor::Row> Database::readPart(Cursor& cursor, int max)
{
    return onConnection(*this, [&] { return cursor.fetch(max); });
}

int Database::exec(const QString& sql, const QVariantList& params)
{
    if (Dialect::isCommit(sql))
        return 0;
    return onConnection(*this, [&] {
        return d->run(handle(), m_dialect, sql, params, true, [](QSqlQuery& q) { return q.numRowsAffected(); });
    });
}

QVariant Database::scalar(const QString& sql, const QVariantList& params)
{
    ResultSet rs = query(sql, params);
    return rs.eof() ? QVariant() : rs.value(0);
}

qlonglong Database::count(const QString& sql, const QVariantList& params)
{
    return scalar(sql, params).toLongLong();
}

void Database::probe()
{
    query(m_dialect.probe());
}

QDateTime Database::serverNow()
{
    return ResultSet::toDateTime(scalar(m_dialect.probe()));
}

void Database::begin()
{
    onConnection(*this, [this] {
        const Private::Bounded bounded(*d, handle());
        if (!handle().transaction())
            raise(m_dialect, handle().lastError());
        d->inTransaction = true;
    });
}

void Database::unboundWaitsInTransaction()
{
    if (m_dialect.engine() != Engine::PostgreSQL)
        return;
    exec(QStringLiteral("SET LOCAL statement_timeout = 0"));
    exec(QStringLiteral("SET LOCAL lock_timeout = 0"));
    d->unbounded = true;
}

void Database::beginLocked(const QString& series)
{
    onConnection(*this, [&] { beginLockedOpen(series); });
}

void Database::beginLockedOpen(const QString& series)
{
    const Private::Bounded bounded(*d, handle());
    QSqlQuery q(handle());
    if (m_dialect.engine() == Engine::SQLite) {
        // A deferred transaction would read the highest number first and fail
        // when it then tries to write after another connection did.
        if (!q.exec(QStringLiteral("BEGIN IMMEDIATE")))
            raise(m_dialect, q.lastError());
        d->inTransaction = true;
        return;
    }
    // A stable key for the name (FNV-1a), the same on every workstation.
    quint32 key = 2166136261u;
    for (const char c : series.toUtf8()) {
        key ^= quint8(c);
        key *= 16777619u;
    }
    // One round trip for both; the key is a number, never text from outside.
    if (!q.exec(QStringLiteral("BEGIN; SELECT pg_advisory_xact_lock(%1)").arg(qlonglong(key)))) {
        const QSqlError e = q.lastError();
        rollback();
        raise(m_dialect, e);
    }
    d->inTransaction = true;
}

void Database::commit()
{
    onConnection(*this, [this] {
        const Private::Bounded bounded(*d, handle());
        d->unbounded = false;
        d->inTransaction = false;
        if (!handle().commit())
            raise(m_dialect, handle().lastError(), true);
    });
}

void Database::rollback()
{
    // A lost connection has nothing left to roll back.
    if (!isOpen())
        return;
    const Private::Bounded bounded(*d, handle());
    d->unbounded = false;
    d->inTransaction = false;
    handle().rollback();
}

Transaction::Transaction(Database& db)
    : m_db(db)
{
    m_db.begin();
}

Transaction::~Transaction()
{
    if (!m_done)
        m_db.rollback();
}

Transaction::Transaction(Database& db, const QString& series)
    : m_db(db)
{
    m_db.beginLocked(series);
}

void Transaction::commit()
{
    m_db.commit();
    m_done = true;
}

} // namespace db
