#pragma once

#include "app/Module1.h"

#include <QDateTime>
#include <QStringList>

// Rows the query tests search, written one statement at a time so that each
// test says exactly what the tables hold.
namespace seed {

inline const QDateTime kDay(QDate(2024, 3, 5), QTime(0, 0, 0));
// A time on the test day.
inline QDateTime at(int h, int m = 0, int s = 0)
{
    return QDateTime(kDay.date(), QTime(h, m, s));
}

inline void user(const QString& id, const QString& name)
{
    Module1::gConn().exec("insert into user_list (user_id, user_name) values (?, ?)", {id, name});
}

inline void part(const QString& project, const QString& partNo, const QString& approve, const QString& desc = {})
{
    Module1::gConn().exec("insert into part_info (part_no, part_desc, proj_id, approve) values (?, ?, ?, ?)",
                          {partNo, desc.isEmpty() ? partNo + " desc" : desc, project, approve});
}

inline void error(const QDateTime& time, const QString& slot = "S1", const QString& user = "U1",
                  const QString& line = "L1")
{
    Module1::gConn().exec(
        "insert into error_history (line_id, part_no, mc_id, md_id, err_slot, err_comp, gw21_ip, dt200_id, "
        "update_time, update_user, vender_comp, ref_designator, polarity_check, link_id) "
        "values (?, 'P1', 'M1', 'D1', ?, 'C1', '10.0.0.1', '001', ?, ?, null, 'R1', 'Y', 'LKX')",
        {line, slot, time, user});
}

} // namespace seed
