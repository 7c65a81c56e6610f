#include "query/TraceQuery.h"

namespace query::trace {

namespace {

// Null sorts after every value, as the old server ordered it.
QString orderBy(const QStringList& columns)
{
    QStringList out;
    for (const QString& c : columns)
        out << c + QStringLiteral(" nulls last");
    return QStringLiteral("order by ") + out.join(QStringLiteral(", "));
}

// "(a = ? or b = ? ...) and " over the filled values; nothing when none is.
void anyOf(const std::initializer_list<std::pair<const char*, QString>>& boxes, QString* sql, QVariantList* params)
{
    QStringList parts;
    for (const auto& [column, text] : boxes) {
        const QString v = text.trimmed();
        if (v.isEmpty())
            continue;
        parts << QLatin1String(column) + QStringLiteral(" = ?");
        *params << v;
    }
    if (!parts.isEmpty())
        *sql += QStringLiteral("(") + parts.join(QStringLiteral(" or ")) + QStringLiteral(") and ");
}

const char* const kMaterialColumns =
    "select b.sn_no, a.self_no, a.part_no, a.mc_id, a.md_id, a.slot_code, a.link_id, a.comp_code, a.vender_comp, "
    "a.ref_designator, a.polarity_check, a.lot_no, a.ship_date, a.rt_no, a.qty, ";

} // namespace

QStringList headers()
{
    return {"Lot No(FG)", "Panel",          "SN No",          "Marking",   "Part No", "Machine No", "Module No",
            "Slot No",    "Link ID",        "Component",      "Vender Component", "Ref Designator",
            "Polarity Check", "Lot No(R)", "D/C",           "RT No",     "QTY",     "Create User", "Create Time"};
}

QList<int> widthsTwips()
{
    return {1200, 700, 1500, 1600, 1800, 2000, 1500, 1200, 1300, 1500,
            1900, 1500, 1400, 1500, 1000, 1300, 800,  1500, 2100};
}

Statement products(const ProductFilter& f)
{
    Statement s;
    s.sql = QStringLiteral("select batch_no, panel_no, sn_no, self_no from trace_info where ");
    anyOf({{"batch_no", f.batch}, {"panel_no", f.panel}, {"sn_no", f.sn}}, &s.sql, &s.params);
    s.sql += QStringLiteral("update_time between ? and ? ");
    s.params << f.window.from << f.window.to;
    s.sql += orderBy({"batch_no", "panel_no", "self_no", "sn_no"});
    return s;
}

Statement materials(const MaterialFilter& f)
{
    Statement s;
    s.sql = QLatin1String(kMaterialColumns)
        + QStringLiteral("a.create_user, a.create_time from trace_path a join trace_info b on a.self_no = b.self_no "
                         "where ");
    anyOf({{"a.lot_no", f.lot}, {"a.ship_date", f.dateCode}, {"a.rt_no", f.rt}}, &s.sql, &s.params);
    const QString comp = f.component.trimmed();
    if (!comp.isEmpty()) {
        s.sql += QStringLiteral("a.comp_code = ? and ");
        s.params << comp;
    }
    s.sql += QStringLiteral("a.create_time between ? and ? ");
    s.params << f.window.from << f.window.to;
    s.sql += orderBy({"a.self_no", "a.part_no", "a.line_id", "a.mc_id", "a.md_id", "a.slot_code", "b.sn_no"});
    return s;
}

Statement boardsOfMaterial(const QString& component, const QString& partNo, const Window& w)
{
    Statement s;
    s.sql = QStringLiteral("select a.batch_no, a.panel_no, a.sn_no, a.self_no from trace_info a "
                           "join trace_path b on a.self_no = b.self_no "
                           "where b.comp_code = ? and b.part_no = ? and b.create_time between ? and ? ")
        + orderBy({"a.batch_no", "a.panel_no", "a.sn_no"});
    s.params = {component, partNo, w.from, w.to};
    return s;
}

Statement snapshot(const QString& selfNo, const Window& w)
{
    Statement s;
    s.sql = QLatin1String(kMaterialColumns)
        + QStringLiteral("a.update_user, a.update_time from trace_path a join trace_info b on a.self_no = b.self_no "
                         "where a.self_no = ? and a.create_time between ? and ? ")
        + orderBy({"a.line_id", "a.mc_id", "a.md_id", "a.slot_code", "b.sn_no"});
    s.params = {selfNo, w.from, w.to};
    return s;
}

ShownRow boardRow(const QVector<QVariant>& row)
{
    ShownRow out{kBoard, {}};
    for (int i = 0; i < 4; ++i)
        out.cells << shown(row.value(i));
    return out;
}

ShownRow materialRow(const QVector<QVariant>& row)
{
    ShownRow out{kMaterial, {QString(), QString()}};
    for (int i = 0; i < 17; ++i)
        out.cells << (i == 16 ? shownTime(row.value(i)) : shown(row.value(i)));
    return out;
}

} // namespace query::trace
