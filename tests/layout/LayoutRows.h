#pragma once

#include "DbRows.h"
#include "app/Module1.h"

// Rows the layout tests need, written straight into the tables.
using testing::addLine;
using testing::addMachine;

// n check records made at the given line, machine, gateway and terminal.
inline void addChecks(int n, const QString& line, const QString& machine, const QString& ip = QString(),
                      const QString& terminal = QString())
{
    for (int i = 0; i < n; ++i)
        Module1::gConn().exec("insert into check_history (line_id, mc_id, gw21_ip, dt200_id, check_value, "
                              "update_user, update_time) values (?, ?, ?, ?, '0', 'U', sysdate)",
                              {line, machine, ip, terminal});
}

// A table's rows as "col1|col2|...", in the order of the columns.
inline QStringList tableRows(const QString& table, const QStringList& columns)
{
    const QString cols = columns.join(", ");
    return testing::queryRows(QStringLiteral("select %1 from %2 order by %1").arg(cols, table));
}
