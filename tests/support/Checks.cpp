#include "Checks.h"

#include "app/Module1.h"

namespace testing {

qlonglong addCheck(const Check& c)
{
    Module1::gConn().exec(
        "insert into check_history (line_id, part_no, mc_id, md_id, slot_code, comp_code, gw21_ip, dt200_id, "
        "check_value, check_time, update_user, update_time, vender_comp, ref_designator, polarity_check, lot_no, "
        "ship_date, rt_no, link_id, panel_no, qty, throw_qty, approve_value, approve_user) "
        "values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 'VEND', 'R1', 'Y', ?, '2410', 'RT1', ?, ?, ?, ?, ?, ?)",
        {c.line, c.part, c.machine, c.module, c.slot, c.comp, c.gateway, c.terminal, c.value, c.time, c.user, c.time,
         c.lot, c.link, c.panel, c.qty, c.throwQty, c.approveValue, c.approveUser});
    return Module1::gConn().scalar("select max(check_id) from check_history").toLongLong();
}

} // namespace testing
