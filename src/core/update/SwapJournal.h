#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// The record that lets an install's swap be finished or undone after a
// crash. The swap takes its steps one by one; the whole plan is on disk
// before the first one is taken, and while the record exists the swap counts
// as unfinished. No file the swap replaces is ever missing from its place:
// its old copy is kept by a second name first, then the new one is renamed
// over it.
namespace update::swap {

// Names the install uses for itself in the program folder.
inline const QString kStaging = QStringLiteral(".TROVA-update");
inline const QString kBackup = QStringLiteral(".TROVA-update-backup");
inline const QString kJournal = QStringLiteral(".TROVA-update-journal");

// One step of the swap, paths relative to the program folder.
struct Step
{
    enum Kind {
        Move,    // renames from to to, where nothing stands
        Keep,    // gives the file from a second name to (a hard link, else a copy)
        Replace, // renames from over to, whose old copy is kept as kept
    };
    Kind kind = Move;
    QString from;
    QString to;
    QString kept;

    bool operator==(const Step&) const = default;
};

// What the swap does: the folders it may make in the program folder (each
// after the one it sits in) and its steps in order. The step that puts the
// new program in place commits the swap: once it is taken, a start finishes
// the swap instead of undoing it, unless the record says it is being undone.
struct Plan
{
    QStringList folders;
    QList<Step> steps;
    bool undo = false;
};

// The step that puts the program in place; steps.size() when there is none.
qsizetype commitStep(const Plan& plan);

// Whether anything, a dangling link included, has this name.
bool present(const QString& path);
// Whether the path is a folder itself, not a link to one.
bool realFolder(const QString& path);
// The first part of rel, relative to folder, that is there but is no real
// folder (a link or a file), so that a path through it would lead elsewhere;
// the last part counts only with whole. Empty when there is none.
QString throughLink(const QString& folder, const QString& rel, bool whole = false);
// Removes the folder and all in it without following any link, a link in
// its own place included (nothing is removed then). True when it is gone.
bool removeTree(const QString& path);
// Whether anything but folders is under the folder, links not followed;
// true when it cannot be read.
bool holdsFiles(const QString& path);
// Flushes a file or a folder's entries to disk.
bool sync(const QString& path);

// Writes the plan as folder + kJournal (folder ends in "/"), through a file
// in the staging folder so the record appears whole or not at all; on disk
// when it returns true. The record ends in a mark with its line count and
// checksum.
bool writeJournal(const QString& folder, const Plan& plan);
bool removeJournal(const QString& folder);
// The recorded plan; nothing, with *why, when the record is not a regular
// file, not whole, damaged, written by an earlier version, names a path
// outside the folder, or holds a step the install does not write: each
// replaced file kept in the backup right before its new one comes from
// staging, new files from staging, the program's step last.
std::optional<Plan> readJournal(const QString& folder, QString* why);

// Takes one step of the plan, the folders its target needs first; never
// through a link, never over a name that is there unless it replaces it.
bool makeStep(const QString& folder, const Step& step, QString* error);
// Brings the folder to one side of an unfinished swap: finishes it when it
// was committed and is not being undone, else records it as being undone
// and undoes every step taken, the last first, and removes the empty
// folders the plan made. First checks,
// touching nothing, that the folder is what the steps could have left and
// that no path passes through a link. False, with *error, when it cannot be
// trusted or a step fails; the backup then holds files still needed.
bool settle(const QString& folder, const Plan& plan, QString* error);

} // namespace update::swap

namespace update {

// Called after each step of a swap is made (the record written, a step taken
// or undone, the record removed); tests stop the install there as a crash
// would.
void setSwapStepHook(std::function<void()> hook);

} // namespace update
