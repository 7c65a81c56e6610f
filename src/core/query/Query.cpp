#include "query/Query.h"

#include "db/ResultSet.h"

#include <algorithm>

namespace query {

Window defaultWindow(const QDateTime& now)
{
    const QDateTime to(now.date(), QTime(now.time().hour(), now.time().minute(), now.time().second()));
    return {QDateTime(now.date().addDays(-1), QTime(0, 0, 1)), to};
}

QVector<Window> windowParts(const Window& window, int hours, bool newestFirst)
{
    QVector<Window> out;
    // Times are kept to the second, so parts that end one second before the
    // next begins leave nothing out.
    QDateTime end = window.to;
    while (end >= window.from) {
        Window part{std::max(window.from, end.addSecs(-3600 * qint64(hours) + 1)), end};
        out << part;
        end = part.from.addSecs(-1);
    }
    if (!newestFirst)
        std::reverse(out.begin(), out.end());
    return out;
}

QVector<Statement> inParts(const Window& window, int hours, bool newestFirst,
                           const std::function<Statement(const Window&)>& make)
{
    QVector<Statement> out;
    for (const Window& w : windowParts(window, hours, newestFirst))
        out << make(w);
    return out;
}

QString shown(const QVariant& v)
{
    return db::ResultSet::toText(v);
}

QString shownTime(const QVariant& v)
{
    const QDateTime t = db::ResultSet::toDateTime(v);
    return t.isValid() ? t.toString(QStringLiteral("MM/dd/yyyy HH:mm:ss")) : shown(v);
}

Statement distinctList(const char* sql, const QVariantList& params)
{
    return {QString::fromLatin1(sql), params};
}

} // namespace query
