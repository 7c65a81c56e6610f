#pragma once

#include "db/Database.h"

#include <QList>
#include <QString>
#include <QTemporaryDir>

// What the benchmark programs share: where their data lives and which
// engines they run on.
namespace bench {

// A database of the benchmark's own: an SQLite file in a temporary folder, or
// a database on the test PostgreSQL (C collation) that is dropped again when
// this goes. Close every connection to it first.
class ScratchDatabase
{
public:
    // tag names the PostgreSQL database, so that programs run side by side
    // do not meet.
    ScratchDatabase(bool postgres, const QString& tag);
    ~ScratchDatabase();
    ScratchDatabase(const ScratchDatabase&) = delete;
    ScratchDatabase& operator=(const ScratchDatabase&) = delete;

    const db::ConnectionSettings& settings() const { return m_settings; }
    // A folder for the benchmark's other files (the error log).
    QString folder() const { return m_dir.path(); }

    // Opens db on this database with the schema; a benchmark cannot go on
    // without it, so a failure ends the program.
    void open(db::Database& db) const;
    // The same for the program's shared connection, with the program's
    // settings (error log in folder()) pointing here, as the screens expect.
    void openAsProgramDatabase() const;

private:
    QTemporaryDir m_dir;
    QString m_pgName;
    db::ConnectionSettings m_settings;
};

// SQLite always; PostgreSQL too when TROVA_TEST_PG_HOST names a server.
QList<bool> engines();
inline const char* engineName(bool postgres)
{
    return postgres ? "postgres" : "sqlite";
}

} // namespace bench
