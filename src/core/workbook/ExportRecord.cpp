#include "workbook/ExportRecord.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

namespace workbook {

namespace {

const QLatin1String kRecordSuffix(".written");
// A record is one short line; a larger file in its place is no record of ours.
constexpr qint64 kRecordBytes = 256;

// "size mtime-in-ms digest", or empty when the file cannot be read.
QByteArray fingerprint(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&f))
        return {};
    const QFileInfo info(path);
    return QByteArray::number(info.size()) + ' '
           + QByteArray::number(info.lastModified().toMSecsSinceEpoch()) + ' ' + hash.result().toHex();
}

} // namespace

bool recordWrittenExport(const QString& path)
{
    const QByteArray print = fingerprint(path);
    if (print.isEmpty())
        return false;
    QSaveFile record(path + kRecordSuffix);
    return record.open(QIODevice::WriteOnly) && record.write(print + '\n') == print.size() + 1 && record.commit();
}

void removeExport(const QString& path)
{
    QFile::remove(path);
    QFile::remove(path + kRecordSuffix);
}

int removeUnchangedExports(const QString& folder, const QRegularExpression& exportName, const QDateTime& now)
{
    const QDateTime limit = now.addDays(-1);
    const QDir dir(folder);
    int removed = 0;
    const QFileInfoList records = dir.entryInfoList({QStringLiteral("*") + kRecordSuffix}, QDir::Files | QDir::NoSymLinks);
    for (const QFileInfo& r : records) {
        const QString exportPath = r.absoluteFilePath().chopped(kRecordSuffix.size());
        const QFileInfo exported(exportPath);
        if (!exportName.match(exported.fileName()).hasMatch())
            continue;
        if (!exported.exists()) {
            QFile::remove(r.absoluteFilePath());
            continue;
        }
        if (exported.lastModified() >= limit)
            continue;
        QFile record(r.absoluteFilePath());
        const QByteArray recorded = record.open(QIODevice::ReadOnly) ? record.read(kRecordBytes).trimmed() : QByteArray();
        record.close();
        if (recorded.isEmpty() || fingerprint(exportPath) != recorded) {
            // The user's work now: it stays, and is no longer ours to remove.
            QFile::remove(r.absoluteFilePath());
            continue;
        }
        if (QFile::remove(exportPath)) {
            QFile::remove(r.absoluteFilePath());
            ++removed;
        }
    }
    return removed;
}

} // namespace workbook
