#pragma once

#include "app/AppSettings.h"
#include "db/Database.h"
#include "security/Digest.h"

#include <QDateTime>
#include <QString>
#include <functional>

// Process-wide state and the small helpers every screen shares: the one
// database connection, the login identity, the existence test, the key
// filter, the grant check and the daily error log.
namespace Module1 {

// Login identity, set by a successful login.
inline QString gUserID;
inline QString gGroupID;
inline QString gUserName;

// The installation settings in use; loaded on first use.
AppSettings& settings();
void setSettings(const AppSettings& s);

// The one connection of the process.
db::Database& gConn();

// Opens a new connection with the settings (replacing the previous one) and
// brings its schema up to date. On failure shows the error's description
// followed by " ..." (exclamation icon, title "Information") and returns
// false. A failure while that box is still open shows no second box.
bool OpenConnection();
// The same, but the failure goes to the caller instead of a box: for a
// watchdog that retries every second and must not stack up boxes.
bool OpenConnection(QString* failure);

// True when at least one row of table holds value in column. Table and column
// are names of the schema, never user input. Throws db::DbError.
bool RecordExists(const QString& value, const QString& table, const QString& column);

// True when one of the current user's groups holds funcId (exact case).
// Throws db::DbError.
bool HasGrant(const QString& funcId);

// Key filter for identifier boxes: digits, ".", "/", "-" and letters (lower
// case turned upper), Enter, Backspace, Ctrl+C, Ctrl+V, Ctrl+X; 0 cancels.
int FilterIdKey(int key);

// Appends one line to today's error log. Throws std::runtime_error naming the
// path when the file cannot be written.
void WriteErrorLog(const QString& message);
// The path of today's error log.
QString ErrorLogPath();

// The workstation clock used for the error log; tests replace it.
void setClock(std::function<QDateTime()> clock);
QDateTime now();

} // namespace Module1
