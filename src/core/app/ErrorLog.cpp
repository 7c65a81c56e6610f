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
    const QByteArray line = (now.time().toString(QStringLiteral("HH:mm:ss")) + QStringLiteral("  ") + message
                             + QStringLiteral("\r\n"))
                                .toUtf8();
    const auto lost = [&](const QString& reason) {
        return std::runtime_error(QStringLiteral("The error log %1 cannot be written: %2. 1 line was lost: %3")
                                      .arg(QDir::toNativeSeparators(path), reason, message)
                                      .toStdString());
    };
    // Unbuffered: a write the disk refuses fails here, not unseen in the close.
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        throw lost(f.errorString());
    const qint64 before = f.size();
    for (qint64 done = 0; done < line.size();) {
        const qint64 n = f.write(line.constData() + done, line.size() - done);
        if (n <= 0) {
            const QString reason = f.errorString();
            // The log keeps whole lines: a cut one would run into the next.
            f.resize(before);
            throw lost(reason);
        }
        done += n;
    }
}

} // namespace ErrorLog
