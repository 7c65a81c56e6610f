#include "app/AppSettings.h"
#include "TestMain.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

// The installation settings: INI values, environment overrides and the
// embedded default a fresh machine starts with.
class SettingsTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    const QList<QByteArray> m_vars = {"TROVA_CONFIG", "TROVA_DB_DRIVER", "TROVA_DB_HOST", "TROVA_DB_PORT",
                                      "TROVA_DB_NAME", "TROVA_DB_USER", "TROVA_DB_PASSWORD", "TROVA_LOG_DIR",
                                      "TROVA_UPDATE_URL", "TROVA_GATEWAY_PORT"};
    QHash<QByteArray, QByteArray> m_saved;

private Q_SLOTS:
    void init()
    {
        for (const QByteArray& v : m_vars) {
            if (qEnvironmentVariableIsSet(v.constData()))
                m_saved.insert(v, qgetenv(v.constData()));
            qunsetenv(v.constData());
        }
        qputenv("TROVA_CONFIG", m_dir.filePath("trova.ini").toUtf8());
        QFile::remove(m_dir.filePath("trova.ini"));
    }
    void cleanup()
    {
        for (const QByteArray& v : m_vars)
            qunsetenv(v.constData());
        for (auto it = m_saved.begin(); it != m_saved.end(); ++it)
            qputenv(it.key().constData(), it.value());
        m_saved.clear();
    }

    void noSettingsMeansEmbeddedDatabase()
    {
        const AppSettings s = AppSettings::load();
        QCOMPARE(s.connection.driver, QString("QSQLITE"));
        QCOMPARE(s.connection.database, AppSettings::defaultDatabaseFile());
        QVERIFY(s.updateBaseUrl.isEmpty());
        QCOMPARE(s.gatewayPort, 4660);
        QVERIFY(!s.logFolder.isEmpty());
    }

    void iniValuesAndEnvironmentOverrides()
    {
        {
            QSettings ini(m_dir.filePath("trova.ini"), QSettings::IniFormat);
            ini.setValue("Database/Driver", "QPSQL");
            ini.setValue("Database/Host", "plantdb");
            ini.setValue("Database/Port", 5433);
            ini.setValue("Database/Name", "trova_plant");
            ini.setValue("Database/User", "trova");
            ini.setValue("Paths/LogFolder", "/var/log/trova");
            ini.setValue("Update/BaseUrl", "http://updates.local");
            ini.setValue("Gateway/Port", 5000);
        }
        qputenv("TROVA_DB_HOST", "10.1.1.1");
        qputenv("TROVA_GATEWAY_PORT", "not a number");
        const AppSettings s = AppSettings::load();
        QCOMPARE(s.connection.driver, QString("QPSQL"));
        QCOMPARE(s.connection.host, QString("10.1.1.1"));
        QCOMPARE(s.connection.port, 5433);
        QCOMPARE(s.connection.database, QString("trova_plant"));
        QCOMPARE(s.connection.user, QString("trova"));
        QCOMPARE(s.logFolder, QString("/var/log/trova"));
        QCOMPARE(s.updateBaseUrl, QString("http://updates.local"));
        QCOMPARE(s.gatewayPort, 4660); // an unusable port falls back to the default
    }
};

TROVA_TEST(SettingsTest)
#include "tst_Settings.moc"
