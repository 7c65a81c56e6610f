#include "query/LoadingQuery.h"

#include "db/ResultSet.h"

namespace query::loading {

QStringList headers()
{
    return {"Update Date",   "Update Time", "Line Description", "Machine ID", "Module ID", "Slot ID",
            "Project PN",    "Project PN Description", "Component ID", "Component Description", "Ref.Designator",
            "Polarity Check", "Lot No.",    "D/C",              "RT No.",     "Vender Name", "QTY",
            "Throw QTY",     "User ID",     "User Name",        "Approve Status"};
}

QList<int> widthsTwips()
{
    return {1200, 1200, 1400, 1900, 1000, 1000, 2200, 1900, 1300, 3300, 1300,
            1300, 1300, 1000, 1200, 1300, 700,  1200, 1000, 1500, 2500};
}

Statement search(const QString& project, const QString& partNo, const Window& w)
{
    if (project.isEmpty() || partNo.isEmpty())
        return {};
    // The project only picks the part number: part_info joins by the part
    // number alone. Components count only under their "NIL" vendor row, found
    // by their code (the vendor matched as on the review lists).
    Statement s;
    s.sql = QStringLiteral(
        "select A.update_time, D.line_desc, A.mc_id, A.md_id, A.slot_code, A.part_no, B.part_desc, A.comp_code, "
        "E.comp_desc, A.ref_designator, A.polarity_check, A.lot_no, A.ship_date, A.rt_no, A.vender_comp, A.qty, "
        "A.throw_qty, A.update_user, C.user_name, F.user_name as approver_name, B.approve, A.approve_value "
        "from check_history A join part_info B on A.part_no = B.part_no "
        "join user_list C on A.update_user = C.user_id "
        "join line_info D on A.line_id = D.line_id "
        "join component_list E on A.comp_code = E.comp_code and upper(E.vender_name) like ? "
        "left join user_list F on A.approve_user = F.user_id "
        "where A.check_value = ? and A.part_no = ? and A.update_time between ? and ? "
        "order by A.update_time");
    s.params = {QStringLiteral("NIL"), QStringLiteral("0"), partNo, w.from, w.to};
    return s;
}

QString statusText(const QString& approve, const QString& approveValue, const QString& approverName)
{
    if (approve.trimmed() != QLatin1String("1"))
        return QStringLiteral("Need not be approved");
    if (approveValue != QLatin1String("1"))
        return QString();
    return approverName.isEmpty() ? QStringLiteral("Not approved") : QStringLiteral("Approved by ") + approverName;
}

ShownRow shownRow(const QVector<QVariant>& row)
{
    ShownRow out;
    const QDateTime t = db::ResultSet::toDateTime(row.value(0));
    out.cells << (t.isValid() ? t.toString(QStringLiteral("MM/dd/yyyy")) : QString())
              << (t.isValid() ? t.toString(QStringLiteral("HH:mm:ss")) : QString());
    for (int i = 1; i <= 18; ++i)
        out.cells << shown(row.value(i));
    out.cells << statusText(shown(row.value(20)), shown(row.value(21)), shown(row.value(19)));
    return out;
}

Statement projects()
{
    return distinctList("select distinct proj_id from proj_info order by proj_id");
}

Statement parts(const QString& project)
{
    return distinctList("select distinct part_no from part_info where proj_id = ? order by part_no", {project});
}

} // namespace query::loading
