#include "material/LinkId.h"

namespace material {

LinkIdsUsedUp::LinkIdsUsedUp(const QString& prefix)
    : std::runtime_error(QStringLiteral("No Link ID is left for %1: %1%2 has been given. "
                                        "No more lots of this type can be registered today.")
                             .arg(prefix)
                             .arg(kLastSequence)
                             .toStdString())
{
}

QString LinkPrefix(LotType type, const QDate& serverDate)
{
    return QStringLiteral("%1%2%3%4")
        .arg(type == LotType::PCBA ? 1 : 0)
        .arg(serverDate.year() % 10)
        .arg(serverDate.month(), 2, 10, QLatin1Char('0'))
        .arg(serverDate.day(), 2, 10, QLatin1Char('0'));
}

QString NextAfter(const QString& prefix, const QString& highest)
{
    if (highest.isEmpty())
        return prefix + QStringLiteral("0001");
    // The sequence is the last four characters of the highest identifier.
    const int last = highest.right(4).toInt();
    if (last >= kLastSequence)
        throw LinkIdsUsedUp(prefix);
    return highest.left(kPrefixLength) + QStringLiteral("%1").arg(last + 1, 4, 10, QLatin1Char('0'));
}

QString HighestLinkId(db::Database& db, const QString& prefix)
{
    // The identifiers that begin with the prefix are exactly those from the
    // prefix up to the prefix with its last character raised by one (byte
    // order on both engines). A range uses the key's index where LIKE would
    // read the whole table.
    QString upper = prefix;
    upper[upper.size() - 1] = QChar(upper.at(upper.size() - 1).unicode() + 1);
    return db.scalar(QStringLiteral("select max(link_id) from component_link where link_id >= ? and link_id < ?"),
                     {prefix, upper})
        .toString();
}

QString NextLinkId(db::Database& db, LotType type)
{
    // The prefix from the server's date and its highest identifier in one
    // round trip; ":" follows "9", so the range holds every identifier that
    // begins with the prefix.
    db::ResultSet rs = db.query(
        QStringLiteral("select p.prefix, (select max(link_id) from component_link "
                       "where link_id >= p.prefix and link_id < p.prefix || ':') from (select ? || %1 as prefix) p")
            .arg(db.dialect().dateCode()),
        {type == LotType::PCBA ? QStringLiteral("1") : QStringLiteral("0")});
    const QString prefix = rs.text(0);
    if (prefix.size() != kPrefixLength)
        throw db::DbError(db::ErrorKind::Other, QStringLiteral("The database server did not give its date"));
    return NextAfter(prefix, rs.text(1));
}

LotType TypeOf(const QString& linkId)
{
    return linkId.startsWith(QLatin1Char('1')) ? LotType::PCBA : LotType::FPCA;
}

} // namespace material
