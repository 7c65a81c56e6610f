#pragma once

#include <QDateTime>
#include <QString>

class QRegularExpression;

// Exports are left in a shared folder for the user, who may open one in the
// spreadsheet program and save it in place. Each export therefore gets a
// small record beside it ("<export>.written": size, modification time and
// digest as written), and only an export that still matches its record is
// ever removed.
namespace workbook {

// Records the export as just written. False when the record cannot be
// written; the export is then never removed.
bool recordWrittenExport(const QString& path);

// Removes an export and its record.
void removeExport(const QString& path);

// Removes, from the folder, the exports whose name matches that were written
// more than a day before now and are unchanged since, each with its record.
// A changed export stays and loses its record; a record whose export is gone
// goes. Returns how many exports were removed.
int removeUnchangedExports(const QString& folder, const QRegularExpression& exportName, const QDateTime& now);

} // namespace workbook
