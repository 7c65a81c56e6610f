#include "BenchSupport.h"

#include "TestDb.h"

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

QList<bool> engines()
{
    QList<bool> e = {false};
    if (!qEnvironmentVariableIsEmpty("TROVA_TEST_PG_HOST"))
        e << true;
    return e;
}

} // namespace bench
