#pragma once

#include <QDateTime>
#include <QHash>
#include <QStringList>
#include <QVariant>
#include <QVector>

namespace db {

// A static, read-only snapshot of a query's rows. Fields are read by name
// (any letter case) or by position from 0; the row count is exact from the
// start. Each caller owns its own result set, so nothing another handler
// opens can pull the rows from under it.
class ResultSet
{
public:
    ResultSet() = default;
    ResultSet(QStringList columns, QVector<QVector<QVariant>> rows);

    bool eof() const { return m_pos >= m_rows.size(); }
    void moveNext() { ++m_pos; }
    void moveFirst() { m_pos = 0; }
    int recordCount() const { return int(m_rows.size()); }
    int fieldCount() const { return int(m_columns.size()); }
    const QStringList& columns() const { return m_columns; }
    int columnIndex(const QString& name) const;

    // The raw value of the current row; a database Null is a null QVariant.
    QVariant value(int column) const;
    QVariant value(const QString& name) const;
    bool isNull(const QString& name) const { return value(name).isNull(); }

    // The value as text: Null as the empty text, times as "yyyy-MM-dd HH:mm:ss"
    // on every engine, whole numbers without a decimal point.
    QString text(int column) const;
    QString text(const QString& name) const;
    // A time column; an invalid QDateTime for Null or a value that is no time.
    QDateTime dateTime(const QString& name) const;
    // A time column in the form every screen shows: "MM/dd/yyyy HH:mm:ss".
    QString timeText(const QString& name) const;
    qlonglong toLongLong(int column) const { return value(column).toLongLong(); }

    const QVector<QVector<QVariant>>& rows() const { return m_rows; }

    static QString toText(const QVariant& v);
    static QDateTime toDateTime(const QVariant& v);

private:
    QStringList m_columns;
    QHash<QString, int> m_index;
    QVector<QVector<QVariant>> m_rows;
    int m_pos = 0;
};

} // namespace db
