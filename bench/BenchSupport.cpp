#include "BenchSupport.h"

#include "TestDb.h"
#include "app/Module1.h"
#include "db/Schema.h"

#include <QCoreApplication>

namespace bench {

ScratchDatabase::ScratchDatabase(bool postgres, const QString& tag)
{
    if (postgres) {
        m_pgName = QStringLiteral("%1_%2").arg(tag).arg(QCoreApplication::applicationPid());
        testdb::adminExec(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(m_pgName));
        testdb::adminExec(
            QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 ENCODING 'UTF8' LC_COLLATE 'C' LC_CTYPE 'C'")
                .arg(m_pgName));
        m_settings = testdb::pgSettings(m_pgName);
    } else {
        m_settings.driver = QStringLiteral("QSQLITE");
        m_settings.database = m_dir.filePath(QStringLiteral("bench.sqlite"));
    }
}

ScratchDatabase::~ScratchDatabase()
{
    if (!m_pgName.isEmpty())
        testdb::adminExec(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(m_pgName));
}

void ScratchDatabase::open(db::Database& db) const
{
    QString error;
    if (!db.open(m_settings, &error))
        qFatal("cannot open the bench database: %s", qPrintable(error));
    schema::ensure(db);
}

void ScratchDatabase::openAsProgramDatabase() const
{
    AppSettings settings;
    settings.connection = m_settings;
    settings.logFolder = folder();
    Module1::setSettings(settings);
    open(Module1::gConn());
}

QList<bool> engines()
{
    QList<bool> e = {false};
    if (!qEnvironmentVariableIsEmpty("TROVA_TEST_PG_HOST"))
        e << true;
    return e;
}

} // namespace bench
