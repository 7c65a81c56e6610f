#include "update/EntryRoom.h"

#include "update/SwapJournal.h"
#include "update/modZip.h"

#include <QCoreApplication>
#include <QFile>

namespace update {

QString longestInstallFolder(const QString& folder)
{
    const QString base = modZip::AddBackSlash(folder);
    const QString staging = base + swap::kStaging + QLatin1Char('/');
    const QString backup = base + swap::kBackup + QLatin1Char('/');
    return QFile::encodeName(backup).size() >= QFile::encodeName(staging).size() ? backup : staging;
}

QString entryRoomError(const QString& folder, const modZip::PackageListing& list)
{
    const QString inside = longestInstallFolder(folder);
    const qsizetype room = modZip::kMaxPathBytes - 1 - QFile::encodeName(inside).size();
    for (const QStringList* names : { &list.files, &list.folders }) {
        for (const QString& name : *names) {
            const qsizetype bytes = QFile::encodeName(name).size();
            if (bytes <= room)
                continue;
            const QString shown = name.size() <= 60 ? name : name.left(60) + QStringLiteral("…");
            return QCoreApplication::translate("update::Installer", "条目“%1”放进文件夹%2后，路径长达%3字节，超过了文件系统允许的%4字节")
                .arg(shown, inside)
                .arg(QFile::encodeName(inside).size() + bytes)
                .arg(modZip::kMaxPathBytes - 1);
        }
    }
    return QString();
}

} // namespace update
