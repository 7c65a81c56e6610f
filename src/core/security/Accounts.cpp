#include "security/Accounts.h"

#include "security/Digest.h"

namespace accounts {

bool mayHandleGroup(const QString& groupId, const QString& myGroup)
{
    return groupId != kSysAdmin || myGroup == kSysAdmin;
}

bool mayAssignGroup(const QString& groupId, const QString& myGroup)
{
    if (groupId == kAdmin)
        return myGroup == kSysAdmin || myGroup == kAdmin;
    return mayHandleGroup(groupId, myGroup);
}

bool mayEditUserOf(const QString& userGroup, const QString& myGroup)
{
    return mayAssignGroup(userGroup, myGroup);
}

bool mayDeleteUser(const QString& userId)
{
    return userId.trimmed() != kSysAdmin;
}

bool mayResetPassword(const QString& userId, const QString& myUserId)
{
    return userId.trimmed() != kSysAdmin || myUserId == kSysAdmin;
}

ChangeResult changePassword(db::Database& db, const QString& userId, const QString& oldPassword,
                            const QString& newPassword)
{
    // An old password the digest cannot take matches no stored digest: every
    // stored one was made from a text it could take.
    const std::optional<QString> oldDigest = Module1::Encode(userId, oldPassword);
    if (!oldDigest)
        return ChangeResult::OldMismatch;
    if (db.count(QStringLiteral("select count(*) from user_list where user_id = ? and password = ?"),
                 {userId, *oldDigest})
        == 0)
        return ChangeResult::OldMismatch;
    const std::optional<QString> newDigest = Module1::Encode(userId, newPassword);
    if (!newDigest)
        return ChangeResult::NewRefused;
    const int changed =
        db.exec(QStringLiteral("update user_list set password = ? where user_id = ?"), {*newDigest, userId});
    return changed > 0 ? ChangeResult::Changed : ChangeResult::NotStored;
}

ResetResult resetPassword(db::Database& db, const QString& userId)
{
    const std::optional<QString> digest = Module1::Encode(userId, userId);
    if (!digest)
        return ResetResult::Refused;
    const int changed =
        db.exec(QStringLiteral("update user_list set password = ? where user_id = ?"), {*digest, userId});
    return changed > 0 ? ResetResult::Reset : ResetResult::NotStored;
}

void rewriteGrants(db::Database& db, const QString& groupId, const QStringList& codes, const QString& updateUser)
{
    db::Transaction tx(db);
    db.exec(QStringLiteral("delete from function_grant where group_id = ?"), {groupId});
    for (const QString& code : codes) {
        db.exec(QStringLiteral("insert into function_grant (func_id, group_id, update_user, update_time) "
                               "values (?, ?, ?, sysdate)"),
                {code, groupId, updateUser});
    }
    tx.commit();
}

} // namespace accounts
