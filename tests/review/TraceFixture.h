#pragma once

#include "ScriptedPrompter.h"

#include <QDateTime>
#include <QString>
#include <QVariantList>

class QComboBox;
class QTreeWidget;

// Master data, hand-made check records and reading helpers for the review
// screen tests.
namespace tracefix {

testing::ScriptedPrompter& prompter();

// A fixed morning: checks are recorded at kT0 plus some seconds.
inline const QDateTime kT0(QDate(2026, 3, 10), QTime(8, 0, 0));

// Project PRJ with part numbers P1 (needs approval) and P2 (does not); line
// L1 "Line one"; machine M1 on gateways 10.0.0.5 (terminals 005 and 012)
// and 10.0.0.7 (no terminals); component C1 under the vendor "nil"; users
// U1 "Operator" and the approver SYSADMIN.
void masterData();

struct Check
{
    QString part = "P1";
    QString slot = "S1";
    QString comp = "C1";
    int at = 0; // seconds after kT0
    QString value = "0";
    QString panel = "5";
    QString terminal = "005";
    QString user = "U1";
    QString lot = "LOT";
};
qlonglong addCheck(const Check& c);

// The texts of a list row from column 1 on.
QStringList row(const QTreeWidget* list, int r);
void selectRow(QTreeWidget* list, int r);
QStringList comboItems(const QComboBox* box);
// One text per result row, its fields joined by '|'.
QStringList rows(const QString& sql, const QVariantList& params = {});

} // namespace tracefix
