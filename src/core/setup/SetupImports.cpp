#include "setup/SetupImports.h"

#include "workbook/WorkbookExport.h"

#include <QRegularExpression>

namespace setup {

QString FormatTerminalId(const QString& text)
{
    static const QRegularExpression whole(QStringLiteral("^([+-]?)0*([0-9]+)$"));
    const QRegularExpressionMatch m = whole.match(text.trimmed());
    if (!m.hasMatch())
        return text;
    const QString digits = m.captured(2).rightJustified(3, QLatin1Char('0'));
    const bool negative = m.captured(1) == QLatin1String("-") && digits != QLatin1String("000");
    return negative ? QLatin1Char('-') + digits : digits;
}

namespace {

using workbook::ImportColumn;

QString refusedUnless(bool found, const QString& line)
{
    return found ? QString() : line;
}

} // namespace

workbook::ImportLayout LineSetImport(db::Database& db)
{
    workbook::ImportLayout l;
    l.table = QStringLiteral("line_set");
    l.columns = {{QStringLiteral("line_id")},  {QStringLiteral("proj_id")},
                 {QStringLiteral("part_no")},  {QStringLiteral("mc_id")},
                 {QStringLiteral("gw21_ip")},  {QStringLiteral("dt200_id"), FormatTerminalId}};
    l.keyColumns = {QStringLiteral("line_id"), QStringLiteral("proj_id"), QStringLiteral("part_no"),
                    QStringLiteral("mc_id"),   QStringLiteral("gw21_ip"), QStringLiteral("dt200_id")};
    l.checks << [&db](const QStringList& c) {
        return refusedUnless(db.count(QStringLiteral("select count(*) from line_info where line_id = ?"), {c[0]}) > 0,
                             QStringLiteral("Cannot found the Line ID ") + c[0]);
    };
    l.checks << [&db](const QStringList& c) {
        return refusedUnless(
            db.count(QStringLiteral("select count(*) from part_info where proj_id = ? and part_no = ?"), {c[1], c[2]}) > 0,
            QStringLiteral("Cannot found the Part No ") + c[2] + QStringLiteral(" and the Project ") + c[1] +
                QStringLiteral(" relations"));
    };
    l.checks << [&db](const QStringList& c) {
        return refusedUnless(db.count(QStringLiteral("select count(*) from mc_info where mc_id = ?"), {c[3]}) > 0,
                             QStringLiteral("Cannot found the Machine ID ") + c[3]);
    };
    l.checks << [&db](const QStringList& c) {
        // The log names the terminal as the sheet holds it.
        return refusedUnless(db.count(QStringLiteral("select count(*) from dt200_info where gw21_ip = ? and dt200_id = ?"),
                                      {c[4], FormatTerminalId(c[5])}) > 0,
                             QStringLiteral("Cannot found the GW21 ") + c[4] + QStringLiteral(" and the DT200 ") + c[5] +
                                 QStringLiteral(" relations"));
    };
    return l;
}

QString LinkNumber(const QString& text)
{
    return workbook::withoutStarMarks(text).toUpper();
}

workbook::ImportLayout SlotLinkImport(db::Database& db)
{
    workbook::ImportLayout l;
    l.table = QStringLiteral("slot_link");
    l.columns = {{QStringLiteral("link_no"), LinkNumber}, {QStringLiteral("mc_id")}, {QStringLiteral("md_id")},
                 {QStringLiteral("slot_code")}};
    l.keyColumns = {QStringLiteral("link_no"), QStringLiteral("mc_id"), QStringLiteral("md_id"),
                    QStringLiteral("slot_code")};
    l.checks << [&db](const QStringList& c) {
        return refusedUnless(db.count(QStringLiteral("select count(*) from mc_info where mc_id = ?"), {c[1]}) > 0,
                             QStringLiteral("Cannot found the Machine ") + c[1]);
    };
    l.checks << [&db](const QStringList& c) {
        // Counted apart, so that a stored row lacking its module or slot
        // (Null) still counts as another slot.
        const QString link = LinkNumber(c[0]);
        const int stored = db.count(QStringLiteral("select count(*) from slot_link where link_no = ?"), {link});
        const int same = stored == 0 ? 0
                                     : db.count(QStringLiteral("select count(*) from slot_link where link_no = ? and "
                                                               "mc_id = ? and md_id = ? and slot_code = ?"),
                                                {link, c[1], c[2], c[3]});
        return refusedUnless(stored == same, QStringLiteral("The Link No ") + link +
                                                 QStringLiteral(" is already linked to another slot"));
    };
    return l;
}

workbook::ImportLayout ComponentSetImport(db::Database& db)
{
    workbook::ImportLayout l;
    l.table = QStringLiteral("component_set");
    l.columns = {{QStringLiteral("line_id")}, {QStringLiteral("part_no")},   {QStringLiteral("mc_id")},
                 {QStringLiteral("md_id")},   {QStringLiteral("slot_code")}, {QStringLiteral("comp_code")}};
    l.keyColumns = {QStringLiteral("line_id"), QStringLiteral("part_no"), QStringLiteral("mc_id"),
                    QStringLiteral("md_id"), QStringLiteral("slot_code")};
    l.updateColumns = {QStringLiteral("comp_code")};
    l.checks << [&db](const QStringList& c) {
        return refusedUnless(
            db.count(QStringLiteral("select count(*) from component_proj where part_no = ? and comp_code = ?"),
                     {c[1], c[5]}) > 0,
            QStringLiteral("Cannot found the Part No ") + c[1] + QStringLiteral(" and the Component ") + c[5] +
                QStringLiteral(" relations"));
    };
    return l;
}

} // namespace setup
