#include "workbook/WorkbookImport.h"

#include <stdexcept>

namespace workbook {

namespace {

// Table and column names come from the screens' layouts, never from the
// sheet; the cell texts are bound.
struct Statements
{
    QString exists;
    QString update;
    QString insert;
    QList<int> keyIndexes;
    QList<int> updateKeyIndexes;
    QList<int> updateIndexes;
};

int indexOf(const ImportLayout& layout, const QString& column)
{
    for (int i = 0; i < layout.columns.size(); ++i) {
        if (layout.columns[i].name.compare(column, Qt::CaseInsensitive) == 0)
            return i;
    }
    throw std::invalid_argument("import layout: unknown column " + column.toStdString());
}

QString conditions(const QStringList& columns)
{
    QStringList parts;
    for (const QString& c : columns)
        parts << c + QStringLiteral(" = ?");
    return parts.join(QStringLiteral(" and "));
}

Statements prepare(const ImportLayout& layout)
{
    Statements s;
    const QStringList updateKeys = layout.updateKeyColumns.isEmpty() ? layout.keyColumns : layout.updateKeyColumns;
    for (const QString& k : layout.keyColumns)
        s.keyIndexes << indexOf(layout, k);
    for (const QString& k : updateKeys)
        s.updateKeyIndexes << indexOf(layout, k);
    for (const QString& u : layout.updateColumns)
        s.updateIndexes << indexOf(layout, u);

    s.exists = QStringLiteral("select count(*) from %1 where %2").arg(layout.table, conditions(layout.keyColumns));
    QStringList sets;
    for (const QString& u : layout.updateColumns)
        sets << u + QStringLiteral(" = ?");
    sets << QStringLiteral("update_user = ?") << QStringLiteral("update_time = sysdate");
    s.update = QStringLiteral("update %1 set %2 where %3")
                   .arg(layout.table, sets.join(QStringLiteral(", ")), conditions(updateKeys));
    QStringList names;
    QStringList marks;
    for (const ImportColumn& c : layout.columns) {
        names << c.name;
        marks << QStringLiteral("?");
    }
    for (const auto& f : layout.insertFixed) {
        names << f.first;
        marks << QStringLiteral("?");
    }
    names << QStringLiteral("update_user") << QStringLiteral("update_time");
    marks << QStringLiteral("?") << QStringLiteral("sysdate");
    s.insert = QStringLiteral("insert into %1 (%2) values (%3)")
                   .arg(layout.table, names.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
    return s;
}

} // namespace

ImportOutcome importRows(const Rows& rows, const ImportLayout& layout, db::Database& db, const QString& userId,
                         const std::function<void(const QString&)>& writeLog)
{
    ImportOutcome out;
    Statements s;
    try {
        s = prepare(layout);
    } catch (const std::exception& e) {
        out.error = QString::fromStdString(e.what());
        return out;
    }
    const int width = int(layout.columns.size());
    QStringList cells;
    QVariantList values;
    try {
        for (int r = 1; r < rows.size(); ++r) {
            if (cell(rows, r, 0).isEmpty())
                break;
            cells.clear();
            for (int c = 0; c < width; ++c)
                cells << cell(rows, r, c);

            QString refused;
            for (const ImportCheck& check : layout.checks) {
                refused = check(cells);
                if (!refused.isEmpty())
                    break;
            }
            if (!refused.isEmpty()) {
                writeLog(refused);
                ++out.rejected;
                continue;
            }

            QStringList v = cells;
            for (int c = 0; c < width; ++c) {
                if (layout.columns[c].toValue)
                    v[c] = layout.columns[c].toValue(v[c]);
            }
            values.clear();
            for (int k : s.keyIndexes)
                values << v[k];
            if (db.count(s.exists, values) > 0) {
                values.clear();
                for (int u : s.updateIndexes)
                    values << v[u];
                values << userId;
                for (int k : s.updateKeyIndexes)
                    values << v[k];
                db.exec(s.update, values);
            } else {
                values.clear();
                for (const QString& x : v)
                    values << x;
                for (const auto& f : layout.insertFixed)
                    values << f.second;
                values << userId;
                db.exec(s.insert, values);
            }
            ++out.stored;
        }
    } catch (const db::DbError& e) {
        out.error = e.text();
    } catch (const std::exception& e) {
        out.error = QString::fromLocal8Bit(e.what());
    }
    return out;
}

} // namespace workbook
