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

inline void error(const QDateTime& time, const QString& slot = "S1", const QString& user = "U1",
                  const QString& line = "L1")
{
    Module1::gConn().exec(
        "insert into error_history (line_id, part_no, mc_id, md_id, err_slot, err_comp, gw21_ip, dt200_id, "
        "update_time, update_user, vender_comp, ref_designator, polarity_check, link_id) "
        "values (?, 'P1', 'M1', 'D1', ?, 'C1', '10.0.0.1', '001', ?, ?, null, 'R1', 'Y', 'LKX')",
        {line, slot, time, user});
}

// A board of snapshot self, saved at t (project PR1, part number P1).
inline void board(const QString& batch, const QString& panel, const QString& sn, const QString& self,
                  const QDateTime& t)
{
    Module1::gConn().exec("insert into trace_info (batch_no, panel_no, sn_no, self_no, update_user, update_time, "
                          "proj_id, part_no) values (?, ?, ?, ?, 'SYSADMIN', ?, 'PR1', 'P1')",
                          {batch, panel, sn, self, t});
}

// A slot of snapshot self, on L1/M1/D1 for P1, snapshot taken at created from
// a check by U1 at 06:30.
inline void slot(const QString& self, const QString& slotCode, const QString& comp, const QString& lot,
                 const QDateTime& created)
{
    Module1::gConn().exec("insert into trace_path (self_no, line_id, mc_id, md_id, slot_code, comp_code, part_no, "
                          "vender_comp, ref_designator, polarity_check, lot_no, ship_date, rt_no, qty, link_id, "
                          "create_user, create_time, update_user, update_time) values (?, 'L1', 'M1', 'D1', ?, ?, "
                          "'P1', 'VEND', 'R1', 'Y', ?, '2410', 'RT1', 100, 'LK1', 'SYSADMIN', ?, 'U1', ?)",
                          {self, slotCode, comp, lot, created, at(6, 30)});
}

} // namespace seed
