#include "TestDb.h"

#include "app/Module1.h"
#include "db/Schema.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QThread>
#include <QUuid>
#include <cstdio>
#include <cstdlib>

namespace testdb {

namespace {

    db::ConnectionSettings g_last;
    QString g_logFolder;
    QString g_template;
    QStringList g_created;
    int g_counter = 0;

    // The tests' own connections to the server: copying and dropping whole
    // databases may take long on a busy machine, so none of the program's
    // bounds apply to them.
    bool openUnbounded(db::Database& conn, const QString& database, QString* error)
    {
        return conn.open(pgSettings(database), error, db::Database::Waits::Unbounded);
    }

    QTemporaryDir& dir()
    {
        static QTemporaryDir d;
        return d;
    }

    // Runs at exit, past Qt Test's reach: a failure is told and the rest
    // goes on, for a fatal error here would hang in the crash handler.
    void dropCreated()
    {
        Module1::gConn().close();
        db::Database admin;
        QString error;
        if (!openUnbounded(admin, QStringLiteral("postgres"), &error)) {
            std::fprintf(stderr, "cannot drop the test databases: %s\n", qPrintable(error));
            g_created.clear();
            return;
        }
        for (const QString& name : std::as_const(g_created)) {
            try {
                admin.exec(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(name));
            } catch (const db::DbError& e) {
                std::fprintf(stderr, "cannot drop %s: %s\n", qPrintable(name), qPrintable(e.text()));
            }
        }
        g_created.clear();
    }

    // A database with the schema, copied for every test: much faster than
    // creating the schema again each time.
    QString pgTemplate()
    {
        if (!g_template.isEmpty())
            return g_template;
        g_template = QStringLiteral("trova_tpl_%1").arg(QUuid::createUuid().toString(QUuid::Id128).left(12));
        adminExec(QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 ENCODING 'UTF8' LC_COLLATE 'C' LC_CTYPE 'C'")
                      .arg(g_template));
        g_created << g_template;
        {
            db::Database conn;
            QString error;
            if (!openUnbounded(conn, g_template, &error))
                qFatal("cannot open the template database: %s", qPrintable(error));
            schema::ensure(conn);
        }
        std::atexit(dropCreated);
        return g_template;
    }

} // namespace

db::ConnectionSettings pgSettings(const QString& database)
{
    db::ConnectionSettings s;
    s.driver = QStringLiteral("QPSQL");
    s.host = qEnvironmentVariable("TROVA_TEST_PG_HOST");
    s.port = qEnvironmentVariableIntValue("TROVA_TEST_PG_PORT");
    s.user = qEnvironmentVariable("TROVA_TEST_PG_USER", QStringLiteral("postgres"));
    s.password = qEnvironmentVariable("TROVA_TEST_PG_PASSWORD");
    s.database = database;
    return s;
}

void adminExec(const QString& sql)
{
    db::Database admin;
    QString error;
    if (!openUnbounded(admin, QStringLiteral("postgres"), &error))
        qFatal("cannot reach the test PostgreSQL: %s", qPrintable(error));
    admin.exec(sql);
}

void addBackendRows()
{
    QTest::addColumn<QString>("backend");
    QTest::newRow("sqlite") << QStringLiteral("sqlite");
    QTest::newRow("postgres") << QStringLiteral("postgres");
}

bool postgresConfigured() { return !qEnvironmentVariableIsEmpty("TROVA_TEST_PG_HOST"); }

void fresh(const QString& backend)
{
    Module1::gConn().close();
    ++g_counter;
    AppSettings s;
    if (backend == QLatin1String("postgres")) {
        const QString tpl = pgTemplate();
        const QString name = QStringLiteral("trova_t_%1_%2").arg(QCoreApplication::applicationPid()).arg(g_counter);
        adminExec(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(name));
        adminExec(QStringLiteral("CREATE DATABASE %1 TEMPLATE %2").arg(name, tpl));
        // Keep only the last few around; the whole cluster is thrown away anyway.
        g_created << name;
        while (g_created.size() > 4) {
            const QString old = g_created.takeAt(1); // index 0 is the template
            adminExec(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(old));
        }
        s.connection = pgSettings(name);
    } else {
        s.connection.driver = QStringLiteral("QSQLITE");
        s.connection.database = dir().filePath(QStringLiteral("db%1.sqlite").arg(g_counter));
    }
    g_logFolder = dir().filePath(QStringLiteral("log%1").arg(g_counter));
    QDir().mkpath(g_logFolder);
    s.logFolder = g_logFolder;
    Module1::setSettings(s);
    g_last = s.connection;
    QString error;
    if (!openProgramConnection(&error))
        qFatal("cannot open the test database: %s", qPrintable(error));
    Module1::gUserID = QStringLiteral("SYSADMIN");
    Module1::gGroupID = QStringLiteral("SYSADMIN");
    Module1::gUserName = QStringLiteral("System Administrator");
}

namespace {

    // Opening a connection in a test's set-up: a busy machine may start a
    // server session slower than the program's connect time-out, which is
    // not what a test checks, so it is tried again for up to a minute.
    bool openPatiently(const std::function<bool(QString*)>& open, QString* error)
    {
        const QDeadlineTimer until(60000);
        QString reason;
        while (!open(&reason)) {
            if (until.hasExpired()) {
                if (error)
                    *error = reason;
                return false;
            }
            QThread::msleep(200);
        }
        return true;
    }

} // namespace

bool openProgramConnection(QString* error)
{
    return openPatiently([](QString* reason) { return Module1::OpenConnection(reason); }, error);
}

db::ConnectionSettings lastSettings() { return g_last; }

QString logFolder() { return g_logFolder; }

SecondConnection::SecondConnection(std::function<void(db::Database&)> work)
    : m_thread([this, work = std::move(work), settings = g_last] {
        db::Database second;
        if (!openPatiently([&](QString* reason) { return second.open(settings, reason); }, &m_failure))
            return;
        try {
            work(second);
        } catch (const db::DbError& e) {
            m_failure = e.text();
        }
    })
{
}

SecondConnection::~SecondConnection()
{
    if (m_thread.joinable())
        m_thread.join();
}

QString SecondConnection::finish()
{
    if (m_thread.joinable())
        m_thread.join();
    return m_failure;
}

TableLock::TableLock(const QString& table)
    : m_holder([this, table](db::Database& other) {
        other.beginLocked(QStringLiteral("test"));
        if (other.engine() == db::Engine::PostgreSQL)
            other.exec(QStringLiteral("LOCK TABLE %1 IN ACCESS EXCLUSIVE MODE").arg(table));
        m_locked = true;
        QDeadlineTimer until(20000);
        while (!m_release && !until.hasExpired())
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        other.rollback();
    })
{
    QDeadlineTimer until(20000);
    while (!m_locked && !until.hasExpired())
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

TableLock::~TableLock()
{
    release();
}

QString TableLock::release()
{
    m_release = true;
    return m_holder.finish();
}

} // namespace testdb
