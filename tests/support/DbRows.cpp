#include "DbRows.h"

#include "Checks.h"
#include "app/Module1.h"

#include <QDir>
#include <QFile>

namespace testing {

void addRow(const QString& table, const QStringList& columns, const QVariantList& values)
{
    const QString marks = QStringList(columns.size(), QStringLiteral("?")).join(',');
    Module1::gConn().exec(
        QStringLiteral("insert into %1 (%2, update_user, update_time) values (%3, 'SYSADMIN', sysdate)")
            .arg(table, columns.join(','), marks),
        values);
}

QStringList queryRows(const QString& sql, const QVariantList& params, db::Database* on)
{
    QStringList out;
    for (db::ResultSet rs = (on ? *on : Module1::gConn()).query(sql, params); !rs.eof(); rs.moveNext()) {
        QStringList fields;
        for (int i = 0; i < rs.fieldCount(); ++i)
            fields << rs.text(i);
        out << fields.join('|');
    }
    return out;
}

QString errorLogText()
{
    QFile f(Module1::ErrorLogPath());
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

QStringList errorLogLines()
{
    QStringList out;
    for (const QString& line : errorLogText().split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
        out << line.mid(10); // "HH:mm:ss  "
    return out;
}

QString errorLogPointer()
{
    return QStringLiteral("Please check the error log file ") + QDir::toNativeSeparators(Module1::ErrorLogPath());
}

void addUser(const QString& id, const QString& group, const QString& password, const QString& name)
{
    addRow(QStringLiteral("user_list"),
           {"user_id", "user_name", "group_id", "effective_date", "expiry_date", "password", "active"},
           {id, name.isNull() ? id + " name" : name, group, QDateTime(QDate(2024, 3, 5), QTime(0, 0)),
            QDateTime(QDate(2099, 1, 31), QTime(0, 0)), Module1::Encode(id, password.isEmpty() ? id : password).value(),
            "1"});
}

void addGroup(const QString& id, const QString& status)
{
    addRow(QStringLiteral("user_group"), {"group_id", "group_desc", "status"}, {id, id + " group", status});
}

void grant(const QString& group, const QStringList& codes)
{
    for (const QString& code : codes)
        addRow(QStringLiteral("function_grant"), {"func_id", "group_id"}, {code, group});
}

void addPart(const QString& part, const QString& project, const QString& approve, const QString& desc)
{
    addRow(QStringLiteral("part_info"), {"part_no", "part_desc", "proj_id", "approve"}, {part, desc, project, approve});
}

void addLine(const QString& id)
{
    addRow(QStringLiteral("line_info"), { QStringLiteral("line_id"), QStringLiteral("line_desc") }, { id, "x" });
}

void addMachine(const QString& id, const QString& line)
{
    addRow(QStringLiteral("mc_info"), {"mc_id", "mc_desc", "line_id"}, {id, "desc", line});
}

workbook::ImportLayout machineImportLayout()
{
    workbook::ImportLayout l;
    l.table = QStringLiteral("mc_info");
    l.columns = { { QStringLiteral("mc_id") }, { QStringLiteral("mc_desc") }, { QStringLiteral("line_id") } };
    l.keyColumns = { QStringLiteral("mc_id"), QStringLiteral("line_id") };
    l.updateColumns = { QStringLiteral("mc_desc") };
    l.checks << [](const QStringList& cells) {
        const bool known = Module1::RecordExists(cells[2], QStringLiteral("line_info"), QStringLiteral("line_id"));
        return known ? QString() : QStringLiteral("Cannot found the Line ID ") + cells[2];
    };
    return l;
}

qlonglong addCheck(const Check& c)
{
    Module1::gConn().exec(
        "insert into check_history (line_id, part_no, mc_id, md_id, slot_code, comp_code, gw21_ip, dt200_id, "
        "check_value, check_time, update_user, update_time, vender_comp, ref_designator, polarity_check, lot_no, "
        "ship_date, rt_no, link_id, panel_no, qty, throw_qty, approve_value, approve_user) "
        "values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 'VEND', 'R1', 'Y', ?, '2410', 'RT1', ?, ?, ?, ?, ?, ?)",
        { c.line, c.part, c.machine, c.module, c.slot, c.comp, c.gateway, c.terminal, c.value, c.time, c.user, c.time,
            c.lot, c.link, c.panel, c.qty, c.throwQty, c.approveValue, c.approveUser });
    return Module1::gConn().scalar("select max(check_id) from check_history").toLongLong();
}

} // namespace testing
