#include "TestFiles.h"

#include "workbook/Workbook.h"
#include "workbook/WorkbookExport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>

#include <sys/stat.h>

namespace testing {

namespace {

    class Rows : public workbook::TableSource {
    public:
        explicit Rows(const QList<QStringList>& rows)
            : m_rows(rows)
        {
        }
        int rowCount() const override { return int(m_rows.size()) - 1; }
        int columnCount() const override { return m_rows.isEmpty() ? 0 : int(m_rows[0].size()); }
        QString header(int column) const override { return m_rows[0].value(column); }
        QString text(int row, int column) const override { return m_rows[row + 1].value(column); }

    private:
        QList<QStringList> m_rows;
    };

} // namespace

QString dataFile(const QString& name) { return QDir(QStringLiteral(TROVA_TEST_DATA)).filePath(name); }

QString writeSheet(const QString& path, const QList<QStringList>& rows)
{
    QString error;
    if (!workbook::writeExport(Rows(rows), workbook::SourceKind::List, {}, path, &error))
        qFatal("cannot write %s: %s", qPrintable(path), qPrintable(error));
    return path;
}

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

QString slowReader(const QString& folder, int seconds)
{
    const QString path = QDir(folder).filePath(QStringLiteral("slow-reader"));
    const QString script
        = QStringLiteral("#!/bin/sh\nsleep %1\nexec '%2' \"$@\"\n").arg(seconds).arg(workbook::readerProgram());
    return writeFile(path, script.toUtf8(), 0700) ? path : QString();
}

int fileMode(const QString& path)
{
    struct stat st { };
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

QStringList folderTree(const QString& root, bool details)
{
    QStringList out;
    QDirIterator it(
        root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
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
