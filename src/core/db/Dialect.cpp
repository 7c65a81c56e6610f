#include "db/Dialect.h"

#include <QDateTime>
#include <QRegularExpression>

namespace db {

QString Dialect::now() const
{
    // Cut to the second, never rounded up: a time written now must not lie
    // in the future of the next statement's clock.
    return m_engine == Engine::SQLite ? QStringLiteral("datetime('now','localtime')")
                                      : QStringLiteral("date_trunc('second', localtimestamp)");
}

QString Dialect::dateCode() const
{
    return m_engine == Engine::SQLite
               ? QStringLiteral("(substr(strftime('%Y','now','localtime'),4,1) || strftime('%m%d','now','localtime'))")
               : QStringLiteral("to_char(LOCALTIMESTAMP, 'YMMDD')");
}

QString Dialect::probe() const
{
    return QStringLiteral("select ") + now();
}

QString Dialect::forUpdate() const
{
    return m_engine == Engine::SQLite ? QString() : QStringLiteral(" for update");
}

QString Dialect::rewrite(const QString& sql) const
{
    static const QRegularExpression word(QStringLiteral("\\bsysdate\\b"),
                                         QRegularExpression::CaseInsensitiveOption);
    if (!sql.contains(QLatin1String("sysdate"), Qt::CaseInsensitive))
        return sql;
    QString out = sql;
    out.replace(word, now());
    return out;
}

bool Dialect::isCommit(const QString& sql)
{
    QString s = sql.trimmed();
    if (s.endsWith(QLatin1Char(';')))
        s.chop(1);
    return s.trimmed().compare(QLatin1String("commit"), Qt::CaseInsensitive) == 0;
}

QString Dialect::nullSafeEquals(const QString& column) const
{
    return column
           + (m_engine == Engine::SQLite ? QStringLiteral(" IS ?") : QStringLiteral(" IS NOT DISTINCT FROM ?"));
}

QVariant Dialect::bindValue(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::QString:
        if (v.toString().isEmpty())
            return QVariant(QMetaType(QMetaType::QString));
        return v;
    case QMetaType::QDateTime: {
        const QDateTime t = v.toDateTime();
        if (!t.isValid())
            return QVariant(QMetaType(QMetaType::QString));
        return t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    case QMetaType::QDate:
        return v.toDate().toString(QStringLiteral("yyyy-MM-dd 00:00:00"));
    default:
        return v;
    }
}

ErrorKind Dialect::classify(const QSqlError& error) const
{
    const QString code = error.nativeErrorCode();
    const QString text = error.databaseText() + QLatin1Char(' ') + error.driverText();
    if (m_engine == Engine::PostgreSQL) {
        if (error.type() == QSqlError::ConnectionError)
            return ErrorKind::ConnectionLost;
        if (code == QLatin1String("23505"))
            return ErrorKind::UniqueViolation;
        if (code == QLatin1String("22001"))
            return ErrorKind::ValueTooLong;
        if (code.startsWith(QLatin1String("08")) || code.startsWith(QLatin1String("57P")))
            return ErrorKind::ConnectionLost;
        if (code.isEmpty()
            && (text.contains(QLatin1String("server closed the connection"))
                || text.contains(QLatin1String("no connection to the server"))
                || text.contains(QLatin1String("terminating connection"))
                || text.contains(QLatin1String("connection to server"))))
            return ErrorKind::ConnectionLost;
        return ErrorKind::Other;
    }
    // The SQLite driver reports every failed step as a connection error, so
    // only the text tells the kinds apart.
    if (text.contains(QLatin1String("UNIQUE constraint failed")))
        return ErrorKind::UniqueViolation;
    if (text.contains(QLatin1String("CHECK constraint failed: len_")))
        return ErrorKind::ValueTooLong;
    if (text.contains(QLatin1String("unable to open database"))
        || text.contains(QLatin1String("disk I/O error")))
        return ErrorKind::ConnectionLost;
    return ErrorKind::Other;
}

QString Dialect::textType(int width) const
{
    const QString base = QStringLiteral("VARCHAR(%1)").arg(width);
    // Byte-wise order on both engines, whatever the server's locale.
    return m_engine == Engine::PostgreSQL ? base + QStringLiteral(" COLLATE \"C\"") : base;
}

QString Dialect::timeType() const
{
    return QStringLiteral("TIMESTAMP(0)");
}

QString Dialect::numberType() const
{
    return QStringLiteral("NUMERIC");
}

} // namespace db
