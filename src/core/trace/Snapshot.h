#pragma once

#include "db/Database.h"
#include "query/Query.h"
#include "trace/CheckReview.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// Traceability: the serial numbers of a panel bound to a snapshot of the
// material on every slot when the panel was built.
//
// For every part number of the project, its newest good check (check value
// '0') on a panel not above the saved one names a machine and a time. The
// snapshot of that part number holds, for every module, slot and component
// the set-up expects on that machine, the newest good check there at or
// before that time. Each non-empty snapshot gets the day's next self number;
// its checks go to trace_path, and every serial number gets one trace_info
// row per snapshot.
namespace trace {

// The lock under which self numbers are drawn.
inline const QString kSelfNoSeries = QStringLiteral("trace_path.self_no");

// The newest good check of one part number.
struct LatestCheck
{
    qlonglong checkId = 0;
    QString partNo;
    QString machine;
    QDateTime time;
};

// One slot of a snapshot, as its check recorded it.
struct SlotCheck
{
    qlonglong checkId = 0;
    QString line_id, mc_id, md_id, slot_code, comp_code, part_no, vender_comp, ref_designator, polarity_check,
        lot_no, ship_date, rt_no, link_id, update_user;
    QVariant qty;
    QDateTime update_time;
};

struct PartSnapshot
{
    LatestCheck latest;
    std::vector<SlotCheck> slots;
};

// Newest first. One check per part number; of two checks in its newest
// second, the one recorded last. Panel numbers compare as text.
std::vector<LatestCheck> LatestChecks(db::Database& db, const QString& project, const QString& panel);
// The slots of one part number on one machine, in module and slot order;
// one check per module, slot and component.
std::vector<SlotCheck> SlotSnapshot(db::Database& db, const QString& partNo, const QString& machine,
                                    const QDateTime& at);
// The snapshots of every part number of the project that has one, in the
// order of LatestChecks.
std::vector<PartSnapshot> BuildSnapshots(db::Database& db, const QString& project, const QString& panel);

// The highest sequence of a day.
constexpr int kMaxSelfSequence = 9999;
// "yyMMdd" of the day and the next free four-digit sequence of that day in
// trace_path; empty when the day's sequence is used up. Call it inside a
// transaction that holds kSelfNoSeries.
QString NextSelfNo(db::Database& db, const QDate& day);

struct PanelSave
{
    QString project;
    QString batch;
    QString panel;
    QStringList serials;
    QString user;
    QDate day; // the date the self numbers carry
    // The snapshots to store as the user confirmed them (BuildSnapshots);
    // built afresh when not given.
    std::optional<std::vector<PartSnapshot>> snapshots;
};

struct SaveResult
{
    enum class Status {
        Saved,
        NothingToSnapshot, // nothing was written or deleted
        SerialExists, // `serial` is kept already; nothing changed
        SequenceFull, // the day has no self number left; nothing changed
    };
    Status status = Status::Saved;
    QStringList selfNos; // one per snapshot, in the order drawn
    QString serial;
};

// Replaces the panel's snapshots (by project, batch and panel) with new
// ones in one transaction: either all of it is stored or the previous
// snapshots stay as they were. Batch, panel and serial numbers are stored
// trimmed. Other database failures are thrown as db::DbError after the
// rollback.
SaveResult SavePanel(db::Database& db, const PanelSave& save);

// The serial numbers stored for a panel, and whether a serial number is kept
// under the project already.
QStringList PanelSerials(db::Database& db, const QString& project, const QString& batch, const QString& panel);
bool SerialExists(db::Database& db, const QString& project, const QString& serial);

// The project's good checks with a panel number recorded in [from, to],
// newest first: panel_no, update_time, part_no, mc_id, link_id, comp_code,
// vender_comp, ref_designator, polarity_check, lot_no, ship_date, rt_no, qty.
// In parts of kPartHours, so that the first rows show after one part's sort.
QVector<query::Statement> RecentChecks(const QString& project, const QDateTime& from, const QDateTime& to);
// A row of RecentChecks as its list shows it (no kind).
query::ShownRow RecentCheckRow(const QVector<QVariant>& row);

} // namespace trace
