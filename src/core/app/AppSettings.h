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

    // The INI file: $TROVA_CONFIG, else ~/.config/TROVA/trova.ini (the
    // folders are the XDG config and data folders, ~/.config and
    // ~/.local/share unless the environment names others).
    static QString iniPath();
    static AppSettings load();
    // The embedded default, ~/.local/share/TROVA/trova.db; the daily error
    // log goes to the same folder. Neither depends on the running program.
    static QString defaultDatabaseFile();
};
