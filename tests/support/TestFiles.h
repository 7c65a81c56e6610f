#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Files the tests read and write, and folders as the install and download
// tests look at them.
namespace testing {

// A file below tests/data ("machines.xlsx", "label/part.lbl"), found from any
// working folder.
QString dataFile(const QString& name);
// Writes the rows (the first one is the header) as a workbook at path, as a
// list export writes it, and returns the path.
QString writeSheet(const QString& path, const QList<QStringList>& rows);

// The file's bytes; "<missing>" when it cannot be read.
QByteArray fileBytes(const QString& path);
// Writes the file, creating its folders; with a mode, sets it exactly.
bool writeFile(const QString& path, const QByteArray& data, int mode = -1);
// A workbook reader program in folder that waits the seconds and then runs
// the real reader; its path.
QString slowReader(const QString& folder, int seconds);
// The file's permission bits, set-user-id, set-group-id and sticky included.
int fileMode(const QString& path);
// Every file and folder under root, hidden ones included, relative and
// sorted; a folder ends in "/". With details each file also shows its mode
// and a digest of its bytes, so two listings match only for folders that
// are byte for byte the same.
QStringList folderTree(const QString& root, bool details = false);

} // namespace testing
