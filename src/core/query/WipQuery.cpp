#include "query/WipQuery.h"

namespace query::wip {

namespace {

// The conditions both parts of the search share, with their values.
void commonConditions(const Filter& f, QString* where, QVariantList* params)
{
    const std::pair<const QString*, const char*> boxes[] = {
        {&f.line, "A.line_id = ? and "},
        {&f.machine, "A.mc_id = ? and "},
        {&f.module, "A.md_id = ? and "},
        {&f.part, "A.part_no = ? and "},
    };
    for (const auto& [text, condition] : boxes) {
        if (!isAll(*text)) {
            *where += QLatin1String(condition);
            *params << *text;
        }
    }
    *where += QStringLiteral("A.update_time between ? and ? ");
    *params << f.window.from << f.window.to;
}

} // namespace

Statement search(const Filter& f)
{
    QString common;
    QVariantList commonParams;
    commonConditions(f, &common, &commonParams);

    // Quantities as text, so that both parts of the union agree on the type
    // and equal rows fold on every engine.
    Statement s;
    s.sql = QStringLiteral(
                "select A.check_value, A.line_id, A.part_no, A.mc_id, A.md_id, A.slot_code, A.link_id, A.comp_code, "
                "A.vender_comp, A.ref_designator, A.polarity_check, A.lot_no, A.ship_date, A.rt_no, "
                "cast(A.qty as varchar(40)) as qty, cast(A.throw_qty as varchar(40)) as throw_qty, A.gw21_ip, "
                "A.dt200_id, C.user_name, A.update_time as update_time, A.approve_user, B.approve, A.approve_value "
                "from check_history A join part_info B on A.part_no = B.part_no "
                "join user_list C on A.update_user = C.user_id where ")
        + common;
    s.params = commonParams;
    if (!isAll(f.slot)) {
        s.sql += QStringLiteral("and A.slot_code = ? ");
        s.params << f.slot;
    }
    // check_value is text: compared with text values on every engine.
    if (f.option == Option::Normal) {
        s.sql += QStringLiteral("and A.check_value = ? ");
        s.params << QStringLiteral("0");
    } else if (f.option == Option::Error) {
        s.sql += QStringLiteral("and A.check_value = ? ");
        s.params << QStringLiteral("1");
    }
    if (f.option != Option::Normal) {
        s.sql += QStringLiteral(
                     "union select '2', A.line_id, A.part_no, A.mc_id, A.md_id, A.err_slot, A.link_id, A.err_comp, "
                     "A.vender_comp, A.ref_designator, A.polarity_check, null, null, null, null, null, A.gw21_ip, "
                     "A.dt200_id, C.user_name, A.update_time, null, null, null "
                     "from error_history A join user_list C on A.update_user = C.user_id where ")
            + common;
        s.params << commonParams;
        if (!isAll(f.slot)) {
            s.sql += QStringLiteral("and A.err_slot = ? ");
            s.params << f.slot;
        }
    }
    s.sql += QStringLiteral("order by update_time desc");
    return s;
}

QVector<Statement> searchInParts(const Filter& f, int days)
{
    return inParts(f.window, 24 * days, true, [&f](const Window& w) {
        Filter part = f;
        part.window = w;
        return search(part);
    });
}

QStringList headers()
{
    return {"Line ID",     "Project PN",  "Machine",     "Module",     "Slot ID",       "Link ID",  "Component PN",
            "Vender Name", "Ref.Designator", "Polarity Check", "Lot No", "D/C",        "RT No",    "QTY",
            "Throw QTY",   "GW21 IP",     "DT200 ID",    "Update User", "Update Time", "Approve Status"};
}

QList<int> widthsTwips()
{
    return {1000, 2000, 2100, 1000, 1000, 1200, 1400, 1500, 1300, 1400,
            1300, 1000, 1200, 700,  1200, 1300, 1000, 1500, 2100, 2500};
}

QString statusText(const QString& kind, const QString& approveUser, const QString& approve,
                   const QString& approveValue)
{
    if (kind != QLatin1String("0"))
        return QString();
    if (approve != QLatin1String("1"))
        return QStringLiteral("Need not be approved");
    if (approveValue != QLatin1String("1"))
        return QString();
    if (!approveUser.isEmpty())
        return QStringLiteral("Approved by ") + approveUser;
    return QStringLiteral("Not approved");
}

ShownRow shownRow(const QVector<QVariant>& row)
{
    ShownRow out;
    out.kind = shown(row.value(0));
    out.cells.reserve(kShownColumns);
    for (int i = 1; i < 20; ++i)
        out.cells << (i == 19 ? shownTime(row.value(i)) : shown(row.value(i)));
    out.cells << statusText(out.kind, shown(row.value(20)), shown(row.value(21)), shown(row.value(22)));
    return out;
}

namespace {
Statement childList(const QString& parent, const char* all, const char* filtered)
{
    if (isAll(parent))
        return distinctList(all);
    return distinctList(filtered, {parent});
}
} // namespace

Statement lines()
{
    return distinctList("select distinct line_id from line_info order by line_id");
}

Statement machines(const QString& line)
{
    return childList(line, "select distinct mc_id from mc_info order by mc_id",
                     "select distinct mc_id from mc_info where line_id = ? order by mc_id");
}

Statement modules(const QString& machine)
{
    return childList(machine, "select distinct md_id from slot_info order by md_id",
                     "select distinct md_id from slot_info where mc_id = ? order by md_id");
}

Statement slots(const QString& module)
{
    // Slot ids name a position within a module, whatever the machine.
    return childList(module, "select distinct slot_id from slot_info order by slot_id",
                     "select distinct slot_id from slot_info where md_id = ? order by slot_id");
}

Statement projects()
{
    return distinctList("select distinct proj_id from proj_info order by proj_id");
}

Statement parts(const QString& project)
{
    return childList(project, "select distinct part_no from part_info order by part_no",
                     "select distinct part_no from part_info where proj_id = ? order by part_no");
}

} // namespace query::wip
