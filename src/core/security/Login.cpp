#include "security/Login.h"

#include "security/Digest.h"

namespace login {

std::optional<Identity> checkLogin(db::Database& db, const QString& userId, const QString& password)
{
    const std::optional<QString> digest = Module1::Encode(userId, password);
    if (!digest)
        return std::nullopt;
    db::ResultSet rs = db.query(QStringLiteral("Select * from User_List Where User_ID = ? And Password = ?"),
                                {userId, *digest});
    if (rs.eof())
        return std::nullopt;
    return Identity{rs.text(QStringLiteral("User_id")), rs.text(QStringLiteral("Group_id")),
                    rs.text(QStringLiteral("user_name"))};
}

} // namespace login
