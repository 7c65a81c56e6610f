#include "workbook/WorkbookImport.h"

#include <stdexcept>

namespace workbook {

namespace {

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

} // namespace

// Table and column names come from the screens' layouts, never from the
// sheet; the cell texts are bound.
ImportRun::ImportRun(Rows rows, const ImportLayout& layout, db::Database& db, QString userId,
                     std::function<void(const QString&)> writeLog)
    : m_rows(std::move(rows))
    , m_layout(layout)
    , m_db(db)
    , m_userId(std::move(userId))
    , m_writeLog(std::move(writeLog))
{
    Statements& s = m_statements;
    try {
        const QStringList updateKeys
            = layout.updateKeyColumns.isEmpty() ? layout.keyColumns : layout.updateKeyColumns;
        for (const QString& k : layout.keyColumns)
            s.keyIndexes << indexOf(layout, k);
        for (const QString& k : updateKeys)
            s.updateKeyIndexes << indexOf(layout, k);
        for (const QString& u : layout.updateColumns)
            s.updateIndexes << indexOf(layout, u);

        s.exists
            = QStringLiteral("select count(*) from %1 where %2").arg(layout.table, conditions(layout.keyColumns));
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
    } catch (const std::exception& e) {
        m_out.error = QString::fromStdString(e.what());
        m_done = true;
    }
}

bool ImportRun::step(QDeadlineTimer deadline)
{
    try {
        while (!m_done) {
            if (!storeRow(m_next))
                m_done = true;
            ++m_next;
            if (deadline.hasExpired())
                break;
        }
    } catch (const db::DbError& e) {
        // Only the row's own write may end with its outcome unknown; checks
        // and the key's look-up only read.
        if (e.outcomeUnknown()) {
            QStringList key;
            for (int k : m_statements.keyIndexes)
                key << cell(m_rows, m_next, k);
            m_out.unsure = QStringLiteral("row %1 (%2)").arg(m_next + 1).arg(key.join(QStringLiteral(", ")));
        }
        m_out.error = e.outcomeUnknown() ? e.cause() : e.text();
        m_done = true;
    } catch (const std::exception& e) {
        m_out.error = QString::fromLocal8Bit(e.what());
        m_done = true;
    }
    return m_done;
}

bool ImportRun::storeRow(int r)
{
    if (r >= m_rows.size() || cell(m_rows, r, 0).isEmpty())
        return false;
    const Statements& s = m_statements;
    const int width = int(m_layout.columns.size());
    QStringList cells;
    for (int c = 0; c < width; ++c)
        cells << cell(m_rows, r, c);

    QString refused;
    for (const ImportCheck& check : m_layout.checks) {
        refused = check(cells);
        if (!refused.isEmpty())
            break;
    }
    if (!refused.isEmpty()) {
        m_writeLog(refused);
        ++m_out.rejected;
        return true;
    }

    QStringList v = cells;
    for (int c = 0; c < width; ++c) {
        if (m_layout.columns[c].toValue)
            v[c] = m_layout.columns[c].toValue(v[c]);
    }
    QVariantList values;
    for (int k : s.keyIndexes)
        values << v[k];
    if (m_db.count(s.exists, values) > 0) {
        values.clear();
        for (int u : s.updateIndexes)
            values << v[u];
        values << m_userId;
        for (int k : s.updateKeyIndexes)
            values << v[k];
        m_db.exec(s.update, values);
    } else {
        values.clear();
        for (const QString& x : v)
            values << x;
        for (const auto& f : m_layout.insertFixed)
            values << f.second;
        values << m_userId;
        m_db.exec(s.insert, values);
    }
    ++m_out.stored;
    return true;
}

QString ImportOutcome::failureMessage() const
{
    QString text = error + QStringLiteral("\n\n%1 records were imported before the error").arg(stored);
    if (!unsure.isEmpty())
        text += QStringLiteral("; whether %1 was stored is not known").arg(unsure);
    return text + QLatin1Char('.');
}

ImportOutcome importRows(const Rows& rows, const ImportLayout& layout, db::Database& db, const QString& userId,
                         const std::function<void(const QString&)>& writeLog)
{
    ImportRun run(rows, layout, db, userId, writeLog);
    run.step();
    return run.outcome();
}

} // namespace workbook
