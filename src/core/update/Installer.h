#pragma once

#include <QString>
#include <functional>

// Installing a downloaded package over the program folder. Nothing is
// written over the running program: the package is unpacked and checked in a
// staging folder first, then the files are swapped in by rename, each new
// file over its old one, so the folder always holds a program to start; the
// old program stays as "TROVA.exec". Any failure, the new program not
// starting included, puts the old files back; a start after a crash during
// the swap finishes it when the new program was in place, else puts it back.
namespace update {

inline const QString kProgramName = QStringLiteral("TROVA");
inline const QString kMovedExt = QStringLiteral("exec");
inline const QString kPackageName = QStringLiteral("Kalvimar.zip");

// The folder of the running program (no trailing "/"); tests point it
// elsewhere.
QString programFolder();
void setProgramFolder(const QString& folder);
// The package's place in the program folder.
QString packagePath();

struct InstallResult
{
    bool ok = false;
    QString error;
};

// Starts the program in its folder, detached; false when it cannot be run.
using Starter = std::function<bool(const QString& program, const QString& folder)>;
bool startDetached(const QString& program, const QString& folder);

// Installs folder + "/Kalvimar.zip" and starts the new program. On success
// the package is gone, the old program is folder + "/TROVA.exec" and the new
// one runs; on failure the folder is as it was. A file takes the permission
// bits its entry carries, else the mode of the file it replaces, else 0644.
// Each swap is recorded in the folder before its first file moves; what an
// interrupted one left is put back first, and the install is refused when
// that fails.
InstallResult installPackage(const QString& folder, const Starter& start = startDetached);

// Settles an install that was killed during its swap: once the new program
// was in place the swap is finished, else every step taken is undone, the
// last first, and the folders it made go; then its staging folders go, and
// with a finished swap the package. An install killed after its record was
// removed leaves only those: they go the same way. Stopped at any point,
// the next call carries on. The empty text when the folder is whole; else
// why not, the record and the backup kept for the next try. A record that
// is not whole, not as the install writes it, or leads through a link,
// touches nothing.
QString recoverInterruptedInstall(const QString& folder);

} // namespace update
