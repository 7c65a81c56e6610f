#include "app/Module1.h"

#include "app/ErrorLog.h"
#include "app/MessageLayer.h"
#include "db/Schema.h"

#include <QRegularExpression>
#include <optional>

namespace Module1 {

namespace {

std::optional<AppSettings> g_settings;
std::function<QDateTime()> g_clock;
bool g_connectionBoxOpen = false;

bool isIdentifier(const QString& s)
{
    static const QRegularExpression re(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return re.match(s).hasMatch();
}

} // namespace

AppSettings& settings()
{
    if (!g_settings)
        g_settings = AppSettings::load();
    return *g_settings;
}

void setSettings(const AppSettings& s)
{
    g_settings = s;
}

db::Database& gConn()
{
    // Never destroyed: the driver registry it depends on is a static of its
    // own, torn down in no particular order. Exit paths close it instead.
    static db::Database* conn = new db::Database;
    return *conn;
}

bool OpenConnection(QString* failure)
{
    QString error;
    bool ok = gConn().open(settings().connection, &error);
    if (ok) {
        try {
            schema::ensure(gConn());
        } catch (const db::DbError& e) {
            error = e.text();
            ok = false;
        }
    }
    if (!ok && failure)
        *failure = error;
    return ok;
}

bool OpenConnection()
{
    QString error;
    if (OpenConnection(&error))
        return true;
    if (!g_connectionBoxOpen) {
        g_connectionBoxOpen = true;
        msg::exclamation(error + QStringLiteral(" ..."));
        g_connectionBoxOpen = false;
    }
    return false;
}

bool RecordExists(const QString& value, const QString& table, const QString& column)
{
    Q_ASSERT(isIdentifier(table) && isIdentifier(column));
    if (!isIdentifier(table) || !isIdentifier(column))
        throw db::DbError(db::ErrorKind::Other, QStringLiteral("Invalid table or column name"));
    return gConn().count(QStringLiteral("Select count(*) from %1 where %2 = ?").arg(table, column), {value}) > 0;
}

bool HasGrant(const QString& funcId)
{
    return gConn().count(QStringLiteral("select count(*) from function_grant where group_id in "
                                        "(select group_id from user_list where user_id = ?) and func_id = ?"),
                         {gUserID, funcId})
        > 0;
}

int FilterIdKey(int key)
{
    if (key >= 46 && key <= 57)
        return key;
    if (key >= 97 && key <= 122)
        return key - 32;
    switch (key) {
    case 45:
    case 13:
    case 8:
    case 24:
    case 22:
    case 3:
        return key;
    default:
        break;
    }
    if (key >= 65 && key <= 90)
        return key;
    return 0;
}

void setClock(std::function<QDateTime()> clock)
{
    g_clock = std::move(clock);
}

QDateTime now()
{
    return g_clock ? g_clock() : QDateTime::currentDateTime();
}

void WriteErrorLog(const QString& message)
{
    ErrorLog::write(settings().logFolder, message, now());
}

QString ErrorLogPath()
{
    return ErrorLog::pathFor(settings().logFolder, now().date());
}

} // namespace Module1
