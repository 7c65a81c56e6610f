#pragma once

#include "db/Database.h"

#include <QDateTime>
#include <QStringList>
#include <QVariantList>

// Reading and seeding rows the way many database tests do.
namespace testing {

// Every row of the query as "col1|col2|...", in the order the query gives;
// on Module1's connection unless another is named.
QStringList queryRows(const QString& sql, const QVariantList& params = {}, db::Database* on = nullptr);
// The error log an import or a print writes to, as it stands; empty when
// there is none yet.
QString errorLogText();
// The message that points the user at that log.
QString errorLogPointer();
// A line and a machine on it, as the plant-layout screens would store them.
void addLine(const QString& id);
void addMachine(const QString& id, const QString& line);

// A check the terminal dialogue could have recorded: one time for its check
// and update time, and the material of a scanned label (vendor component
// "VEND", designator "R1", polarity "Y", date code "2410", RT "RT1").
struct Check
{
    QDateTime time;
    QString value = QStringLiteral("0");
    QString line = QStringLiteral("L1");
    QString part = QStringLiteral("P1");
    QString machine = QStringLiteral("M1");
    QString module = QStringLiteral("D1");
    QString slot = QStringLiteral("S1");
    QString comp = QStringLiteral("C1");
    QString gateway = QStringLiteral("10.0.0.1");
    QString terminal = QStringLiteral("001");
    QString user = QStringLiteral("U1");
    QString lot;
    QString link = QStringLiteral("LK1");
    QString panel = QStringLiteral("1");
    QVariant qty;
    QVariant throwQty;
    QString approveValue = QStringLiteral("1");
    QString approveUser;
};
// Returns the check's check_id.
qlonglong addCheck(const Check& c);

} // namespace testing
