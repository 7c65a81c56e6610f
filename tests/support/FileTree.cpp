#include "FileTree.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace testing {

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

bool writeFile(const QString& path, const QByteArray& data, int mode)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size())
        return false;
    f.close();
    return mode < 0 || ::chmod(QFile::encodeName(path).constData(), mode_t(mode)) == 0;
}

int fileMode(const QString& path)
{
    struct stat st{};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

QStringList folderTree(const QString& root, bool details)
{
    QStringList out;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QString line = QDir(root).relativeFilePath(path);
        if (it.fileInfo().isDir() && !it.fileInfo().isSymLink())
            line += QLatin1Char('/');
        else if (details)
            line += QStringLiteral(" %1 %2")
                        .arg(fileMode(path), 4, 8, QLatin1Char('0'))
                        .arg(QString::fromLatin1(
                            QCryptographicHash::hash(fileBytes(path), QCryptographicHash::Sha1).toHex().left(12)));
        out << line;
    }
    out.sort();
    return out;
}

} // namespace testing
