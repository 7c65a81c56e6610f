#pragma once

#include "db/Database.h"

#include <QString>

// The installation's settings: where the database is, where the daily error
// log goes, the update server and the gateway port. Read from an INI file;
// each value can be overridden by an environment variable, so a test or a
// plant installation can point the program anywhere without editing files.
struct AppSettings
{
    db::ConnectionSettings connection;
    QString logFolder;
    QString updateBaseUrl; // empty: no update server, the version check is skipped
    int gatewayPort = 4660;

    // The INI file: $TROVA_CONFIG, else "trova.ini" in the user's config folder.
    static QString iniPath();
    static AppSettings load();
    // The embedded default: an SQLite file in the user's data folder.
    static QString defaultDatabaseFile();
};
