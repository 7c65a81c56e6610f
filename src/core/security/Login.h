#pragma once

#include "db/Database.h"

#include <QString>
#include <optional>

namespace login {

struct Identity
{
    QString userId;
    QString groupId;
    QString userName;
};

// Looks the user up by id and password digest. Nothing when the id is not
// stored, the password does not match or the digest cannot take the input.
// Throws db::DbError.
std::optional<Identity> checkLogin(db::Database& db, const QString& userId, const QString& password);

} // namespace login
