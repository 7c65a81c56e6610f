#pragma once

#include "db/Database.h"

#include <QString>
#include <QStringList>

// The rules and writes of the user-security screens that need no window:
// who may touch the reserved identifiers, changing and resetting a password,
// and rewriting a group's grants.
namespace accounts {

// The system administrator's user and group id, and the administrators' group.
inline const QString kSysAdmin = QStringLiteral("SYSADMIN");
inline const QString kAdmin = QStringLiteral("ADMIN");

// The group SYSADMIN is offered, shown and edited only for its own members.
bool mayHandleGroup(const QString& groupId, const QString& myGroup);
// Only members of SYSADMIN or ADMIN may put a user into ADMIN.
bool mayAssignGroup(const QString& groupId, const QString& myGroup);
// A user of ADMIN or SYSADMIN is edited only by those who may assign that group.
bool mayEditUserOf(const QString& userGroup, const QString& myGroup);
// The user SYSADMIN is never deleted (blanks around the id do not count).
bool mayDeleteUser(const QString& userId);
// Only the user SYSADMIN may reset SYSADMIN's password.
bool mayResetPassword(const QString& userId, const QString& myUserId);

enum class ChangeResult {
    Changed,
    OldMismatch, // the old password is not the stored one (or cannot be digested)
    NewRefused, // the digest cannot take the new password
    NotStored, // no row was changed: the user is gone
};

// Changes the user's password after checking the old one. The user id is
// used as stored; the digest ignores its case. Throws db::DbError.
ChangeResult changePassword(db::Database& db, const QString& userId, const QString& oldPassword,
                            const QString& newPassword);

enum class ResetResult {
    Reset,
    Refused, // the digest cannot take the user id
    NotStored, // no such user
};

// Sets the user's password back to the user id. Throws db::DbError.
ResetResult resetPassword(db::Database& db, const QString& userId);

// Replaces the group's grants by codes, all or nothing: on a failure the
// previous grants stay as they were. Throws db::DbError.
void rewriteGrants(db::Database& db, const QString& groupId, const QStringList& codes, const QString& updateUser);

} // namespace accounts
