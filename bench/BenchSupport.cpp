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

QString series(bool postgres, const QString& insert, const QString& select, int n)
{
    if (postgres)
        return insert + QLatin1Char(' ') + select
            + QStringLiteral(" from generate_series(0::bigint, %1) as n(i)").arg(n - 1);
    return QStringLiteral("with recursive n(i) as (select 0 union all select i + 1 from n where i < %1) ").arg(n - 1)
        + insert + QLatin1Char(' ') + select + QStringLiteral(" from n");
}

void addMasterData(db::Database& db, bool postgres, int gateways, const std::function<int(int)>& projectOf)
{
    for (int u = 0; u < 20; ++u)
        db.exec(QStringLiteral("insert into user_list (user_id, user_name) values (?, ?)"),
                {QStringLiteral("U%1").arg(u), QStringLiteral("Operator %1").arg(u)});
    for (int l = 0; l < 3; ++l)
        db.exec(QStringLiteral("insert into line_info (line_id, line_desc) values (?, ?)"),
                {QStringLiteral("L%1").arg(l), QStringLiteral("Line %1").arg(l)});
    for (int p = 0; p < 10; ++p)
        db.exec(QStringLiteral("insert into part_info (part_no, part_desc, proj_id, approve) values (?, ?, ?, ?)"),
                {QStringLiteral("P%1").arg(p), QStringLiteral("Board %1").arg(p),
                 QStringLiteral("PR%1").arg(projectOf(p)), p % 2 ? "1" : "0"});
    db.exec(series(postgres, QStringLiteral("insert into component_list (comp_code, comp_desc, group_id, method_type, "
                                            "vender_name)"),
                   QStringLiteral("select 'C' || i, 'Component ' || i, 'G1', 'MP', 'NIL'"), 500));
    for (int g = 0; g < gateways; ++g) {
        for (int t = 0; t < 5; ++t) {
            const QString gw = QStringLiteral("10.0.0.%1").arg(g);
            const QString dt = QStringLiteral("00%1").arg(t);
            db.exec(QStringLiteral("insert into dt200_info (gw21_ip, dt200_id) values (?, ?)"), {gw, dt});
            db.exec(QStringLiteral("insert into line_set (line_id, proj_id, part_no, mc_id, gw21_ip, dt200_id) "
                                   "values (?, 'PR0', 'P0', ?, ?, ?)"),
                    {QStringLiteral("L%1").arg(g % 3), QStringLiteral("M%1").arg(g), gw, dt});
        }
    }
}

QList<bool> engines()
{
    QList<bool> e = {false};
    if (!qEnvironmentVariableIsEmpty("TROVA_TEST_PG_HOST"))
        e << true;
    return e;
}

void preferOffscreen()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

} // namespace bench
