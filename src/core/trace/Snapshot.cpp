#include "trace/Snapshot.h"

#include <algorithm>

namespace trace {

namespace {

QDateTime timeOf(const db::ResultSet& rs, const char* column)
{
    return db::ResultSet::toDateTime(rs.value(QString::fromLatin1(column)));
}

} // namespace

std::vector<LatestCheck> LatestChecks(db::Database& db, const QString& project, const QString& panel)
{
    // Each part number is tied to its own newest check: a check of another
    // part number that happens to share the second plays no part. One
    // statement per part number, each reading back from its newest check
    // until one qualifies, so that a save does not read the project's
    // whole history.
    const db::ResultSet parts =
        db.query(QStringLiteral("select distinct part_no from part_info where proj_id = ?"), {project});
    std::vector<LatestCheck> out;
    for (const QVector<QVariant>& part : parts.rows()) {
        const db::ResultSet rs = db.query(
            // The part number as a range of one value, ordered by: the server
            // then reads the part number's own checks back in time, never
            // the whole plant's until one of them comes.
            QStringLiteral("select C.check_id, C.part_no, C.mc_id, C.update_time from check_history C "
                           "where C.part_no between ? and ? and C.check_value = '0' and C.panel_no is not null "
                           "and trim(C.panel_no) <= ? "
                           "order by C.part_no desc, C.update_time desc, C.check_id desc limit 1"),
            {part[0], part[0], panel.trimmed()});
        for (const QVector<QVariant>& row : rs.rows())
            out.push_back({row[0].toLongLong(), row[1].toString(), row[2].toString(),
                           db::ResultSet::toDateTime(row[3])});
    }
    std::sort(out.begin(), out.end(), [](const LatestCheck& a, const LatestCheck& b) {
        return a.time != b.time ? a.time > b.time : a.checkId > b.checkId;
    });
    return out;
}

std::vector<SlotCheck> SlotSnapshot(db::Database& db, const QString& partNo, const QString& machine,
                                    const QDateTime& at)
{
    // Only good checks count, and of several in one second the one recorded
    // last: one row per module, slot and component the set-up expects, each
    // found from its own slot's newest check back.
    db::ResultSet rs = db.query(
        QStringLiteral("select X.check_id, X.line_id, X.mc_id, X.md_id, X.slot_code, X.comp_code, X.part_no, "
                       "X.vender_comp, X.ref_designator, X.polarity_check, X.lot_no, X.ship_date, X.rt_no, X.qty, "
                       "X.link_id, X.update_user, X.update_time "
                       "from (select distinct md_id, slot_code, comp_code from component_set "
                       "where part_no = ? and mc_id = ?) B "
                       "join check_history X on X.check_id = (select A.check_id from check_history A "
                       "where A.part_no = ? and A.mc_id = ? and A.md_id = B.md_id and A.slot_code = B.slot_code "
                       "and A.comp_code = B.comp_code and A.check_value = '0' and A.update_time <= ? "
                       "order by A.update_time desc, A.check_id desc limit 1) "
                       "order by X.md_id, X.slot_code, X.comp_code"),
        {partNo, machine, partNo, machine, at});
    std::vector<SlotCheck> out;
    for (; !rs.eof(); rs.moveNext()) {
        SlotCheck s;
        s.checkId = rs.value(0).toLongLong();
        s.line_id = rs.text("line_id");
        s.mc_id = rs.text("mc_id");
        s.md_id = rs.text("md_id");
        s.slot_code = rs.text("slot_code");
        s.comp_code = rs.text("comp_code");
        s.part_no = rs.text("part_no");
        s.vender_comp = rs.text("vender_comp");
        s.ref_designator = rs.text("ref_designator");
        s.polarity_check = rs.text("polarity_check");
        s.lot_no = rs.text("lot_no");
        s.ship_date = rs.text("ship_date");
        s.rt_no = rs.text("rt_no");
        s.qty = rs.value("qty");
        s.link_id = rs.text("link_id");
        s.update_user = rs.text("update_user");
        s.update_time = timeOf(rs, "update_time");
        out.push_back(std::move(s));
    }
    return out;
}

std::vector<PartSnapshot> BuildSnapshots(db::Database& db, const QString& project, const QString& panel)
{
    std::vector<PartSnapshot> out;
    for (const LatestCheck& latest : LatestChecks(db, project, panel)) {
        std::vector<SlotCheck> slots = SlotSnapshot(db, latest.partNo, latest.machine, latest.time);
        if (!slots.empty())
            out.push_back({latest, std::move(slots)});
    }
    return out;
}

QString NextSelfNo(db::Database& db, const QDate& day)
{
    const QString prefix = day.toString(QStringLiteral("yyMMdd"));
    const QVariant highest =
        db.scalar(QStringLiteral("select max(self_no) from trace_path where self_no like ?"), {prefix + QLatin1Char('%')});
    int next = 1;
    if (!highest.isNull()) {
        const QString text = highest.toString().trimmed();
        bool ok = false;
        const int seq = text.right(4).toInt(&ok);
        if (!ok || text.size() != 10)
            throw db::DbError(db::ErrorKind::Other,
                              QStringLiteral("The stored self number %1 cannot be continued.").arg(text));
        next = seq + 1;
    }
    if (next > kMaxSelfSequence)
        return QString();
    return prefix + QStringLiteral("%1").arg(next, 4, 10, QLatin1Char('0'));
}

SaveResult SavePanel(db::Database& db, const PanelSave& save)
{
    const QString batch = save.batch.trimmed();
    const QString panel = save.panel.trimmed();
    SaveResult result;

    db::Transaction tx(db, kSelfNoSeries);
    const std::vector<PartSnapshot> snapshots =
        save.snapshots ? *save.snapshots : BuildSnapshots(db, save.project, panel);
    if (snapshots.empty()) {
        // The panel's earlier snapshots stay: there is nothing to put in
        // their place.
        result.status = SaveResult::Status::NothingToSnapshot;
        return result;
    }

    const db::ResultSet earlier =
        db.query(QStringLiteral("select distinct self_no from trace_info where proj_id = ? and batch_no = ? "
                                "and panel_no = ?"),
                 {save.project, batch, panel});
    for (const QVector<QVariant>& row : earlier.rows()) {
        db.exec(QStringLiteral("delete from trace_info where self_no = ?"), {row[0]});
        db.exec(QStringLiteral("delete from trace_path where self_no = ?"), {row[0]});
    }

    for (const PartSnapshot& part : snapshots) {
        const QString selfNo = NextSelfNo(db, save.day);
        if (selfNo.isEmpty()) {
            result.status = SaveResult::Status::SequenceFull;
            result.selfNos.clear();
            return result;
        }
        result.selfNos << selfNo;
        for (const SlotCheck& s : part.slots) {
            db.exec(QStringLiteral("insert into trace_path (self_no, line_id, mc_id, md_id, slot_code, comp_code, "
                                   "part_no, vender_comp, ref_designator, polarity_check, lot_no, ship_date, rt_no, "
                                   "qty, link_id, create_user, create_time, update_user, update_time) "
                                   "values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, sysdate, ?, ?)"),
                    {selfNo, s.line_id, s.mc_id, s.md_id, s.slot_code, s.comp_code, s.part_no, s.vender_comp,
                     s.ref_designator, s.polarity_check, s.lot_no, s.ship_date, s.rt_no, s.qty, s.link_id, save.user,
                     s.update_user, s.update_time});
        }
        for (const QString& entry : save.serials) {
            const QString serial = entry.trimmed();
            try {
                db.exec(QStringLiteral("insert into trace_info (batch_no, panel_no, sn_no, self_no, update_user, "
                                       "update_time, proj_id, part_no) values (?, ?, ?, ?, ?, sysdate, ?, ?)"),
                        {batch, panel, serial, selfNo, save.user, save.project, part.latest.partNo});
            } catch (const db::DbError& e) {
                if (e.kind() != db::ErrorKind::UniqueViolation)
                    throw;
                result.status = SaveResult::Status::SerialExists;
                result.serial = serial;
                result.selfNos.clear();
                return result;
            }
        }
    }
    tx.commit();
    return result;
}

QStringList PanelSerials(db::Database& db, const QString& project, const QString& batch, const QString& panel)
{
    const db::ResultSet rs = db.query(QStringLiteral("select distinct sn_no from trace_info where proj_id = ? "
                                                     "and batch_no = ? and panel_no = ? order by sn_no"),
                                      {project, batch.trimmed(), panel.trimmed()});
    QStringList out;
    for (const QVector<QVariant>& row : rs.rows())
        out << row[0].toString();
    return out;
}

bool SerialExists(db::Database& db, const QString& project, const QString& serial)
{
    return db.count(QStringLiteral("select count(*) from trace_info where proj_id = ? and sn_no = ?"),
                    {project, serial.trimmed()})
           > 0;
}

QVector<query::Statement> RecentChecks(const QString& project, const QDateTime& from, const QDateTime& to)
{
    return query::inParts({from, to}, kPartHours, true, [&project](const query::Window& w) -> query::Statement {
        return {QStringLiteral("select A.panel_no, A.update_time, A.part_no, A.mc_id, A.link_id, A.comp_code, "
                               "A.vender_comp, A.ref_designator, A.polarity_check, A.lot_no, A.ship_date, "
                               "A.rt_no, A.qty from check_history A "
                               "where A.check_value = '0' and A.panel_no is not null "
                               "and A.part_no in (select B.part_no from part_info B where B.proj_id = ?) "
                               "and A.update_time between ? and ? "
                               "order by A.update_time desc, A.check_id desc"),
            {project, w.from, w.to}};
    });
}

query::ShownRow RecentCheckRow(const QVector<QVariant>& row)
{
    query::ShownRow out;
    out.cells.reserve(13);
    for (int i = 0; i < 13; ++i)
        out.cells << (i == 1 ? query::shownTime(row.value(i)) : query::shown(row.value(i)));
    return out;
}

} // namespace trace
