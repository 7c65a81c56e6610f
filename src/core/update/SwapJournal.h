#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <utility>

// The record that lets an install's swap be undone after a crash. The swap
// renames files one by one; the whole plan is on disk before the first one
// moves, and while the record exists the swap counts as unfinished.
namespace update::swap {

// Names the install uses for itself in the program folder.
inline const QString kStaging = QStringLiteral(".TROVA-update");
inline const QString kBackup = QStringLiteral(".TROVA-update-backup");
inline const QString kJournal = QStringLiteral(".TROVA-update-journal");

// What the swap does, relative to the program folder: the folders it may
// make there (each after the one it sits in), and the renames in order.
struct Plan
{
    QStringList folders;
    QList<std::pair<QString, QString>> moves;
};

// Whether anything, a dangling link included, has this name.
bool present(const QString& path);
// Flushes a file or a folder's entries to disk.
bool sync(const QString& path);

// Writes the plan as folder + kJournal (folder ends in "/"), through a file
// in the staging folder so the record appears whole or not at all; on disk
// when it returns true.
bool writeJournal(const QString& folder, const Plan& plan);
bool removeJournal(const QString& folder);
// The recorded plan; nothing when the record cannot be read or names a path
// outside the folder.
std::optional<Plan> readJournal(const QString& folder);

// Makes one rename of the plan, the folders its target needs first; never
// over a name that is there.
bool makeMove(const QString& folder, const std::pair<QString, QString>& move, QString* error);
// Undoes every rename of the plan that was made, the last first, then
// removes the empty folders the plan made. False, with *error, when a file
// cannot be put back.
bool rollBack(const QString& folder, const Plan& plan, QString* error);

} // namespace update::swap

namespace update {

// Called after each step of a swap is made (the record written, a file
// renamed or renamed back, the record removed); tests stop the install
// there as a crash would.
void setSwapStepHook(std::function<void()> hook);

} // namespace update
