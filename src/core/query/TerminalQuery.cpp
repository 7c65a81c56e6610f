#include "query/TerminalQuery.h"

namespace query::terminal {

QStringList headers()
{
    return {"GW21 IP", "DT-200 ID", "Line ID", "Project PN", "Link No", "Machine ID", "Module ID", "Slot ID",
            "Component ID"};
}

QList<int> widthsTwips()
{
    return {1200, 1000, 1000, 2100, 1000, 2000, 1200, 1200, 1500};
}

Statement search(const QString& gateway, const QString& terminal)
{
    // The set-up rows join on the machine alone: a terminal lists every set-up
    // of the machines it watches. A slot without a barcode is listed once
    // with an empty link number, one with several barcodes once per barcode.
    Statement s;
    s.sql = QStringLiteral(
        "select distinct A.gw21_ip, A.dt200_id, B.line_id, B.part_no, C.link_no, B.mc_id, B.md_id, B.slot_code, "
        "B.comp_code from line_set A join component_set B on A.mc_id = B.mc_id "
        "left join slot_link C on B.mc_id = C.mc_id and B.md_id = C.md_id and B.slot_code = C.slot_code ");
    QStringList where;
    if (!isAll(gateway)) {
        where << QStringLiteral("A.gw21_ip = ?");
        s.params << gateway;
    }
    if (!isAll(terminal)) {
        where << QStringLiteral("A.dt200_id = ?");
        s.params << terminal;
    }
    if (!where.isEmpty())
        s.sql += QStringLiteral("where ") + where.join(QStringLiteral(" and ")) + QLatin1Char(' ');
    // A slot without a barcode after the linked ones, as the old server sorted.
    s.sql += QStringLiteral("order by A.gw21_ip, A.dt200_id, B.line_id, B.part_no, C.link_no nulls last, B.mc_id, "
                            "B.md_id, B.slot_code, B.comp_code");
    return s;
}

ShownRow shownRow(const QVector<QVariant>& row)
{
    ShownRow out;
    for (int i = 0; i < kShownColumns; ++i)
        out.cells << shown(row.value(i));
    return out;
}

Statement gateways()
{
    return distinctList("select distinct gw21_ip from line_set order by gw21_ip");
}

Statement terminals(const QString& gateway)
{
    if (isAll(gateway))
        return distinctList("select distinct dt200_id from dt200_info order by dt200_id");
    return distinctList("select distinct dt200_id from dt200_info where gw21_ip = ? order by dt200_id", {gateway});
}

} // namespace query::terminal
