#include "update/Installer.h"

#include "update/modZip.h"
#include "workbook/Workbook.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <sys/stat.h>
#include <vector>

namespace update {

namespace {

QString g_folder;

QString tr(const char* text)
{
    return QCoreApplication::translate("update::Installer", text);
}

const QString kStaging = QStringLiteral(".TROVA-update");
const QString kBackup = QStringLiteral(".TROVA-update-backup");

// The renames made so far, undone in reverse order on failure.
class Swap
{
public:
    bool move(const QString& from, const QString& to, QString* error)
    {
        if (modZip::MakeDirPath(QFileInfo(to).absolutePath(), &m_createdDirs).isEmpty() || !QFile::rename(from, to)) {
            *error = tr("无法将%1移动到%2").arg(from, to);
            return false;
        }
        m_done.push_back({from, to});
        return true;
    }

    bool makeFolder(const QString& path, QString* error)
    {
        if (modZip::MakeDirPath(path, &m_createdDirs).isEmpty()) {
            *error = tr("无法创建文件夹%1").arg(path);
            return false;
        }
        return true;
    }

    bool created(const QString& path) const { return m_createdDirs.contains(QDir::cleanPath(path)); }

    void undo()
    {
        // Reverse order: each source was vacated by its own move and is
        // free again when its turn comes.
        for (auto it = m_done.rbegin(); it != m_done.rend(); ++it)
            QFile::rename(it->second, it->first);
        m_done.clear();
        for (auto it = m_createdDirs.rbegin(); it != m_createdDirs.rend(); ++it)
            QDir().rmdir(*it);
        m_createdDirs.clear();
    }

private:
    std::vector<std::pair<QString, QString>> m_done;
    QStringList m_createdDirs;
};

// Names the install itself uses in the program folder: an entry under one of
// them would overwrite the moved-aside program, be swept away with the
// staging folders or be deleted with the package.
bool reservedName(const QString& rel)
{
    const QString first = rel.section(QLatin1Char('/'), 0, 0);
    return first == kProgramName + QLatin1Char('.') + kMovedExt || first == kStaging || first == kBackup
           || first == kPackageName;
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
    for (const QString& rel : list.files) {
        if (QFileInfo(folder + rel).isDir())
            return tr("文件“%1”会替换同名的文件夹").arg(rel);
    }
    for (const QString& rel : list.folders) {
        const QFileInfo there(folder + rel);
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
    else if (::stat(QFile::encodeName(replaced).constData(), &st) == 0 && S_ISREG(st.st_mode))
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

InstallResult installPackage(const QString& folderIn, const Starter& start)
{
    InstallResult result;
    const QString folder = modZip::AddBackSlash(folderIn);
    const QString package = folder + kPackageName;
    const QString program = folder + kProgramName;
    const QString moved = modZip::ChangeFileExt(program, kMovedExt);
    const QString staging = folder + kStaging;
    const QString backup = folder + kBackup;
    auto cleanUp = [&] {
        QDir(staging).removeRecursively();
        QDir(backup).removeRecursively();
    };
    Swap swap;
    auto fail = [&](const QString& error) {
        swap.undo();
        cleanUp();
        result.error = error;
        return result;
    };
    auto refuse = [&](const QString& why) { return fail(tr("无法安装更新文件：%1。").arg(why)); };

    if (!QFileInfo(package).isFile()) {
        result.error = tr("找不到更新文件%1。").arg(package);
        return result;
    }
    cleanUp();

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
    if (modZip::MakeDirPath(staging).isEmpty() || ::chmod(QFile::encodeName(staging).constData(), S_IRWXU) != 0)
        return refuse(tr("无法创建文件夹%1").arg(staging));
    const modZip::UnzipResult unzipped = modZip::UnzipToFolder(staging, package);
    if (!unzipped.ok)
        return refuse(unzipped.error);
    for (qsizetype i = 0; i < unzipped.files.size(); ++i) {
        const QString& rel = unzipped.files.at(i);
        const QString staged = staging + QLatin1Char('/') + rel;
        if (::chmod(QFile::encodeName(staged).constData(), modeFor(rel, unzipped.modes.at(i), folder + rel)) != 0)
            return refuse(tr("无法设置%1的权限").arg(staged));
    }
    if (modZip::MakeDirPath(backup).isEmpty())
        return refuse(tr("无法创建文件夹%1").arg(backup));

    QString error;
    // The copy moved aside by the previous update makes room; it comes back
    // if this install fails.
    if (QFileInfo::exists(moved) && !swap.move(moved, backup + QLatin1Char('/') + modZip::GetFileName(moved), &error))
        return fail(error);
    if (QFileInfo::exists(program) && !swap.move(program, moved, &error))
        return fail(error);
    for (const QString& rel : unzipped.files) {
        const QString target = folder + rel;
        if (QFileInfo::exists(target) && !swap.move(target, backup + QLatin1Char('/') + rel, &error))
            return fail(error);
        if (!swap.move(staging + QLatin1Char('/') + rel, target, &error))
            return fail(error);
    }
    // Folders the package holds only as folder entries.
    for (const QString& rel : unzipped.folders) {
        if (!swap.makeFolder(folder + rel, &error))
            return fail(error);
    }
    // Those it made take their entries' bits; folders already there keep
    // their own.
    for (qsizetype i = 0; i < unzipped.folders.size(); ++i) {
        const QString made = folder + unzipped.folders.at(i);
        const int bits = unzipped.folderModes.at(i);
        if (bits >= 0 && swap.created(made)
            && ::chmod(QFile::encodeName(made).constData(), folderModeFor(bits)) != 0)
            return refuse(tr("无法设置%1的权限").arg(made));
    }

    if (!start(program, folderIn))
        return fail(tr("新程序%1无法启动。").arg(program));

    QFile::remove(package);
    cleanUp();
    result.ok = true;
    return result;
}

} // namespace update
