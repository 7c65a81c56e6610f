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

inline void exec(const QString& sql, const QVariantList& params)
{
    Module1::gConn().exec(sql, params);
}

inline void user(const QString& id, const QString& name)
{
    exec("insert into user_list (user_id, user_name, update_user, update_time) values (?, ?, 'SYSADMIN', sysdate)",
         {id, name});
}

inline void part(const QString& project, const QString& partNo, const QString& approve, const QString& desc = {})
{
    exec("insert into part_info (part_no, part_desc, proj_id, approve) values (?, ?, ?, ?)",
         {partNo, desc.isEmpty() ? partNo + " desc" : desc, project, approve});
}

struct Check
{
    QString kind = "0";
    QString line = "L1";
    QString partNo = "P1";
    QString machine = "M1";
    QString module = "D1";
    QString slot = "S1";
    QString comp = "C1";
    QString user = "U1";
    QDateTime time;
    QString lot;
    QVariant qty;
    QVariant throwQty;
    QString approveValue = "1";
    QString approveUser;
    QString link = "LK1";
};

inline void check(const Check& c)
{
    exec("insert into check_history (line_id, part_no, mc_id, md_id, slot_code, comp_code, gw21_ip, dt200_id, "
         "check_value, check_time, update_user, update_time, vender_comp, ref_designator, polarity_check, lot_no, "
         "ship_date, rt_no, link_id, panel_no, qty, throw_qty, approve_value, approve_user) "
         "values (?, ?, ?, ?, ?, ?, '10.0.0.1', '001', ?, ?, ?, ?, 'VEND', 'R1', 'Y', ?, '2410', 'RT1', ?, '1', ?, "
         "?, ?, ?)",
         {c.line, c.partNo, c.machine, c.module, c.slot, c.comp, c.kind, c.time, c.user, c.time, c.lot, c.link, c.qty,
          c.throwQty, c.approveValue, c.approveUser});
}

inline void error(const QDateTime& time, const QString& slot = "S1", const QString& user = "U1",
                  const QString& line = "L1")
{
    exec("insert into error_history (line_id, part_no, mc_id, md_id, err_slot, err_comp, gw21_ip, dt200_id, "
         "update_time, update_user, vender_comp, ref_designator, polarity_check, link_id) "
         "values (?, 'P1', 'M1', 'D1', ?, 'C1', '10.0.0.1', '001', ?, ?, null, 'R1', 'Y', 'LKX')",
         {line, slot, time, user});
}

} // namespace seed
