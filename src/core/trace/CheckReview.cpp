#include "trace/CheckReview.h"

#include <QRegularExpression>

namespace trace {

namespace {

// The fields both lists show. A record is listed only when its expected
// component is kept under the vendor "NIL" (any letter case) and its line is
// known; the part number is joined by itself, as the part list keeps it.
// The vendor is matched by LIKE (no wildcard: the same test as "=") so that
// SQLite cannot take the index of upper(vender_name) as its way into the
// components: it would walk every "NIL" component, nearly the whole master,
// for each check, instead of finding the check's component by its code. The
// server still draws its estimate from that index's statistics.
const char* const kListFields =
    "select A.update_time, D.line_desc, A.mc_id, A.md_id, A.slot_code, A.part_no, B.part_desc, A.comp_code, "
    "E.comp_desc, A.ref_designator, A.polarity_check, A.lot_no, A.ship_date, A.rt_no, A.vender_comp, A.qty, "
    "A.throw_qty, A.update_user, C.user_name";

const char* const kListJoins =
    " from check_history A"
    " join part_info B on A.part_no = B.part_no"
    " join line_info D on A.line_id = D.line_id"
    " join component_list E on A.comp_code = E.comp_code and upper(E.vender_name) like 'NIL'";

} // namespace

QVector<query::Statement> ApprovalSearch(const QString& gateway, const QString& terminal, const QDateTime& from,
                                         const QDateTime& to)
{
    // Oldest first, as the lists run.
    return query::inParts({from, to}, kPartHours, false, [&](const query::Window& w) -> query::Statement {
        return {QString::fromLatin1(kListFields) + QStringLiteral(", F.user_name as approver_name, B.approve, A.check_id")
                + QString::fromLatin1(kListJoins)
                + QStringLiteral(" left join user_list C on A.update_user = C.user_id"
                                 " left join user_list F on A.approve_user = F.user_id"
                                 " where A.check_value = '0' and A.gw21_ip = ? and A.dt200_id = ?"
                                 " and A.approve_value = '1' and A.update_time between ? and ?"
                                 " order by A.update_time, A.check_id"),
                {gateway, terminal, w.from, w.to}};
    });
}

QVector<query::Statement> ThrowSearch(const QString& partNo, const QDateTime& from, const QDateTime& to)
{
    // The scanning user must be known here (an inner join), unlike on the
    // approval list.
    // Oldest first, as the lists run.
    return query::inParts({from, to}, kPartHours, false, [&](const query::Window& w) -> query::Statement {
        return {QString::fromLatin1(kListFields) + QStringLiteral(", A.check_id") + QString::fromLatin1(kListJoins)
                + QStringLiteral(" join user_list C on A.update_user = C.user_id"
                                 " where A.check_value = '0' and A.part_no = ?"
                                 " and A.update_time between ? and ?"
                                 " order by A.update_time, A.check_id"),
                {partNo, w.from, w.to}};
    });
}

namespace {

// The check_id at `idField` as the kind, then the 19 shown fields.
query::ShownRow listedCheck(const QVector<QVariant>& row, int idField)
{
    query::ShownRow out;
    out.kind = query::shown(row.value(idField));
    out.cells.reserve(21);
    out.cells << query::shownTime(row.value(0));
    for (int i = 1; i < 19; ++i)
        out.cells << query::shown(row.value(i));
    return out;
}

} // namespace

query::ShownRow ApprovalRow(const QVector<QVariant>& row)
{
    query::ShownRow out = listedCheck(row, 21);
    const QVariant flag = row.value(20);
    out.cells << ApproveStatus(flag, row.value(19)) << (flag.isNull() ? QStringLiteral("0") : query::shown(flag));
    return out;
}

query::ShownRow ThrowRow(const QVector<QVariant>& row)
{
    return listedCheck(row, 19);
}

qlonglong CheckIdOf(const QString& kind)
{
    return kind.toLongLong();
}

bool NeedsApproval(const QVariant& approveFlag)
{
    bool ok = false;
    const double v = approveFlag.toString().trimmed().toDouble(&ok);
    return ok && v == 1.0;
}

QString ApproveStatus(const QVariant& approveFlag, const QVariant& approverName)
{
    if (!NeedsApproval(approveFlag))
        return QStringLiteral("Need not be approved");
    if (approverName.isNull())
        return QStringLiteral("Not approved");
    return QStringLiteral("Approved by ") + approverName.toString();
}

int ApproveCheck(db::Database& db, qlonglong checkId, const QString& user)
{
    return db.exec(QStringLiteral("update check_history set approve_user = ?, approve_time = sysdate "
                                  "where check_id = ?"),
                   {user, checkId});
}

bool IsThrowQty(const QString& text)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    const QString t = text.trimmed();
    if (t.isEmpty())
        return true;
    bool inRange = false;
    t.toLongLong(&inRange); // fails above kMaxThrowQty
    return inRange && digits.match(t).hasMatch();
}

int SetThrowQty(db::Database& db, qlonglong checkId, const QString& qty, const QString& user)
{
    // An empty box clears the quantity: the bound empty text is stored as Null.
    return db.exec(QStringLiteral("update check_history set throw_qty = ?, throw_user = ?, throw_time = sysdate "
                                  "where check_id = ?"),
                   {qty.trimmed(), user, checkId});
}

} // namespace trace
