#include "db/ResultSet.h"

#include <cmath>

namespace db {

ResultSet::ResultSet(QStringList columns, QVector<QVector<QVariant>> rows)
    : m_columns(std::move(columns))
    , m_rows(std::move(rows))
{
    for (int i = 0; i < m_columns.size(); ++i) {
        const QString key = m_columns.at(i).toLower();
        if (!m_index.contains(key))
            m_index.insert(key, i);
    }
}

int ResultSet::columnIndex(const QString& name) const
{
    return m_index.value(name.toLower(), -1);
}

QVariant ResultSet::value(int column) const
{
    if (eof() || column < 0 || column >= m_columns.size())
        return {};
    return m_rows.at(m_pos).at(column);
}

QVariant ResultSet::value(const QString& name) const
{
    const int i = columnIndex(name);
    Q_ASSERT_X(i >= 0, "ResultSet::value", qPrintable(name));
    return value(i);
}

QString ResultSet::text(int column) const
{
    return toText(value(column));
}

QString ResultSet::text(const QString& name) const
{
    return toText(value(name));
}

QDateTime ResultSet::dateTime(const QString& name) const
{
    return toDateTime(value(name));
}

QString ResultSet::timeText(const QString& name) const
{
    const QDateTime t = dateTime(name);
    return t.isValid() ? t.toString(QStringLiteral("MM/dd/yyyy HH:mm:ss")) : QString();
}

QString ResultSet::toText(const QVariant& v)
{
    if (v.isNull())
        return QString();
    switch (v.typeId()) {
    case QMetaType::QDateTime:
        return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    case QMetaType::QDate:
        return v.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    case QMetaType::Double: {
        const double d = v.toDouble();
        if (std::floor(d) == d && std::fabs(d) < 1e15)
            return QString::number(qlonglong(d));
        return QString::number(d, 'g', 15);
    }
    default:
        return v.toString();
    }
}

QDateTime ResultSet::toDateTime(const QVariant& v)
{
    if (v.isNull())
        return {};
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime();
    const QString s = v.toString().trimmed();
    QDateTime t = QDateTime::fromString(s, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!t.isValid())
        t = QDateTime::fromString(s, Qt::ISODate);
    return t;
}

} // namespace db
