#pragma once

#include "db/Database.h"
#include "workbook/Workbook.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

// The row loop of the sheet imports: data from sheet row 2 until the first
// empty cell in column A, the screen's checks in order (the first failing
// one goes to the daily error log), then an update when the key exists or
// an insert. Each screen describes its sheet with an ImportLayout.
namespace workbook {

// One sheet column (A, B, ... in order) and the table column it goes to.
struct ImportColumn
{
    QString name;
    // How the cell text is written to the database; empty: as it stands.
    std::function<QString(const QString&)> toValue = {};
};

// A row check: the log line when the row is refused, an empty text when it
// passes. cells[0] is column A. May query the database (db::DbError ends
// the run).
using ImportCheck = std::function<QString(const QStringList& cells)>;

struct ImportLayout
{
    QString table;
    QList<ImportColumn> columns;
    QStringList keyColumns; // the existence test: one equality per column
    QStringList updateKeyColumns; // the WHERE of the update; empty: keyColumns
    QStringList updateColumns; // set from the cells when the key exists (may be empty)
    QList<QPair<QString, QString>> insertFixed; // further columns and values of the insert
    QList<ImportCheck> checks;
};

struct ImportOutcome
{
    int stored = 0;
    int rejected = 0;
    QString error; // the description of the failure that ended the run, empty when it ran to its end
    bool failed() const { return !error.isEmpty(); }
};

// Runs the rows of a sheet (rows[0] is the header row and is not read).
// Every write is its own statement: rows stored before a failure stay.
ImportOutcome importRows(const Rows& rows, const ImportLayout& layout, db::Database& db, const QString& userId,
                         const std::function<void(const QString&)>& writeLog);

} // namespace workbook
