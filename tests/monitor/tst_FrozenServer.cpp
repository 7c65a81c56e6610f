#include "FreezingProxy.h"
#include "MonitorRig.h"
#include "OPT_Run.h"

#include "ScriptedPrompter.h"
#include "TestDb.h"
#include "TestMain.h"
#include "app/Module1.h"
#include "terminal/TerminalTable.h"

#include <QElapsedTimer>
#include <QListWidget>
#include <QPushButton>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

using gwsim::dataFrame;
using gwsim::keyFrame;
using Module1::gConn;

// The monitor's connection goes through a relay to a server that then
// freezes while its host still answers: a component scan is abandoned at
// the connection's deadline and another gateway is answered right after;
// once the server answers again the watchdog reconnects and the same scan
// is recorded.
class MonitorFrozenServerTest : public QObject {
    Q_OBJECT

    std::unique_ptr<FreezingProxy> proxy;
    std::unique_ptr<MonitorRig> rig;
    std::unique_ptr<OPT_Run> screen;

    int linesWith(const QString& text) const
    {
        int n = 0;
        for (int i = 0; i < screen->listHistory()->count(); ++i)
            n += screen->listHistory()->item(i)->text().contains(text) ? 1 : 0;
        return n;
    }
    void startRow(int i, int g)
    {
        QTest::mouseClick(screen->cmdStart(i), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(rig->gw(g).hasClient(), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(screen->WSClient(i)->state(), QAbstractSocket::ConnectedState, 5000);
    }

private Q_SLOTS:
    void init()
    {
        if (!testdb::postgresConfigured())
            QSKIP("no PostgreSQL configured (TROVA_TEST_PG_HOST is not set)");
        testdb::fresh(QStringLiteral("postgres"));
        testing::prompter().clear();
        monitor::gTerminals().clear();
        rig = std::make_unique<MonitorRig>();
        QVERIFY(rig->setUp(2));
        db::ConnectionSettings& settings = Module1::settings().connection;
        proxy = std::make_unique<FreezingProxy>(settings.host, settings.port);
        settings.host = QStringLiteral("127.0.0.1");
        settings.port = proxy->port();
        QString error;
        QVERIFY2(testdb::openProgramConnection(&error), qPrintable(error));
    }

    void cleanup()
    {
        if (screen) {
            for (int i = 1; i <= OPT_Run::kGateways; ++i)
                if (screen->cmdStart(i)->text() == "Stop")
                    QTest::mouseClick(screen->cmdStart(i), Qt::LeftButton);
        }
        screen.reset();
        rig.reset();
        gConn().close();
        proxy.reset();
    }

    void scanDuringAFreeze()
    {
        screen = std::make_unique<OPT_Run>();
        rig->attach(screen.get());
        startRow(1, 0);
        startRow(2, 1);
        screen->Timer1()->stop(); // the watchdog runs when the test says
        gwsim::SimGateway& gw = rig->gw(0);
        QCOMPARE(ask(gw, 1, keyFrame(1, 7)), QString("User:"));
        for (const char* scan : { "U1", "P1", "0" })
            ask(gw, 1, dataFrame(1, scan));
        QCOMPARE(ask(gw, 1, dataFrame(1, "B01")), QString("Component:"));

        proxy->freeze();
        const qsizetype shown = gw.terminal(1).displays.size();
        const QString scanLine = QString(", Data= LK1  from  %1  DT200->001").arg(gw.address().toString());
        QElapsedTimer took;
        took.start();
        QVERIFY(gw.send(dataFrame(1, "LK1")));
        QVERIFY(rig->gw(1).send(gwsim::startupFrame(1)));
        QTRY_COMPARE_WITH_TIMEOUT(linesWith(scanLine), 1, 20000);
        QVERIFY2(took.elapsed() < 2 * db::kDeadlineMs, qPrintable(QString::number(took.elapsed())));
        QTRY_COMPARE_WITH_TIMEOUT(rig->gw(1).terminal(1).shown(), QString("User:"), 20000);
        QVERIFY2(took.elapsed() < 2 * db::kDeadlineMs, qPrintable(QString::number(took.elapsed())));
        QTest::qWait(50);
        QCOMPARE(gw.terminal(1).displays.size(), shown);
        QCOMPARE(linesWith("Database Error= "), 1);
        QCOMPARE(linesWith(",Component error!"), 0);

        proxy->thaw();
        screen->Timer1_Timer();
        QCOMPARE(linesWith("  Database connect ok"), 1);
        QCOMPARE(ask(gw, 1, dataFrame(1, "LK1")), QString("Machine/Module/Slot:"));
        QCOMPARE(gConn().count("select count(*) from check_history where link_id = 'LK1'"), 1);
        QCOMPARE(testing::prompter().messages.size(), 0);
    }
};

TROVA_TEST(MonitorFrozenServerTest)
#include "tst_FrozenServer.moc"
