#include "query/Query.h"

#include "db/ResultSet.h"

namespace query {

Window defaultWindow(const QDateTime& now)
{
    const QDateTime to(now.date(), QTime(now.time().hour(), now.time().minute(), now.time().second()));
    return {QDateTime(now.date().addDays(-1), QTime(0, 0, 1)), to};
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
