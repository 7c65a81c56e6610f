#include "DbRows.h"
#include "MonitorRig.h"
#include "OPT_Load_SN.h"
#include "OPT_Run.h"
#include "QUERY_WIP.h"
#include "QueryModel.h"
#include "QueryRunner.h"

#include "ExcelImport.h"
#include "TestDb.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "query/WipQuery.h"
#include "app/Module1.h"
#include "terminal/TerminalTable.h"
#include "workbook/Workbook.h"

#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <optional>

using Module1::gConn;

namespace {

constexpr int kRecentChecks = 150000;
// How long a terminal may wait for its answer while the workstation is busy:
// half a second, or a quarter of the work it waits beside where a machine
// whose every core is busy stretches that work. A handler that held the
// loop for the whole of it would wait four times that.
constexpr qint64 kAnswerBoundMs = 500;
qint64 answerBound(const QElapsedTimer& work)
{
    return std::max(kAnswerBoundMs, work.elapsed() / 4);
}

// A terminal that scans without pause: each answer is timed from the frame
// sent, and the next scan goes out as soon as it came. Runs in whatever
// event loop turns, so a handler that keeps the loop waiting shows up as a
// late answer.
class ScanningTerminal : public QObject
{
public:
    ScanningTerminal(gwsim::SimGateway& gw, int terminal)
        : m_gw(gw)
        , m_terminal(terminal)
    {
        connect(&m_poll, &QTimer::timeout, this, [this] { poll(); });
        m_poll.start(5);
    }

    // The next scan goes out now.
    void poll()
    {
        const qsizetype shown = m_gw.terminal(m_terminal).displays.size();
        if (m_waiting && shown > m_before) {
            longestMs = std::max(longestMs, m_since.elapsed());
            ++answered;
            m_waiting = false;
        }
        if (m_waiting)
            return;
        // F7 starts the dialogue ("User:"), the user's id moves it on.
        m_before = shown;
        m_waiting = m_gw.send(m_next ? gwsim::dataFrame(m_terminal, "U1") : gwsim::keyFrame(m_terminal, 7));
        m_next = !m_next;
        m_since.start();
    }

    // Includes the scan still waiting.
    qint64 longest() const { return m_waiting ? std::max(longestMs, m_since.elapsed()) : longestMs; }

    int answered = 0;
    qint64 longestMs = 0;

private:
    gwsim::SimGateway& m_gw;
    int m_terminal;
    QTimer m_poll;
    QElapsedTimer m_since;
    qsizetype m_before = 0;
    bool m_waiting = false;
    bool m_next = false;
};

} // namespace

// The monitor keeps answering a scanning terminal while the same program
// lists a busy week of checks and waits for a slow workbook reader.
class BusyPlantTest : public testdb::Case
{
    Q_OBJECT

    std::unique_ptr<MonitorRig> rig;

    void prepare() override
    {
        monitor::gTerminals().clear();
        rig = std::make_unique<MonitorRig>();
        QVERIFY(rig->setUp(1));
        Module1::setClock([this] { return rig->clock; });
    }

    // A week of one project's checks up to the rig's clock, one every four
    // seconds, in one statement. The fill is the test's own set-up: on a
    // busy machine it may outlast the bounds of the program's statements.
    void seedRecentChecks()
    {
        db::Transaction seed(gConn());
        gConn().unboundWaitsInTransaction();
        const bool pg = gConn().dialect().engine() == db::Engine::PostgreSQL;
        const QString start = rig->clock.toString("yyyy-MM-dd HH:mm:ss");
        const QString time = pg ? QStringLiteral("timestamp '%1' - i * 4 * interval '1 second'").arg(start)
                                : QStringLiteral("datetime('%1', '-' || (i * 4) || ' seconds')").arg(start);
        const QString rows = pg ? QStringLiteral("from generate_series(0, %1) as n(i)").arg(kRecentChecks - 1)
                                : QStringLiteral("from n");
        const QString with = pg ? QString()
                                : QStringLiteral("with recursive n(i) as (select 0 union all select i + 1 from n "
                                                 "where i < %1) ")
                                      .arg(kRecentChecks - 1);
        gConn().exec(with
                     + QStringLiteral("insert into check_history (line_id, part_no, mc_id, md_id, slot_code, "
                                      "comp_code, gw21_ip, dt200_id, check_value, update_user, update_time, "
                                      "link_id, panel_no) select 'L0', 'P1', 'M0', 'MD1', 'S1', 'C1', '%1', '002', "
                                      "'0', 'U1', %2, 'LK1', '' || (i / 100) ")
                           .arg(MonitorRig::address(0), time)
                     + rows);
        gConn().exec("insert into part_info (part_no, part_desc, proj_id, approve) values ('P1', 'Board', 'PRJ', '0')");
        seed.commit();
    }

private Q_SLOTS:
    void cleanup()
    {
        Module1::setImportReader(QString());
        Module1::setClock(nullptr);
        rig.reset();
    }

    void terminalAnsweredWhileListsFillAndWorkbooksAreRead()
    {
        seedRecentChecks();
        OPT_Run monitor;
        rig->attach(&monitor);
        QTest::mouseClick(monitor.cmdStart(1), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(monitor.WSClient(1)->state(), QAbstractSocket::ConnectedState, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(rig->gw(0).hasClient(), 5000);

        ScanningTerminal terminal(rig->gw(0), 1);
        QTRY_VERIFY_WITH_TIMEOUT(terminal.answered >= 2, 5000);

        // Load S/N opens on its first project and lists the week.
        terminal.poll();
        QElapsedTimer work;
        work.start();
        auto loadSn = std::make_unique<OPT_Load_SN>();
        QVERIFY(loadSn->runner()->running());
        const int before = terminal.answered;
        QTRY_VERIFY_WITH_TIMEOUT(!loadSn->runner()->running(), 120000);
        QCOMPARE(loadSn->model()->rowCount(), kRecentChecks);
        QVERIFY2(terminal.answered > before + 2, qPrintable(QString::number(terminal.answered - before)));
        QVERIFY2(terminal.longest() < answerBound(work), qPrintable(QString::number(terminal.longest())));

        // An import whose reader takes ten seconds before it reads.
        QTemporaryDir dir;
        Module1::setImportReader(testing::slowReader(dir.path(), 10));
        const int beforeImport = terminal.answered;
        work.restart();
        const workbook::ImportOutcome out
            = Module1::ImportExcelFile(testing::dataFile("machines.xlsx"), testing::machineImportLayout(), nullptr);
        QVERIFY2(!out.failed(), qPrintable(out.error));
        QVERIFY(out.stored + out.rejected > 0);
        QVERIFY2(terminal.answered > beforeImport + 20, qPrintable(QString::number(terminal.answered - beforeImport)));
        QVERIFY2(terminal.longest() < answerBound(work), qPrintable(QString::number(terminal.longest())));

        QTest::mouseClick(monitor.cmdStart(1), Qt::LeftButton);
    }

    // A search that waits on the server (another workstation's lock on
    // PostgreSQL; on SQLite, whose readers never wait, a statement that runs
    // for a minute) holds neither the monitor nor the screen, and Stop ends it.
    void terminalAnsweredWhileASearchWaitsOnTheServer()
    {
        OPT_Run monitor;
        rig->attach(&monitor);
        QTest::mouseClick(monitor.cmdStart(1), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(monitor.WSClient(1)->state(), QAbstractSocket::ConnectedState, 5000);
        ScanningTerminal terminal(rig->gw(0), 1);
        QTRY_VERIFY_WITH_TIMEOUT(terminal.answered >= 2, 5000);

        QUERY_WIP wip;
        std::optional<testdb::TableLock> lock;
        QElapsedTimer work;
        work.start();
        if (gConn().dialect().engine() == db::Engine::PostgreSQL) {
            lock.emplace(QStringLiteral("check_history"));
            QTest::mouseClick(wip.cmdsearch(), Qt::LeftButton);
        } else {
            wip.runner()->start(wip.model(),
                                query::Statement{"with recursive n(i) as (select 1 union all select i + 1 from n "
                                                 "where i < 300000000) select i from n where i = 0",
                                                 {}},
                                query::wip::shownRow);
        }
        const int before = terminal.answered;
        QTRY_VERIFY_WITH_TIMEOUT(terminal.answered > before + 20, 20000);
        QVERIFY(wip.runner()->running());
        QVERIFY2(terminal.longest() < answerBound(work), qPrintable(QString::number(terminal.longest())));

        QTest::mouseClick(wip.runner()->cmdStop(), Qt::LeftButton);
        QVERIFY(!wip.runner()->running());
        if (lock)
            QCOMPARE(lock->release(), QString());
        QTest::mouseClick(monitor.cmdStart(1), Qt::LeftButton);
    }
};

TROVA_TEST(BusyPlantTest)
#include "tst_BusyPlant.moc"
