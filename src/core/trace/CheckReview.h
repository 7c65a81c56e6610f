#pragma once

#include "db/Database.h"
#include "query/Query.h"

#include <QDateTime>
#include <QString>
#include <limits>

// The review of recorded checks: the lists of the approval and throw-quantity
// screens, read by the screens' runner a batch at a time, and the two
// updates they make. A record is updated by its
// check_id alone, so a change reaches exactly the record the user chose.
namespace trace {

// The hours of check records a list reads with one statement: a busy plant
// records some 20,000 checks in that time.
constexpr int kPartHours = 6;

// The matching checks of one terminal awaiting approval, oldest first:
// update_time, line_desc, mc_id, md_id, slot_code, part_no, part_desc,
// comp_code, comp_desc, ref_designator, polarity_check, lot_no, ship_date,
// rt_no, vender_comp, qty, throw_qty, update_user, user_name,
// approver_name, approve, check_id. Both ends of the window are included.
// The search comes in parts of kPartHours, so that the first rows show
// after one part's sort.
QVector<query::Statement> ApprovalSearch(const QString& gateway, const QString& terminal, const QDateTime& from,
                                const QDateTime& to);
// A row of ApprovalSearch as its list shows it: the check_id as the hidden
// kind, the 19 fields, the status text and the approval flag ("0" for Null).
query::ShownRow ApprovalRow(const QVector<QVariant>& row);

// The matching checks of one part number, oldest first: the first 19 fields
// of ApprovalSearch, then check_id; in parts of kPartHours.
QVector<query::Statement> ThrowSearch(const QString& partNo, const QDateTime& from, const QDateTime& to);
// The check_id as the hidden kind and the 19 fields.
query::ShownRow ThrowRow(const QVector<QVariant>& row);

// The check_id a listed row carries as its kind; 0 when there is none.
qlonglong CheckIdOf(const QString& kind);

// "Approved by " + approver, "Not approved" or "Need not be approved", from
// the part number's approval flag and the approver's name.
QString ApproveStatus(const QVariant& approveFlag, const QVariant& approverName);
// True when a part number's approval flag reads as the number 1.
bool NeedsApproval(const QVariant& approveFlag);

// Writes the approver and the server time into one record; returns the
// number of rows changed (1, or 0 when the record is gone).
int ApproveCheck(db::Database& db, qlonglong checkId, const QString& user);
// Writes the throw quantity (digits; empty stores Null), the user and the
// server time into one record; returns the number of rows changed.
int SetThrowQty(db::Database& db, qlonglong checkId, const QString& qty, const QString& user);

// The largest throw quantity the record keeps exactly on every engine.
constexpr qint64 kMaxThrowQty = std::numeric_limits<qint64>::max();
// Whether the text (blanks aside) is a throw quantity: digits alone, a
// whole number of 0 to kMaxThrowQty. The empty text is one: it clears.
bool IsThrowQty(const QString& text);

} // namespace trace
