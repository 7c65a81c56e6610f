#include "update/Installer.h"

#include "update/modZip.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
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

bool makeParent(const QString& path, std::vector<QString>* created)
{
    QDir dir = QFileInfo(path).absoluteDir();
    QStringList missing;
    while (!dir.exists()) {
        missing.prepend(dir.absolutePath());
        if (!dir.cdUp())
            break;
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
        if (!makeParent(to, &m_createdDirs) || !QFile::rename(from, to)) {
            *error = tr("cannot move %1 to %2").arg(from, to);
            return false;
        }
        m_done.push_back({from, to});
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

void makeRunnable(const QString& path)
{
    QFile f(path);
    QFileDevice::Permissions p = f.permissions() | QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                 | QFileDevice::ExeOwner | QFileDevice::ReadUser | QFileDevice::ExeUser;
    if (p & QFileDevice::ReadGroup)
        p |= QFileDevice::ExeGroup;
    if (p & QFileDevice::ReadOther)
        p |= QFileDevice::ExeOther;
    f.setPermissions(p);
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

    if (!QFileInfo(package).isFile()) {
        result.error = tr("There is no package %1.").arg(package);
        return result;
    }
    cleanUp();

    // Everything is unpacked and checked before anything in the folder moves.
    const modZip::UnzipResult unzipped = modZip::UnzipToFolder(staging, package);
    if (!unzipped.ok) {
        cleanUp();
        result.error = tr("The package cannot be installed: %1.").arg(unzipped.error);
        return result;
    }
    if (!unzipped.files.contains(kProgramName)) {
        cleanUp();
        result.error = tr("The package holds no program %1.").arg(kProgramName);
        return result;
    }
    if (unzipped.files.contains(modZip::GetFileName(moved)) || !QDir().mkpath(backup)) {
        cleanUp();
        result.error = tr("The package cannot be installed: %1.").arg(tr("it would replace the moved-aside program"));
        return result;
    }

    Swap swap;
    auto fail = [&](const QString& error) {
        swap.undo();
        cleanUp();
        result.error = error;
        return result;
    };
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
    makeRunnable(program);

    if (!start(program, folderIn))
        return fail(tr("The new program %1 does not start.").arg(program));

    QFile::remove(package);
    cleanUp();
    result.ok = true;
    return result;
}

} // namespace update
