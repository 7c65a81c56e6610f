#include "SetupTestKit.h"

#include "app/Module1.h"


using Module1::gConn;

namespace kit {

void seedPlant()
{
    using Rows = QList<QVariantList>;
    const QList<std::pair<const char*, Rows>> tables = {
        { "insert into line_info (line_id) values (?)", { { "L1" }, { "L2" } } },
        { "insert into mc_info (mc_id, line_id) values (?, ?)", { { "M1", "L1" }, { "M2", "L1" }, { "M3", "L2" } } },
        { "insert into slot_info (mc_id, md_id, slot_id) values (?, ?, ?)",
            { { "M1", "MD1", "S1" }, { "M1", "MD1", "S2" }, { "M1", "MD1", "S3" }, { "M1", "MD2", "S1" },
                { "M2", "MD1", "S7" } } },
        { "insert into dt200_info (gw21_ip, dt200_id) values (?, ?)",
            { { "10.0.0.5", "005" }, { "10.0.0.5", "012" }, { "10.0.0.6", "001" } } },
        { "insert into proj_info (proj_id) values (?)", { { "PR1" }, { "PR2" } } },
        { "insert into part_info (part_no, proj_id) values (?, ?)",
            { { "P1", "PR1" }, { "P2", "PR1" }, { "P3", "PR2" } } },
        { "insert into component_group (group_id) values (?)", { { "G1" }, { "G2" } } },
        { "insert into component_list (comp_code, group_id, method_type, vender_name) values (?, ?, 'MP', 'NIL')",
            { { "C100", "G1" }, { "C200", "G1" }, { "C300", "G2" } } },
        { "insert into component_proj (proj_id, part_no, group_id, comp_code, ref_designator, polarity_check) "
          "values ('PR1', 'P1', 'G1', ?, 'R1', 'Y')",
            { { "C100" }, { "C200" } } },
        { "insert into component_link (link_id, comp_code, vender_comp, vender_name, vender_desc, lot_no, ship_date, "
          "rt_no) values (?, ?, 'VC', 'V1', 'VD', 'LOT', '2401', 'RT')",
            { { "LK1", "C100" }, { "LK2", "C200" } } },
    };
    db::Transaction tx(gConn());
    for (const auto& [sql, rows] : tables)
        for (const QVariantList& values : rows)
            gConn().exec(QString::fromLatin1(sql), values);
    tx.commit();
}

} // namespace kit
