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

// Creates dir and any missing folder above it, noting each one made.
bool makeFolders(const QString& dirPath, std::vector<QString>* created)
{
    QStringList missing;
    for (QString at = QDir::cleanPath(dirPath); !QFileInfo(at).isDir(); at = QFileInfo(at).path()) {
        if (QFileInfo::exists(at) || missing.contains(at))
            return false; // a file in the way, or the root is missing
        missing.prepend(at);
    }
    for (const QString& m : missing) {
        if (!QDir().mkdir(m))
            return false;
        created->push_back(m);
    }
    return true;
}

// The renames made so far, undone in reverse order on failure.
class Swap
{
public:
    bool move(const QString& from, const QString& to, QString* error)
    {
        if (!makeFolders(QFileInfo(to).absolutePath(), &m_createdDirs) || !QFile::rename(from, to)) {
            *error = tr("cannot move %1 to %2").arg(from, to);
            return false;
        }
        m_done.push_back({from, to});
        return true;
    }

    bool makeFolder(const QString& path, QString* error)
    {
        if (!makeFolders(path, &m_createdDirs)) {
            *error = tr("cannot create the folder %1").arg(path);
            return false;
        }
        return true;
    }

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
    std::vector<QString> m_createdDirs;
};

// Names the install itself uses in the program folder: an entry under one of
// them would overwrite the moved-aside program or be swept away with the
// staging folders.
bool reservedName(const QString& rel)
{
    const QString first = rel.section(QLatin1Char('/'), 0, 0);
    return first == kProgramName + QLatin1Char('.') + kMovedExt || first == kStaging || first == kBackup;
}

// A new file's mode: the permission bits its entry carries, else those of
// the file it replaces, else rw-r--r--; never writable by group or others,
// who could otherwise replace the program. The program and its workbook reader
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
    if (rel == kProgramName || rel == workbook::kReaderProgramName) {
        mode |= S_IRWXU;
        if (mode & S_IRGRP)
            mode |= S_IXGRP;
        if (mode & S_IROTH)
            mode |= S_IXOTH;
    }
    return mode;
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
    auto refuse = [&](const QString& why) { return fail(tr("The package cannot be installed: %1.").arg(why)); };

    if (!QFileInfo(package).isFile()) {
        result.error = tr("There is no package %1.").arg(package);
        return result;
    }
    cleanUp();

    // Everything is unpacked and checked before anything in the folder moves.
    const modZip::UnzipResult unzipped = modZip::UnzipToFolder(staging, package);
    if (!unzipped.ok)
        return refuse(unzipped.error);
    if (!unzipped.files.contains(kProgramName))
        return fail(tr("The package holds no program %1.").arg(kProgramName));
    for (const QString& rel : unzipped.files + unzipped.folders) {
        if (reservedName(rel))
            return refuse(tr("the entry \"%1\" takes a name the install needs for itself").arg(rel));
    }
    for (qsizetype i = 0; i < unzipped.files.size(); ++i) {
        const QString& rel = unzipped.files.at(i);
        const QString staged = staging + QLatin1Char('/') + rel;
        if (::chmod(QFile::encodeName(staged).constData(), modeFor(rel, unzipped.modes.at(i), folder + rel)) != 0)
            return refuse(tr("cannot set the mode of %1").arg(staged));
    }
    if (!QDir().mkpath(backup))
        return refuse(tr("cannot create the folder %1").arg(backup));

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

    if (!start(program, folderIn))
        return fail(tr("The new program %1 does not start.").arg(program));

    QFile::remove(package);
    cleanUp();
    result.ok = true;
    return result;
}

} // namespace update
