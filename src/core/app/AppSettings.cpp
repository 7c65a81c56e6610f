#include "app/AppSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {

QString env(const char* name)
{
    return qEnvironmentVariable(name);
}

// The folders are named for the system, not for the running program: the
// program and its tools (the gateway simulator) meet on one database and one
// settings file.
const QString kFolder = QStringLiteral("/TROVA");

QString dataFolder()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dir.isEmpty())
        dir = QDir::homePath() + QStringLiteral("/.local/share");
    return dir + kFolder;
}

} // namespace

QString AppSettings::iniPath()
{
    const QString fromEnv = env("TROVA_CONFIG");
    if (!fromEnv.isEmpty())
        return fromEnv;
    QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (dir.isEmpty())
        dir = QDir::homePath() + QStringLiteral("/.config");
    return dir + kFolder + QStringLiteral("/trova.ini");
}

QString AppSettings::defaultDatabaseFile()
{
    return dataFolder() + QStringLiteral("/trova.db");
}

AppSettings AppSettings::load()
{
    AppSettings s;
    QSettings ini(iniPath(), QSettings::IniFormat);

    auto pick = [&ini](const char* envName, const QString& key, const QString& fallback) {
        const QString e = env(envName);
        if (!e.isEmpty())
            return e;
        return ini.value(key, fallback).toString();
    };

    s.connection.driver = pick("TROVA_DB_DRIVER", QStringLiteral("Database/Driver"), QStringLiteral("QSQLITE"));
    s.connection.host = pick("TROVA_DB_HOST", QStringLiteral("Database/Host"), QString());
    s.connection.port = pick("TROVA_DB_PORT", QStringLiteral("Database/Port"), QStringLiteral("0")).toInt();
    s.connection.user = pick("TROVA_DB_USER", QStringLiteral("Database/User"), QString());
    s.connection.password = pick("TROVA_DB_PASSWORD", QStringLiteral("Database/Password"), QString());
    const bool sqlite = s.connection.driver != QLatin1String("QPSQL");
    s.connection.database = pick("TROVA_DB_NAME", QStringLiteral("Database/Name"),
                                 sqlite ? defaultDatabaseFile() : QStringLiteral("trova"));
    if (sqlite) {
        const QString folder = QFileInfo(s.connection.database).absolutePath();
        QDir().mkpath(folder);
    }
    s.logFolder = pick("TROVA_LOG_DIR", QStringLiteral("Paths/LogFolder"), dataFolder());
    s.updateBaseUrl = pick("TROVA_UPDATE_URL", QStringLiteral("Update/BaseUrl"), QString());
    bool ok = false;
    const int port = pick("TROVA_GATEWAY_PORT", QStringLiteral("Gateway/Port"), QStringLiteral("4660")).toInt(&ok);
    s.gatewayPort = (ok && port > 0 && port < 65536) ? port : 4660;
    return s;
}
