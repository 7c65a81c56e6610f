#pragma once

#include "db/Database.h"

#include <QDate>
#include <QString>
#include <stdexcept>

// Link identifiers of registered component lots: ten digits, the type digit,
// the last digit of the server's year, month and day, then a four-digit
// sequence per prefix. The identifier is printed on the reel's label and is
// all the terminal monitor finds the lot by, so no two lots may share one.
namespace material {

enum class LotType {
    FPCA, // type digit "0"
    PCBA, // type digit "1"
};

constexpr int kPrefixLength = 6;
constexpr int kLastSequence = 9999;

// Refusal to make an identifier past the last sequence number of a prefix;
// what() is the message for the user.
class LinkIdsUsedUp : public std::runtime_error
{
public:
    explicit LinkIdsUsedUp(const QString& prefix);
    QString message() const { return QString::fromUtf8(what()); }
};

// The six leading characters for a type and a server date.
QString LinkPrefix(LotType type, const QDate& serverDate);

// The identifier that follows the highest stored one of the prefix:
// prefix + "0001" when there is none. Throws LinkIdsUsedUp when the highest
// already ends in 9999.
QString NextAfter(const QString& prefix, const QString& highest);

// The highest stored identifier that begins with the prefix (string order);
// empty when there is none. Throws db::DbError.
QString HighestLinkId(db::Database& db, const QString& prefix);

// The identifier New proposes: the next one of the type's prefix for the
// database server's current date. Not reserved: Save confirms it. Throws
// db::DbError and LinkIdsUsedUp.
QString NextLinkId(db::Database& db, LotType type);

// The type an identifier stands for: PCBA when it begins with "1".
LotType TypeOf(const QString& linkId);

} // namespace material
