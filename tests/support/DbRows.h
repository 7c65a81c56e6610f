#pragma once

#include "db/Database.h"
#include "workbook/WorkbookImport.h"

#include <QStringList>
#include <QVariantList>

// Reading and seeding rows the way many database tests do.
namespace testing {

// A row of the table with these columns and values, written by SYSADMIN
// now (update_user, update_time); an empty text is stored as Null.
void addRow(const QString& table, const QStringList& columns, const QVariantList& values);
// Every row of the query as "col1|col2|...", in the order the query gives;
// on Module1's connection unless another is named.
QStringList queryRows(const QString& sql, const QVariantList& params = {}, db::Database* on = nullptr);
// The error log an import or a print writes to, as it stands; empty when
// there is none yet.
QString errorLogText();
// Its lines without their time of day.
QStringList errorLogLines();
// The message that points the user at that log.
QString errorLogPointer();
// A user of the group, named id + " name" unless named, valid from
// 03/05/2024 to 01/31/2099; the password is the user id unless given.
void addUser(const QString& id, const QString& group = {}, const QString& password = {}, const QString& name = {});
// A group ("1": active) and function codes granted to one.
void addGroup(const QString& id, const QString& status = QStringLiteral("1"));
void grant(const QString& group, const QStringList& codes);
// A part number of the project; a null approve stores no flag.
void addPart(const QString& part, const QString& project, const QString& approve = QStringLiteral("0"),
             const QString& desc = QStringLiteral("pd"));
// A line and a machine on it, as the plant-layout screens would store them.
void addLine(const QString& id);
void addMachine(const QString& id, const QString& line);
// Machines from a sheet (A machine, B description, C line), known by machine
// and line; a row whose line is missing is logged as "Cannot found the Line ID "
// + line.
workbook::ImportLayout machineImportLayout();

} // namespace testing
