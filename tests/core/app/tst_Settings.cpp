#include "TestMain.h"
#include "app/AppSettings.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

// The installation settings: INI values, environment overrides and the
// embedded default a fresh machine starts with.
class SettingsTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    static constexpr const char* kVars[]
        = { "TROVA_CONFIG", "TROVA_DB_DRIVER", "TROVA_DB_HOST", "TROVA_DB_PORT", "TROVA_DB_NAME", "TROVA_DB_USER",
              "TROVA_DB_PASSWORD", "TROVA_LOG_DIR", "TROVA_UPDATE_URL", "TROVA_GATEWAY_PORT" };

private Q_SLOTS:
    // Each case starts from an empty INI file and none of the caller's
    // variables; none of the cases' variables outlives the class.
    void init()
    {
        cleanupTestCase();
        qputenv("TROVA_CONFIG", m_dir.filePath("trova.ini").toUtf8());
        QFile::remove(m_dir.filePath("trova.ini"));
    }
    void cleanupTestCase()
    {
        for (const char* v : kVars)
            qunsetenv(v);
    }

    void noSettingsMeansEmbeddedDatabase()
    {
        const AppSettings s = AppSettings::load();
        QCOMPARE(s.connection.driver, QString("QSQLITE"));
        QCOMPARE(s.connection.database, AppSettings::defaultDatabaseFile());
        QVERIFY(s.updateBaseUrl.isEmpty()); // no version check on a fresh machine
        QVERIFY(!s.logFolder.isEmpty());
    }

    void iniValuesAndEnvironmentOverrides()
    {
        {
            QSettings ini(m_dir.filePath("trova.ini"), QSettings::IniFormat);
            ini.setValue("Database/Driver", "QPSQL");
            ini.setValue("Database/Host", "plantdb");
            ini.setValue("Gateway/Port", 5000);
        }
        qputenv("TROVA_DB_HOST", "10.1.1.1");
        qputenv("TROVA_GATEWAY_PORT", "not a number");
        const AppSettings s = AppSettings::load();
        QCOMPARE(s.connection.driver, QString("QPSQL"));
        QCOMPARE(s.connection.host, QString("10.1.1.1"));
        QCOMPARE(s.gatewayPort, 4660); // an unusable port falls back to the default
    }
};

TROVA_TEST(SettingsTest)
#include "tst_Settings.moc"
