#include "update/Installer.h"

#include "update/EntryRoom.h"

#include "update/SwapJournal.h"
#include "update/modZip.h"
#include "workbook/Workbook.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QSet>
#include <sys/stat.h>

namespace update {

namespace {

QString g_folder;

QString tr(const char* text)
{
    return QCoreApplication::translate("update::Installer", text);
}

using swap::kBackup;
using swap::kJournal;
using swap::kStaging;
using swap::present;
// Held while an install or a recovery works in the folder.
const QString kLock = QStringLiteral(".TROVA-update-lock");

// The steps that take the staged files into the folder. The copy moved
// aside by the previous update goes to the backup (it comes back if this
// install fails). Each file that is replaced is kept in the backup by a
// second name, then its new one is renamed over it, so no name is ever
// missing; the program goes last, which commits the swap, and its old copy
// then becomes the moved-aside one.
swap::Plan planSwap(const QString& folder, const QStringList& files, const QStringList& folders)
{
    using swap::Step;
    swap::Plan plan;
    const QString moved = kProgramName + QLatin1Char('.') + kMovedExt;
    const QString backup = kBackup + QLatin1Char('/');
    const QString staging = kStaging + QLatin1Char('/');
    if (present(folder + moved))
        plan.steps.append({ Step::Move, moved, backup + moved, QString() });
    auto putInPlace = [&](const QString& rel) {
        if (present(folder + rel)) {
            plan.steps.append({ Step::Keep, rel, backup + rel, QString() });
            plan.steps.append({ Step::Replace, staging + rel, rel, backup + rel });
        } else {
            plan.steps.append({ Step::Move, staging + rel, rel, QString() });
        }
    };
    QSet<QString> made;
    auto addFolders = [&](QString rel) {
        for (; rel != QLatin1String(".") && !made.contains(rel) && !QFileInfo(folder + rel).isDir();
             rel = QFileInfo(rel).path())
            made.insert(rel);
    };
    for (const QString& rel : files) {
        if (rel != kProgramName)
            putInPlace(rel);
        addFolders(QFileInfo(rel).path());
    }
    const bool hadProgram = present(folder + kProgramName);
    putInPlace(kProgramName);
    if (hadProgram)
        plan.steps.append({ Step::Move, backup + kProgramName, moved, QString() });
    for (const QString& rel : folders)
        addFolders(rel);
    // A folder sorts before every path inside it.
    plan.folders = QStringList(made.begin(), made.end());
    plan.folders.sort();
    return plan;
}

// Never while a swap is unfinished: its record tells a step taken from one
// not taken by which names are there. A staging or backup name that is no
// real folder is left alone: nothing is removed through a link.
void cleanUp(const QString& folder)
{
    if (present(folder + kJournal))
        return;
    swap::removeTree(folder + kStaging);
    swap::removeTree(folder + kBackup);
}

// What stands at the lock's name that no install could have left there, so
// that no lock can be taken; empty when nothing does. A link, dangling or
// not, is never followed to a lock elsewhere.
QString lockInTheWay(const QString& folder)
{
    const QString lock = folder + kLock;
    struct stat st{};
    if (::lstat(QFile::encodeName(lock).constData(), &st) != 0)
        return QString();
    if (S_ISLNK(st.st_mode))
        return tr("无法安装更新文件：%1是一个链接，不是安装用的锁文件。").arg(lock);
    if (S_ISDIR(st.st_mode))
        return tr("无法安装更新文件：%1是文件夹，不是安装用的锁文件。").arg(lock);
    return QString();
}

// Puts back or finishes what an unfinished swap left, with the folder's lock
// held; the empty text when the folder is whole. A record that cannot be
// trusted touches nothing. The staging folders stay.
QString settleRecord(const QString& folder)
{
    const QString journal = folder + kJournal;
    if (!present(journal))
        return QString();
    QString why;
    const std::optional<swap::Plan> plan = swap::readJournal(folder, &why);
    if (!plan)
        return tr("上次未完成的更新记录%1无法读取：%2。原来的程序没有还原，任何文件都没有改动。").arg(journal, why);
    QString error;
    if (!swap::settle(folder, *plan, &error))
        return tr("上次未完成的更新无法还原：%1。备份文件夹%2没有删除。").arg(error, folder + kBackup);
    if (!swap::removeJournal(folder))
        return tr("无法删除更新记录%1。").arg(journal);
    return QString();
}

QString recoverLocked(const QString& folder)
{
    const QString error = settleRecord(folder);
    if (error.isEmpty())
        cleanUp(folder);
    return error;
}

// Names the install itself uses in the program folder: an entry under one of
// them would overwrite the moved-aside program, be swept away with the
// staging folders or be deleted with the package.
bool reservedName(const QString& rel)
{
    const QString first = rel.section(QLatin1Char('/'), 0, 0);
    return first == kProgramName + QLatin1Char('.') + kMovedExt || first == kStaging || first == kBackup
           || first == kPackageName || first == kJournal || first == kLock;
}

// What stops the package's files and folders from taking their places in the
// folder: a reserved name, a file where a folder is (the folder and all in it
// would go to the backup and be deleted with it), a folder where a file is.
QString clash(const QString& folder, const modZip::PackageListing& list)
{
    for (const QString& rel : list.files + list.folders) {
        if (reservedName(rel))
            return tr("条目“%1”占用了安装程序自己要用的名称").arg(rel);
    }
    // A link where a file goes is a file of its own, whatever it leads to:
    // it is kept and replaced itself.
    for (const QString& rel : list.files) {
        if (swap::realFolder(folder + rel))
            return tr("文件“%1”会替换同名的文件夹").arg(rel);
    }
    for (const QString& rel : list.folders) {
        const QFileInfo there(folder + rel);
        // Every folder on an entry's path is listed: a link among them
        // would take files elsewhere.
        if (there.isSymLink())
            return tr("文件夹“%1”在程序文件夹中是一个链接").arg(rel);
        if (there.exists() && !there.isDir())
            return tr("文件夹“%1”会替换同名的文件").arg(rel);
    }
    return QString();
}

// A new file's mode: the permission bits its entry carries, else those of
// the file it replaces, else rw-r--r--; never writable by group or others,
// who could otherwise replace the program; always readable by its owner. The program and its workbook reader
// are always runnable: a package made where zip entries carry no modes must
// not leave the imports without their reader.
mode_t modeFor(const QString& rel, int packageBits, const QString& replaced)
{
    struct stat st{};
    mode_t mode = 0644;
    if (packageBits >= 0)
        mode = mode_t(packageBits) & 0777;
    else if (::lstat(QFile::encodeName(replaced).constData(), &st) == 0 && S_ISREG(st.st_mode))
        mode = st.st_mode & 0777;
    mode &= ~mode_t(S_IWGRP | S_IWOTH);
    mode |= S_IRUSR;
    if (rel == kProgramName || rel == workbook::kReaderProgramName) {
        mode |= S_IRWXU;
        if (mode & S_IRGRP)
            mode |= S_IXGRP;
        if (mode & S_IROTH)
            mode |= S_IXOTH;
    }
    return mode;
}

// A new folder's mode from the bits its entry carries: never writable by
// group or others, always open to its owner.
mode_t folderModeFor(int packageBits)
{
    return (mode_t(packageBits) & 0777 & ~mode_t(S_IWGRP | S_IWOTH)) | S_IRWXU;
}

} // namespace

QString programFolder()
{
    return g_folder.isEmpty() ? QCoreApplication::applicationDirPath() : g_folder;
}

void setProgramFolder(const QString& folder)
{
    g_folder = folder;
}

QString packagePath()
{
    return modZip::AddBackSlash(programFolder()) + kPackageName;
}

bool startDetached(const QString& program, const QString& folder)
{
    return QProcess::startDetached(program, {}, folder);
}

QString recoverInterruptedInstall(const QString& folderIn)
{
    const QString folder = modZip::AddBackSlash(folderIn);
    if (!present(folder + kJournal) && !present(folder + kStaging) && !present(folder + kBackup))
        return QString();
    const QString inTheWay = lockInTheWay(folder);
    if (!inTheWay.isEmpty())
        return inTheWay;
    // An install still running in another instance owns its record and its
    // staging folders.
    QLockFile lock(folder + kLock);
    if (!lock.tryLock(0))
        return QString();
    const QString error = settleRecord(folder);
    if (!error.isEmpty())
        return error;
    // A finished swap leaves the old copies in the backup; one put back, or
    // stopped before its first step, leaves it empty. The package of a
    // finished one goes first, so that a stop here leaves it or the
    // staging folders to the next start.
    if (swap::realFolder(folder + kBackup) && swap::holdsFiles(folder + kBackup))
        QFile::remove(folder + kPackageName);
    cleanUp(folder);
    return QString();
}

InstallResult installPackage(const QString& folderIn, const Starter& start)
{
    InstallResult result;
    const QString folder = modZip::AddBackSlash(folderIn);
    const QString package = folder + kPackageName;
    const QString program = folder + kProgramName;
    const QString staging = folder + kStaging;
    const QString backup = folder + kBackup;
    swap::Plan plan;
    bool swapping = false;
    auto fail = [&](const QString& error) {
        result.error = error;
        if (swapping) {
            // Recorded again first, as being undone (the record is gone once
            // the files are all in, and a committed swap would be finished),
            // so that a crash while putting them back is put back as well.
            plan.undo = true;
            swap::writeJournal(folder, plan);
            QString why;
            if (!swap::settle(folder, plan, &why)) {
                result.error += tr("原来的程序无法完全还原：%1。").arg(why);
                return result;
            }
            swap::removeJournal(folder);
        }
        cleanUp(folder);
        return result;
    };
    auto refuse = [&](const QString& why) { return fail(tr("无法安装更新文件：%1。").arg(why)); };

    result.error = lockInTheWay(folder);
    if (!result.error.isEmpty())
        return result;
    QLockFile lock(folder + kLock);
    if (!lock.tryLock(0)) {
        result.error = lock.error() == QLockFile::LockFailedError
                           ? tr("另一个程序正在安装更新。")
                           : tr("无法安装更新文件：无法创建文件%1。").arg(folder + kLock);
        return result;
    }
    // What an interrupted install left is put back before anything else;
    // until it is, the staging folders hold files it still needs.
    result.error = recoverLocked(folder);
    if (!result.error.isEmpty())
        return result;
    if (!QFileInfo(package).isFile()) {
        result.error = tr("找不到更新文件%1。").arg(package);
        return result;
    }
    // Whatever such a name leads to is not the install's to fill or empty.
    for (const QString& own : { staging, backup }) {
        if (present(own) && !swap::realFolder(own)) {
            result.error = tr("无法安装更新文件：%1不是文件夹，可能是一个链接。").arg(own);
            return result;
        }
    }
    cleanUp(folder);

    // The package is judged by its directory before anything is written,
    // then unpacked where only this user can reach it, and checked whole
    // before anything in the folder moves.
    const modZip::PackageListing list = modZip::ListPackage(package);
    if (!list.error.isEmpty())
        return refuse(list.error);
    if (!list.files.contains(kProgramName))
        return fail(tr("更新文件中没有程序%1。").arg(kProgramName));
    const QString clashing = clash(folder, list);
    if (!clashing.isEmpty())
        return refuse(clashing);
    // A name that fits alone may not fit in the install's folders, where
    // creating it would fail with no word on which name.
    const QString tooLong = entryRoomError(folder, list);
    if (!tooLong.isEmpty())
        return refuse(tooLong);
    if (::mkdir(QFile::encodeName(staging).constData(), S_IRWXU) != 0
        || ::chmod(QFile::encodeName(staging).constData(), S_IRWXU) != 0)
        return refuse(tr("无法创建文件夹%1").arg(staging));
    const modZip::UnzipResult unzipped = modZip::UnzipToFolder(staging, package);
    if (!unzipped.ok)
        return refuse(unzipped.error);
    for (qsizetype i = 0; i < unzipped.files.size(); ++i) {
        const QString& rel = unzipped.files.at(i);
        const QString staged = staging + QLatin1Char('/') + rel;
        if (::chmod(QFile::encodeName(staged).constData(), modeFor(rel, unzipped.modes.at(i), folder + rel)) != 0)
            return refuse(tr("无法设置%1的权限").arg(staged));
        // On disk before its name moves: a new file must not turn out empty
        // after a power cut.
        if (!swap::sync(staged))
            return refuse(tr("无法写入%1").arg(staged));
    }
    if (::mkdir(QFile::encodeName(backup).constData(), S_IRWXU) != 0)
        return refuse(tr("无法创建文件夹%1").arg(backup));

    plan = planSwap(folder, unzipped.files, unzipped.folders);
    swapping = true;
    if (!swap::writeJournal(folder, plan))
        return refuse(tr("无法写入更新记录%1").arg(folder + kJournal));
    // Up to the program, then the folders, then the program and what follows
    // it: the swap is whole once the program is in.
    QString error;
    const qsizetype commit = swap::commitStep(plan);
    for (qsizetype i = 0; i < commit; ++i) {
        if (!swap::makeStep(folder, plan.steps.at(i), &error))
            return fail(error);
    }
    // Folders the package holds only as folder entries.
    for (const QString& rel : unzipped.folders) {
        if (modZip::MakeDirPath(folder + rel).isEmpty())
            return fail(tr("无法创建文件夹%1").arg(folder + rel));
    }
    // Those it made take their entries' bits; folders already there keep
    // their own.
    for (qsizetype i = 0; i < unzipped.folders.size(); ++i) {
        const QString made = folder + unzipped.folders.at(i);
        const int bits = unzipped.folderModes.at(i);
        if (bits >= 0 && plan.folders.contains(unzipped.folders.at(i))
            && ::chmod(QFile::encodeName(made).constData(), folderModeFor(bits)) != 0)
            return refuse(tr("无法设置%1的权限").arg(made));
    }
    for (qsizetype i = commit; i < plan.steps.size(); ++i) {
        if (!swap::makeStep(folder, plan.steps.at(i), &error))
            return fail(error);
    }
    // The new files are all in: the swap is over before the new program
    // starts, which must not take it for an unfinished one.
    if (!swap::removeJournal(folder))
        return fail(tr("无法删除更新记录%1。").arg(folder + kJournal));

    if (!start(program, folderIn))
        return fail(tr("新程序%1无法启动。").arg(program));

    QFile::remove(package);
    cleanUp(folder);
    result.ok = true;
    return result;
}

} // namespace update
