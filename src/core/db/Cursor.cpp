#include "db/Cursor.h"

#include "db/Database.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace db {

namespace detail {
bool openNamed(const ConnectionSettings& settings, const QString& name, QString* error);
QString newConnectionName();
} // namespace detail

struct Cursor::Private
{
    QString name;
    Dialect dialect;
    std::unique_ptr<QSqlQuery> query;
    QStringList columns;
    bool pending = false; // a row was read ahead and not handed out yet
    bool end = false;

    ~Private() { release(); }

    // Closes the connection before dropping the query: a server result that
    // was stopped half way is then abandoned instead of read to its end.
    void release()
    {
        // Rows left unread: the server result is abandoned with its connection.
        const bool abandon = query && !end;
        end = true;
        pending = false;
        if (abandon && !name.isEmpty())
            QSqlDatabase::database(name, false).close();
        query.reset();
        if (!name.isEmpty())
            QSqlDatabase::database(name, false).close();
        if (name.isEmpty())
            return;
        QSqlDatabase::removeDatabase(name);
        name.clear();
    }

    [[noreturn]] void fail(const QSqlError& e)
    {
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

    // Moves to the next row; false at the end. A failed step (the server
    // gone, a value it cannot convert) is an error, not the end.
    bool step()
    {
        if (query->next())
            return true;
        if (query->lastError().isValid())
            fail(query->lastError());
        return false;
    }
};

Cursor::Cursor() = default;
Cursor::~Cursor() = default;
Cursor::Cursor(Cursor&& other) noexcept = default;
Cursor& Cursor::operator=(Cursor&& other) noexcept = default;

Cursor Cursor::open(const ConnectionSettings& settings, const QString& sql, const QVariantList& params)
{
    Cursor c;
    c.d = std::make_unique<Private>();
    Private& p = *c.d;
    p.dialect = Dialect(settings.driver == QLatin1String("QPSQL") ? Engine::PostgreSQL : Engine::SQLite);
    const QString name = detail::newConnectionName();
    QString error;
    if (!detail::openNamed(settings, name, &error)) {
        p.end = true;
        throw DbError(ErrorKind::ConnectionLost, error.isEmpty() ? QStringLiteral("The database cannot be reached")
                                                                  : error);
    }
    p.name = name;
    // Forward-only: SQLite steps through the rows on demand and the server
    // driver reads them one at a time instead of the whole result at once.
    p.query = std::make_unique<QSqlQuery>(QSqlDatabase::database(name, false));
    p.query->setForwardOnly(true);
    bool ok;
    if (params.isEmpty()) {
        ok = p.query->exec(p.dialect.rewrite(sql));
    } else {
        ok = p.query->prepare(p.dialect.rewrite(sql));
        if (ok) {
            for (int i = 0; i < params.size(); ++i)
                p.query->bindValue(i, Dialect::bindValue(params.at(i)));
            ok = p.query->exec();
        }
    }
    if (!ok)
        p.fail(p.query->lastError());
    const QSqlRecord rec = p.query->record();
    for (int i = 0; i < rec.count(); ++i)
        p.columns << rec.fieldName(i);
    // The first row is read here, so that a statement that fails only when
    // its rows are produced fails at open like any other.
    p.pending = p.step();
    if (!p.pending) {
        p.end = true;
        p.release();
    }
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
