#pragma once

#include "db/Database.h"
#include "workbook/Workbook.h"

#include <QDeadlineTimer>
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
    // The row whose write the failure cut after it was sent, so that it may
    // be stored as well: its sheet row and key ("row 7 (L6)"); empty when
    // every row's outcome is known.
    QString unsure;
    bool failed() const { return !error.isEmpty(); }
    // What a failed run says: the failure, the count of rows stored before
    // it, and the row that may have been stored too.
    QString failureMessage() const;
};

// Runs the rows of a sheet (rows[0] is the header row and is not read).
// Every write is its own statement: rows stored before a failure stay.
ImportOutcome importRows(const Rows& rows, const ImportLayout& layout, db::Database& db, const QString& userId,
                         const std::function<void(const QString&)>& writeLog);

// The same run a slice at a time, so that a caller on the screen thread can
// handle events between slices. A slice never ends inside a row: each row is
// checked and stored, or refused, as a whole.
class ImportRun
{
public:
    ImportRun(Rows rows, const ImportLayout& layout, db::Database& db, QString userId,
              std::function<void(const QString&)> writeLog);
    ImportRun(const ImportRun&) = delete;
    ImportRun& operator=(const ImportRun&) = delete;

    // Runs rows until the run ends or the deadline has passed (looked at
    // after each row). True when the run has ended.
    bool step(QDeadlineTimer deadline = QDeadlineTimer(QDeadlineTimer::Forever));
    bool done() const { return m_done; }
    // Counts so far; the error once the run failed.
    const ImportOutcome& outcome() const { return m_out; }

private:
    struct Statements
    {
        QString exists;
        QString update;
        QString insert;
        QList<int> keyIndexes;
        QList<int> updateKeyIndexes;
        QList<int> updateIndexes;
    };
    // One row: false when it ends the data.
    bool storeRow(int r);

    Rows m_rows;
    ImportLayout m_layout;
    db::Database& m_db;
    QString m_userId;
    std::function<void(const QString&)> m_writeLog;
    Statements m_statements;
    int m_next = 1;
    bool m_done = false;
    ImportOutcome m_out;
};

} // namespace workbook
