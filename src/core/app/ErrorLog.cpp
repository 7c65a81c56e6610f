#include "app/ErrorLog.h"

#include <QDir>
#include <QFile>
#include <stdexcept>

namespace ErrorLog {

QString fileNameFor(const QDate& day)
{
    return QStringLiteral("TROVA_%1%2%3.Log").arg(day.year()).arg(day.month()).arg(day.day());
}

QString pathFor(const QString& folder, const QDate& day)
{
    return QDir(folder).filePath(fileNameFor(day));
}

void write(const QString& folder, const QString& message, const QDateTime& now)
{
    QDir().mkpath(folder);
    const QString path = pathFor(folder, now.date());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append)) {
        throw std::runtime_error(
            QStringLiteral("Cannot write the error log %1: %2").arg(path, f.errorString()).toStdString());
    }
    const QByteArray line = (now.time().toString(QStringLiteral("HH:mm:ss")) + QStringLiteral("  ") + message
                             + QStringLiteral("\r\n"))
                                .toUtf8();
    if (f.write(line) != line.size()) {
        throw std::runtime_error(
            QStringLiteral("Cannot write the error log %1: %2").arg(path, f.errorString()).toStdString());
    }
}

} // namespace ErrorLog
