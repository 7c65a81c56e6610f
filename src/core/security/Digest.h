#pragma once

#include <QString>
#include <optional>

namespace Module1 {

// Eight-digit password digest of a user id and a password, the only form in
// which passwords are stored and compared. Case and surrounding blanks of the
// inputs do not count. Returns nothing for input the digest cannot process
// (empty after trimming, a blank that leaves a cell unfilled, a character
// outside Windows-1252, a sum beyond 32 bits); callers treat that as a wrong
// user id or password.
std::optional<QString> Encode(const QString& userId, const QString& password);

// Code of a character in Windows-1252, or -1 when it has none.
int windows1252Code(QChar c);

} // namespace Module1
