#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Files the tests read and write.
namespace testing {

// A file below tests/data ("machines.xlsx", "label/part.lbl"), found from any
// working folder.
QString dataFile(const QString& name);
// Writes the rows (the first one is the header) as a workbook at path, as a
// list export writes it, and returns the path.
QString writeSheet(const QString& path, const QList<QStringList>& rows);

} // namespace testing
