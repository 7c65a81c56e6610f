#pragma once

#include <QDateTime>
#include <QString>
#include <QVariant>

// Recorded component checks as the review and query tests seed them.
namespace testing {

// A check the terminal dialogue could have recorded: one time for its check
// and update time, and the material of a scanned label (vendor component
// "VEND", designator "R1", polarity "Y", date code "2410", RT "RT1").
struct Check
{
    QDateTime time {};
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
    QString lot {};
    QString link = QStringLiteral("LK1");
    QString panel = QStringLiteral("1");
    QVariant qty {};
    QVariant throwQty {};
    QString approveValue = QStringLiteral("1");
    QString approveUser {};
};
// Returns the check's check_id.
qlonglong addCheck(const Check& c);

} // namespace testing
