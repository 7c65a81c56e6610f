#include "LayoutRows.h"

#include "app/Module1.h"

using Module1::gConn;

void addLine(const QString& id)
{
    gConn().exec("insert into line_info (line_id, line_desc, update_user, update_time) values (?, 'x', 'SYSADMIN', sysdate)",
                 {id});
}

void addMachine(const QString& id, const QString& line)
{
    gConn().exec("insert into mc_info (mc_id, mc_desc, line_id, update_user, update_time) "
                 "values (?, 'desc', ?, 'SYSADMIN', sysdate)",
                 {id, line});
}

void addChecks(int n, const QString& line, const QString& machine, const QString& ip, const QString& terminal)
{
    for (int i = 0; i < n; ++i)
        gConn().exec("insert into check_history (line_id, mc_id, gw21_ip, dt200_id, check_value, update_user, "
                     "update_time) values (?, ?, ?, ?, '0', 'U', sysdate)",
                     {line, machine, ip, terminal});
}

QStringList tableRows(const QString& table, const QStringList& columns)
{
    QStringList out;
    const QString cols = columns.join(", ");
    db::ResultSet rs = gConn().query(QStringLiteral("select %1 from %2 order by %1").arg(cols, table));
    for (; !rs.eof(); rs.moveNext()) {
        QStringList row;
        for (int i = 0; i < columns.size(); ++i)
            row << rs.text(i);
        out << row.join('|');
    }
    return out;
}
