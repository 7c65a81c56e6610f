#pragma once

#include "ScriptedPrompter.h"
#include "db/Database.h"

#include <QObject>
#include <QString>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

// Database tests run once on SQLite and once on PostgreSQL. A class derives
// from testdb::Case: each test function then gets a fresh database with the
// schema and the seed rows, reached through Module1::gConn().
// Without a configured PostgreSQL (TROVA_TEST_PG_HOST and friends) the
// PostgreSQL rows are skipped, never passed.
namespace testdb {

void addBackendRows();
bool postgresConfigured();
// Points Module1's settings at a fresh database of the backend, opens the
// connection and creates the schema. Also gives each test its own log folder.
void fresh(const QString& backend);
// Opens the program's connection to the database of Module1's settings as
// the program does, for a test's own set-up. The program gives a server
// session a few seconds to start; a busy machine may take longer, which is
// not what a test checks, so this tries again for up to a minute. False,
// with the last reason in *error, when it never opened.
bool openProgramConnection(QString* error = nullptr);
// The settings of the last fresh database, for a test that opens a second
// connection.
db::ConnectionSettings lastSettings();
QString logFolder();

// Another workstation: work run on a connection of its own to the last fresh
// database, in a thread of its own, while the test's connection holds its
// transaction. finish() waits for it and gives its failure, empty when none.
class SecondConnection
{
public:
    explicit SecondConnection(std::function<void(db::Database&)> work);
    ~SecondConnection();
    QString finish();

private:
    QString m_failure;
    std::thread m_thread;
};

// Another workstation holding a table of the last fresh database: on the
// server engine nobody else reads or writes it, on SQLite (whose readers
// never wait) nobody else writes the file. Held until release() or the end
// of the scope, 20 s at most, so that a failing test never waits on it.
class TableLock
{
public:
    explicit TableLock(const QString& table);
    ~TableLock();
    // Lets go; the holder's failure, empty when none.
    QString release();

private:
    std::atomic<bool> m_locked = false;
    std::atomic<bool> m_release = false;
    SecondConnection m_holder;
};

// The test PostgreSQL server's settings for a database of its, and a
// statement run on its maintenance database (CREATE DATABASE and the like).
// Benchmarks use them too.
db::ConnectionSettings pgSettings(const QString& database);
void adminExec(const QString& sql);

// A test class on both engines: each test function starts on a fresh
// database with an empty prompter, then with what prepare() adds.
class Case : public QObject
{
    Q_OBJECT

protected:
    virtual void prepare() {}

private Q_SLOTS:
    void initTestCase_data() { addBackendRows(); }
    void init()
    {
        QFETCH_GLOBAL(QString, backend);
        if (backend == QLatin1String("postgres") && !postgresConfigured())
            QSKIP("no PostgreSQL configured (TROVA_TEST_PG_HOST is not set)");
        fresh(backend);
        testing::prompter().clear();
        prepare();
    }
};

} // namespace testdb
