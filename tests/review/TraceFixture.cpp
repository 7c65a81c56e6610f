#include "TraceFixture.h"

#include "ListTools.h"
#include "app/Module1.h"

#include <QComboBox>
#include <QTreeWidget>

namespace tracefix {

using Module1::gConn;

testing::ScriptedPrompter& prompter()
{
    return *testing::ScriptedPrompter::current();
}

void masterData()
{
    db::Database& c = gConn();
    c.exec("insert into proj_info (proj_id, proj_desc) values ('PRJ', 'Project'), ('PRJ2', 'Empty project')");
    c.exec("insert into part_info (part_no, part_desc, proj_id, approve) "
           "values ('P1', 'Board', 'PRJ', '1'), ('P2', 'Cable', 'PRJ', '0')");
    c.exec("insert into line_info (line_id, line_desc) values ('L1', 'Line one')");
    c.exec("insert into component_list (comp_code, comp_desc, group_id, method_type, vender_name) "
           "values ('C1', 'Capacitor', 'G', 'MP', 'nil'), ('C2', 'Resistor', 'G', 'MP', 'NIL')");
    c.exec("insert into user_list (user_id, user_name) values ('U1', 'Operator')");
    c.exec("insert into dt200_info (gw21_ip, dt200_id) values ('10.0.0.5', '005'), ('10.0.0.5', '012')");
    c.exec("insert into line_set (line_id, proj_id, part_no, mc_id, gw21_ip, dt200_id) values "
           "('L1', 'PRJ', 'P1', 'M1', '10.0.0.5', '005'), ('L1', 'PRJ', 'P1', 'M1', '10.0.0.5', '012'), "
           "('L1', 'PRJ', 'P2', 'M1', '10.0.0.7', '001')");
    c.exec("insert into component_set (line_id, part_no, mc_id, md_id, slot_code, comp_code) "
           "values ('L1', 'P1', 'M1', 'MD1', 'S1', 'C1'), ('L1', 'P1', 'M1', 'MD1', 'S2', 'C2')");
}

qlonglong addCheck(const Check& k)
{
    const QDateTime at = kT0.addSecs(k.at);
    gConn().exec("insert into check_history (line_id, part_no, mc_id, md_id, slot_code, comp_code, gw21_ip, dt200_id, "
                 "check_value, check_time, update_user, update_time, vender_comp, lot_no, link_id, panel_no, qty) "
                 "values ('L1', ?, 'M1', 'MD1', ?, ?, '10.0.0.5', ?, ?, ?, ?, ?, 'V', ?, ?, ?, 3)",
                 {k.part, k.slot, k.comp, k.terminal, k.value, at, k.user, at, k.lot, "LK-" + k.lot, k.panel});
    return gConn().scalar("select max(check_id) from check_history").toLongLong();
}

QStringList row(const QTreeWidget* list, int r)
{
    return Module1::ListRowTexts(list, r);
}

void selectRow(QTreeWidget* list, int r)
{
    list->setCurrentItem(list->topLevelItem(r));
}

QStringList comboItems(const QComboBox* box)
{
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

QStringList rows(const QString& sql, const QVariantList& params)
{
    db::ResultSet rs = gConn().query(sql, params);
    QStringList out;
    for (; !rs.eof(); rs.moveNext()) {
        QStringList f;
        for (int i = 0; i < rs.fieldCount(); ++i)
            f << rs.text(i);
        out << f.join('|');
    }
    return out;
}

} // namespace tracefix
