#include "terminal/HistoryLines.h"

namespace monitor {

namespace history {

QString Now(const QDateTime& t)
{
    return t.toString(QStringLiteral("MM/dd/yyyy HH:mm:ss"));
}

QString Time(const QDateTime& t)
{
    return t.toString(QStringLiteral("HH:mm:ss"));
}

QString Connected(const QDateTime& t, const QString& remoteIp)
{
    return Now(t) + QStringLiteral("  ") + remoteIp + QStringLiteral("  TCP connect ok");
}

QString SocketError(const QString& remoteHost, const QString& description)
{
    return QStringLiteral("IP:") + remoteHost + QStringLiteral(" Error= ") + description;
}

QString Rejection(const QDateTime& t, int code, const QString& node)
{
    static const char* const kTexts[] = {",User error!",          ",Part No error!",
                                         ",Initialization error!", ",Panel No error!",
                                         ",Machine/Module/Slot error!", ",Component error!"};
    if (code >= 1 && code <= 6)
        return Time(t) + QLatin1String(kTexts[code - 1]);
    if (code == 7)
        return Time(t) + QStringLiteral(",Connet error!") + QStringLiteral("  DT200->") + node;
    return QString();
}

QString Data(const QDateTime& t, const QString& data, const QString& remoteIp, const QString& node)
{
    const QString shown = data.size() <= kMaxDataText
                              ? data
                              : data.left(kMaxDataText) + QStringLiteral("... (cut from %1 characters)").arg(data.size());
    return Time(t) + QStringLiteral(", Data= ") + shown + QStringLiteral("  from  ") + remoteIp
           + QStringLiteral("  DT200->") + node;
}

QString FramesDropped(const QDateTime& t, const QString& remoteIp)
{
    return Time(t) + QStringLiteral(", Too many frames waiting: frames dropped  from  ") + remoteIp;
}

QString DatabaseDown(const QDateTime& t, const QString& description)
{
    // Drivers write their text over several lines; the list shows one.
    QString flat = description;
    for (QChar& c : flat) {
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QLatin1Char('\t'))
            c = QLatin1Char(' ');
    }
    return Now(t) + QStringLiteral("  Database Error= ") + flat;
}

QString DatabaseBack(const QDateTime& t)
{
    return Now(t) + QStringLiteral("  Database connect ok");
}

} // namespace history

} // namespace monitor
