#include "DbRows.h"
#include "FloodGateway.h"
#include "MonitorRig.h"
#include "OPT_Run.h"

#include "MainWindowFixture.h"
#include "ScriptedPrompter.h"
#include "TestDb.h"
#include "TestMain.h"
#include "app/Module1.h"
#include "frmMain.h"
#include "terminal/TerminalTable.h"

#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <functional>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <thread>

using gwsim::dataFrame;
using gwsim::keyFrame;
using Module1::gConn;
using testing::prompter;

namespace {

QStringList lines(OPT_Run* s)
{
    QStringList out;
    for (int i = 0; i < s->listHistory()->count(); ++i)
        out << s->listHistory()->item(i)->text();
    return out;
}

QColor colour(OPT_Run* s, int i) { return s->LB(i)->palette().color(QPalette::Window); }

QByteArray withByte0(QByteArray frame, int byte0)
{
    frame[0] = char(byte0);
    return frame;
}

// The texts terminal t was shown after its first `from`, once `count` more
// came or 5 s passed.
QStringList shownAfter(gwsim::SimGateway& gw, int t, qsizetype from, qsizetype count)
{
    for (int waited = 0; waited < 5000 && gw.terminal(t).displays.size() < from + count; waited += 5)
        QTest::qWait(5);
    return gw.terminal(t).displays.mid(from);
}

// The socket of this process bound to the local TCP port; -1 when none is.
int socketOnLocalPort(int port)
{
    for (int fd = 0; fd < 4096; ++fd) {
        sockaddr_in a {};
        socklen_t size = sizeof a;
        if (::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size) == 0 && a.sin_family == AF_INET
            && ntohs(a.sin_port) == port)
            return fd;
    }
    return -1;
}

int socketOption(int fd, int level, int name)
{
    int value = -1;
    socklen_t size = sizeof value;
    return ::getsockopt(fd, level, name, &value, &size) == 0 ? value : -1;
}

} // namespace

// The monitor screen against simulated gateways and a real database.
class MonitorTest : public testdb::Case {
    Q_OBJECT

    std::unique_ptr<MonitorRig> rig;
    std::unique_ptr<OPT_Run> own;

    OPT_Run* openScreen()
    {
        own = std::make_unique<OPT_Run>();
        rig->attach(own.get());
        return own.get();
    }
    // Starts row i and waits until its gateway has the connection.
    void startRow(OPT_Run* s, int i, int g)
    {
        const int before = rig->gw(g).connections();
        QTest::mouseClick(s->cmdStart(i), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(rig->gw(g).connections() > before && rig->gw(g).hasClient(), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(s->WSClient(i)->state(), QAbstractSocket::ConnectedState, 5000);
    }
    void stopAll(OPT_Run* s)
    {
        for (int i = 1; i <= OPT_Run::kGateways; ++i)
            if (s->cmdStart(i)->text() == "Stop")
                QTest::mouseClick(s->cmdStart(i), Qt::LeftButton);
    }

    // Terminal 1 of the gateway logs on and scans its slot.
    void toComponentStep(gwsim::SimGateway& gw)
    {
        QCOMPARE(ask(gw, 1, keyFrame(1, 7)), QString("User:"));
        for (const char* scan : { "U1", "P1", "0", "B01" })
            ask(gw, 1, dataFrame(1, scan));
        QCOMPARE(gw.terminal(1).shown(), QString("Component:"));
    }
    // Terminal 1 of the gateway scans; the frame is handled (its data line
    // comes) and nothing at all is sent to the terminal.
    void scanUnanswered(OPT_Run* s, gwsim::SimGateway& gw, const QByteArray& scan)
    {
        const QString line = QString(", Data= %1  from  %2  DT200->001").arg(scan, gw.address().toString());
        const qsizetype shown = gw.terminal(1).displays.size();
        const qsizetype signals = gw.terminal(1).signalFrames.size();
        const qsizetype before = lines(s).filter(line).size();
        QVERIFY(gw.send(dataFrame(1, scan)));
        QTRY_COMPARE_WITH_TIMEOUT(lines(s).filter(line).size(), before + 1, 20000);
        QTest::qWait(50);
        QCOMPARE(gw.terminal(1).displays.size(), shown);
        QCOMPARE(gw.terminal(1).signalFrames.size(), signals);
        QVERIFY(lines(s).filter(",Component error!").isEmpty());
    }

    // Row 3 runs a flooding gateway, at the address of the rig's third, and
    // row 1 the first gateway; *screen is set once the flood is connected.
    void openBesideFlood(OPT_Run** screen, gwsim::FloodGateway& flood, int receiveBuffer, const QByteArray& first,
        const QByteArray& chunk, int pauseMs = 0)
    {
        rig->gateways.pop_back();
        QVERIFY(flood.listen(gwsim::loopbackAddress(2), rig->gw(0).port(), receiveBuffer));
        OPT_Run* s = openScreen();
        startRow(s, 1, 0);
        flood.run(first, chunk, pauseMs);
        QTest::mouseClick(s->cmdStart(3), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(flood.accepted(), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(s->WSClient(3)->state(), QAbstractSocket::ConnectedState, 5000);
        *screen = s;
    }
    // For ms milliseconds, terminal 1 of the first gateway is started over
    // and over, each time answered well within the 5 s it waits: a busy
    // machine may hold the test for a moment, a monitor that served the
    // other link first would hold it on end; `each` after each.
    void keepAsking(int ms, const std::function<void()>& each)
    {
        QElapsedTimer phase;
        phase.start();
        while (phase.elapsed() < ms) {
            QElapsedTimer took;
            took.start();
            QCOMPARE(ask(rig->gw(0), 1, keyFrame(1, 7)), QString("User:"));
            QVERIFY2(took.elapsed() < 2500, qPrintable(QString::number(took.elapsed())));
            each();
        }
    }

    void prepare() override
    {
        monitor::gTerminals().clear();
        rig = std::make_unique<MonitorRig>();
        QVERIFY(rig->setUp(3));
    }

private Q_SLOTS:
    void cleanup()
    {
        if (own)
            stopAll(own.get());
        own.reset();
        rig.reset();
    }

    // Opened from the main window, three gateways with two terminals each:
    // every terminal's frames reach its own row and are answered on its own
    // link, the records name gateway and terminal, and each rejection line
    // stands right before its frame's data line. Exit waits for Stop.
    void sixTerminalsOnThreeGateways()
    {
        TROVA_OPEN_SCREEN(app, s, OPT_Run, "OPR_RUN");
        rig->attach(s);
        for (int i = 1; i <= 3; ++i)
            startRow(s, i, i - 1);

        // All six in lock step; "#" stands for the gateway's number.
        const QList<std::pair<QByteArray, QString>> walk
            = { { "F7", "User:" }, { "U9", "Invalid User ID" }, { "U1", "Part No:" }, { "P1", "Initialization:" },
                  { "0", "Machine/Module/Slot:" }, { "B#1", "Component:" }, { "LK1", "Machine/Module/Slot:" } };
        for (const auto& [scan, answer] : walk) {
            for (int g = 0; g < 3; ++g) {
                for (int t = 1; t <= 2; ++t) {
                    const QByteArray text = QByteArray(scan).replace('#', QByteArray::number(g));
                    QVERIFY(rig->gw(g).send(text == "F7" ? keyFrame(t, 7) : dataFrame(t, text)));
                }
            }
            for (int g = 0; g < 3; ++g)
                for (int t = 1; t <= 2; ++t)
                    QTRY_COMPARE_WITH_TIMEOUT(rig->gw(g).terminal(t).shown(), answer, 5000);
        }
        QStringList records;
        for (int g = 0; g < 3; ++g)
            for (const char* t : { "001", "002" })
                records << QString("%1|%2|L%3|M%3|0").arg(MonitorRig::address(g), t).arg(g);
        QCOMPARE(testing::queryRows("select gw21_ip, dt200_id, line_id, mc_id, check_value from check_history "
                                    "order by gw21_ip, dt200_id"),
            records);
        const QStringList h = lines(s);
        const int at = int(h.indexOf("10:00:00, Data= U9  from  127.0.0.4  DT200->002"));
        QVERIFY2(at > 0, qPrintable(h.join('\n')));
        QCOMPARE(h.at(at - 1), QString("10:00:00,User error!"));
        QCOMPARE(prompter().messages.size(), 0);

        // Exit is refused while a gateway runs, also through the close box.
        QTest::mouseClick(s->cmdexit(), Qt::LeftButton);
        QCOMPARE(prompter().last().text, QString("Disconnect the link between GW21 and computer first..."));
        auto* frame = qobject_cast<QMdiSubWindow*>(s->parentWidget());
        QVERIFY(frame);
        frame->close();
        QApplication::processEvents();
        QCOMPARE(prompter().messages.size(), 2);
        QVERIFY(app.main()->screenInstance("OPR_RUN"));
        for (int i = 1; i <= 2; ++i)
            QTest::mouseClick(s->cmdStart(i), Qt::LeftButton);
        QCOMPARE(s->WSClient(1)->state(), QAbstractSocket::UnconnectedState);
        QTest::mouseClick(s->cmdexit(), Qt::LeftButton);
        QCOMPARE(prompter().messages.size(), 3);
        QTest::mouseClick(s->cmdStart(3), Qt::LeftButton);
        QTest::mouseClick(s->cmdexit(), Qt::LeftButton);
        QTRY_VERIFY(!app.main()->screenInstance("OPR_RUN"));
        QCOMPARE(prompter().messages.size(), 3);
    }

    // Frames of one link are handled in order: the answer to the last one
    // comes after all of them; a long shift keeps only the newest lines. A
    // gateway that sends more frames than may wait loses the rest, told
    // once, and is still served; a line never holds more than one frame's
    // text, however much a terminal sends.
    void historyKeepsTheNewestLines()
    {
        OPT_Run* s = openScreen();
        startRow(s, 1, 0);
        gwsim::SimGateway& gw = rig->gw(0);
        QByteArray batch;
        for (int i = 0; i < 500; ++i)
            batch += keyFrame(2, 2);
        for (int n = 0; n < 11; ++n) {
            gw.send(batch);
            QCOMPARE(ask(gw, 1, keyFrame(1, 7)), QString("User:"));
        }
        QCOMPARE(lines(s).last(), QString("10:00:00, Data= F7  from  127.0.0.2  DT200->001"));
        QVERIFY(s->listHistory()->count() <= monitor::history::kMaxLines);
        QVERIFY(s->listHistory()->count() >= monitor::history::kMaxLines * 9 / 10);
        QVERIFY(lines(s).filter("frames dropped").isEmpty());

        // A user id far longer than a frame can carry, in one read.
        QCOMPARE(ask(gw, 1, dataFrame(1, QByteArray(3000, '1'))), QString("Invalid User ID"));
        QVERIFY(!lines(s).filter("... (cut from ").isEmpty());
        for (const QString& line : lines(s))
            QVERIFY2(line.size() < monitor::history::kMaxDataText + 100, qPrintable(line.left(100)));

        // Each flood is told once, a later one again.
        for (int flood = 1; flood <= 2; ++flood) {
            gw.send(batch.repeated(20));
            // Until the flood has been handled or dropped, F7 may be dropped too.
            const qsizetype shown = gw.terminal(1).displays.size();
            QTRY_VERIFY_WITH_TIMEOUT((gw.send(keyFrame(1, 7)), gw.terminal(1).displays.size() > shown), 5000);
            QCOMPARE(lines(s).filter(", Too many frames waiting: frames dropped  from  127.0.0.2").size(), flood);
        }
    }

    // A gateway that drops the link or is switched off turns red and is
    // connected again by the watchdog once it answers; a connection made
    // after a long outage restarts the silence count, and so does data; a
    // gateway silent across more than five minute boundaries is connected
    // afresh.
    void droppedOrSilentGatewayIsReconnected()
    {
        OPT_Run* s = openScreen();
        startRow(s, 2, 1);
        gwsim::SimGateway& gw = rig->gw(1);
        gw.dropLink();
        QTRY_VERIFY_WITH_TIMEOUT(lines(s).contains("IP:127.0.0.3 Error= The remote host closed the connection"), 5000);
        QCOMPARE(colour(s, 2), OPT_Run::failedColour());
        s->Timer1_Timer();
        QTRY_VERIFY_WITH_TIMEOUT(gw.connections() == 2 && gw.hasClient(), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(s->WSClient(2)->state(), QAbstractSocket::ConnectedState, 5000);
        s->Timer1_Timer();
        QCOMPARE(colour(s, 2), OPT_Run::connectedColour());

        const quint16 port = gw.port();
        gw.switchOff();
        QTRY_COMPARE_WITH_TIMEOUT(s->WSClient(2)->state(), QAbstractSocket::UnconnectedState, 5000);
        s->Timer1_Timer(); // refused
        // Back after an hour's outage, it is not taken for a silent one.
        rig->clock = QDateTime(QDate(2026, 3, 1), QTime(11, 0, 0));
        QVERIFY(gw.listen(gwsim::loopbackAddress(1), port));
        s->Timer1_Timer();
        QTRY_VERIFY_WITH_TIMEOUT(gw.hasClient(), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(s->WSClient(2)->state(), QAbstractSocket::ConnectedState, 5000);
        const int back = gw.connections();
        rig->clock = rig->clock.addSecs(1);
        s->Timer1_Timer();
        QTest::qWait(50);
        QCOMPARE(gw.connections(), back);

        rig->clock = QDateTime(QDate(2026, 3, 1), QTime(11, 3, 30));
        QCOMPARE(ask(gw, 1, keyFrame(1, 7)), QString("User:"));
        rig->clock = QDateTime(QDate(2026, 3, 1), QTime(11, 8, 59));
        s->Timer1_Timer();
        QTest::qWait(50);
        QCOMPARE(gw.connections(), back);
        rig->clock = QDateTime(QDate(2026, 3, 1), QTime(11, 9, 0));
        s->Timer1_Timer();
        QTRY_VERIFY_WITH_TIMEOUT(gw.connections() == back + 1 && gw.hasClient(), 5000);
    }

    // A piece whose rest does not come is handed on by the timer and, having
    // no CR, answered for nobody; its rest, when it comes after all, reaches
    // no terminal; a key frame whose byte 0
    // looks like a length does not hold up the next terminal's frame. A scan
    // cut between its CR and its LF when the link goes was never delivered
    // whole: it is not checked, and the terminal is still asked for its
    // component once the link is back.
    void heldPiecesReachTheirTerminal()
    {
        OPT_Run* s = openScreen();
        startRow(s, 1, 0);
        s->Timer1()->stop(); // the test ticks by itself
        gwsim::SimGateway& gw = rig->gw(0);
        QCOMPARE(ask(gw, 1, keyFrame(1, 7)), QString("User:"));

        // Terminal 9's user id stalls; byte 7 of its payload names terminal
        // 49. Its piece is handed on by the timer and answered for nobody.
        const QByteArray stalled = dataFrame(9, QByteArray(20, '1'));
        QVERIFY(gw.send(stalled.left(12)));
        QTest::qWait(100);
        const int before = s->listHistory()->count();
        rig->streamMs += 2100;
        s->Timer1_Timer();
        QTRY_COMPARE_WITH_TIMEOUT(s->listHistory()->count(), before + 1, 5000);
        QVERIFY(gw.send(stalled.mid(12)));
        QTest::qWait(100);
        QVERIFY(gw.send(withByte0(keyFrame(9, 4), 0x30)));
        QTest::qWait(100);
        QCOMPARE(ask(gw, 12, dataFrame(12, "U1")), QString("Connet error!   Please restart!"));
        QCOMPARE(gw.terminal(9).signalFrames, QList<bool>({ false }));
        QVERIFY(gw.terminal(9).displays.isEmpty());
        rig->streamMs += 2100;
        s->Timer1_Timer();
        QCOMPARE(ask(gw, 12, dataFrame(12, "U1")), QString("Connet error!   Please restart!"));
        QVERIFY(gw.terminal(49).displays.isEmpty());
        QVERIFY(gw.terminal(49).signalFrames.isEmpty());

        toComponentStep(gw);
        QVERIFY(gw.send(dataFrame(1, "LK1").chopped(1)));
        QTest::qWait(100);
        gw.dropLink();
        QTRY_COMPARE_WITH_TIMEOUT(s->WSClient(1)->state(), QAbstractSocket::UnconnectedState, 5000);
        s->Timer1_Timer();
        QTRY_COMPARE_WITH_TIMEOUT(s->WSClient(1)->state(), QAbstractSocket::ConnectedState, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(gw.hasClient(), 5000);
        QVERIFY(lines(s).filter("Data= LK1").isEmpty());
        QCOMPARE(gConn().count("select count(*) from check_history"), 0);
        QCOMPARE(ask(gw, 1, dataFrame(1, "LK1")), QString("Machine/Module/Slot:"));
        QCOMPARE(gConn().count("select count(*) from check_history"), 1);
        QCOMPARE(prompter().messages.size(), 0);
    }

    // A gateway that serves one link at a time, beside an idle one: the
    // watchdog's reconnect of a silent gateway, and Stop, close its link at
    // once, nothing else waking the monitor.
    void stopAndReconnectCloseTheLink()
    {
        rig->gateways.pop_back();
        QTcpServer peer;
        QVERIFY(peer.listen(gwsim::loopbackAddress(2), rig->gw(0).port()));
        OPT_Run* s = openScreen();
        startRow(s, 1, 0);
        s->Timer1()->stop(); // the test ticks by itself
        const auto serveOne = [&](QTcpSocket*& link) {
            QTRY_VERIFY_WITH_TIMEOUT(peer.hasPendingConnections(), 5000);
            link = peer.nextPendingConnection();
            peer.close();
            QTRY_COMPARE_WITH_TIMEOUT(s->WSClient(3)->state(), QAbstractSocket::ConnectedState, 5000);
            // A frame read re-arms the monitor's watch on the link.
            link->write(keyFrame(1, 7));
            QTRY_VERIFY_WITH_TIMEOUT(link->bytesAvailable() > 0, 5000);
            QTest::qWait(200); // the watch waits on the link again
        };
        QTest::mouseClick(s->cmdStart(3), Qt::LeftButton);
        QTcpSocket* first = nullptr;
        serveOne(first);
        QVERIFY(first && first->bytesAvailable() > 0);
        rig->clock = rig->clock.addSecs(6 * 60);
        // The other gateway has just been heard from: only row 3 is silent.
        QCOMPARE(ask(rig->gw(0), 1, keyFrame(1, 7)), QString("User:"));
        QTest::qWait(200);
        s->Timer1_Timer();
        QTRY_COMPARE_WITH_TIMEOUT(first->state(), QAbstractSocket::UnconnectedState, 5000);
        QCOMPARE(rig->gw(0).connections(), 1);

        QVERIFY(peer.listen(gwsim::loopbackAddress(2), rig->gw(0).port()));
        s->Timer1_Timer();
        QTcpSocket* second = nullptr;
        serveOne(second);
        QVERIFY(second && second->bytesAvailable() > 0);
        QTest::mouseClick(s->cmdStart(3), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(second->state(), QAbstractSocket::UnconnectedState, 5000);
        QVERIFY(rig->gw(0).hasClient());
    }

    // A gateway sends a piece that never finishes, its byte 0 announcing
    // what the next terminal's whole frame would complete, the head of
    // which would make byte 7 of the join name terminal 13, waiting for a
    // component. After a pause comes that frame, with its true byte 0 and
    // the piece's header bytes: it is answered for its own terminal, and
    // terminal 13 is not touched.
    void pieceThatNeverFinishesNamesNoTerminal()
    {
        for (const char* t : { "010", "013" })
            gConn().exec("insert into line_set (line_id, proj_id, part_no, mc_id, gw21_ip, dt200_id) "
                         "values ('L0', 'PRJ', 'P1', 'M0', ?, ?)",
                { MonitorRig::address(0), t });
        OPT_Run* s = openScreen();
        startRow(s, 1, 0);
        s->Timer1()->stop();
        gwsim::SimGateway& gw = rig->gw(0);
        QCOMPARE(ask(gw, 13, keyFrame(13, 7)), QString("User:"));
        for (const char* scan : { "U1", "P1", "0", "B01" })
            ask(gw, 13, dataFrame(13, scan));
        QCOMPARE(gw.terminal(13).shown(), QString("Component:"));

        const QList<std::pair<QByteArray, QString>> frames = {
            { dataFrame(10, "U1"), "Part No:" }, // 13 bytes
            { withByte0(gwsim::startupFrame(10).insert(8, char(1)), 13), "User:" }, // 13 bytes, type byte 01
        };
        QCOMPARE(ask(gw, 10, keyFrame(10, 7)), QString("User:"));
        for (const auto& [frame, answer] : frames) {
            const QByteArray piece = QByteArray(7, '\0').replace(0, 1, QByteArray(1, char(7 + frame.size())));
            QVERIFY(gw.send(piece));
            QTest::qWait(100);
            rig->streamMs += 1000; // well past a cut frame's rest
            QCOMPARE(ask(gw, 10, frame), answer);
        }
        QCOMPARE(gw.terminal(13).shown(), QString("Component:"));
        QVERIFY(gw.terminal(13).signalFrames.isEmpty());
        QCOMPARE(gConn().count("select count(*) from error_history"), 0);
        QCOMPARE(gConn().count("select count(*) from check_history"), 0);
        QCOMPARE(ask(gw, 13, dataFrame(13, "LK1")), QString("Machine/Module/Slot:"));
    }

    // Terminals 1, 5, 49 and 54 wait for a component. Terminal 5's writes
    // are cut: a scan whose rest comes 0.3 to 1.9 s late (its rest's byte 7
    // names 1, 49 or 54), F4, F7 and start-ups without a length byte cut
    // after byte 0, their rest 10 ms or 0.5 s later (the rest's byte 7, the
    // type byte, names 1). Each reaches terminal 5 alone. Pieces of terminal
    // 5 that never finish, of 8 and 10 bytes, announcing just the next frame
    // that terminal 54 or 49 writes after a pause: that frame is its own.
    void cutWritesReachTheirOwnTerminal()
    {
        for (const char* t : { "005", "049", "054" })
            gConn().exec("insert into line_set (line_id, proj_id, part_no, mc_id, gw21_ip, dt200_id) "
                         "values ('L0', 'PRJ', 'P1', 'M0', ?, ?)",
                { MonitorRig::address(0), t });
        gConn().exec("insert into component_link (link_id, comp_code, vender_name, lot_no, ship_date, rt_no) "
                     "values ('1612010001', 'C1', 'V1', 'LOT3', '2403', 'RT3')");
        OPT_Run* s = openScreen();
        startRow(s, 1, 0);
        s->Timer1()->stop(); // the stream's clock moves only when the test says
        gwsim::SimGateway& gw = rig->gw(0);
        const QList<int> terminals = { 1, 5, 49, 54 };
        for (int t : terminals) {
            QCOMPARE(ask(gw, t, keyFrame(t, 7)), QString("User:"));
            for (const char* scan : { "U1", "P1", "0", "B01" })
                ask(gw, t, dataFrame(t, scan));
            QCOMPARE(gw.terminal(t).shown(), QString("Component:"));
        }
        // The issue's frames carry the type byte 01 before a key or FF FF FF FF.
        const auto typed = [](int byte0, int t, const QByteArray& end) {
            QByteArray f = QByteArray(7, '\0') + char(t) + char(1) + end;
            f[0] = char(byte0 < 0 ? f.size() : byte0);
            return f;
        };
        const QByteArray reel = dataFrame(5, "1612010001"); // 21 bytes
        const QByteArray startup = typed(-1, 54, QByteArray(4, char(0xFF)));
        const QByteArray f4 = typed(-1, 49, QByteArray("\0\x3E", 2));
        struct Row {
            QByteArray first, second;
            qint64 gapMs;
            int terminal;
            QStringList shown;
            bool held = false; // the screen thread is kept from the first write for the gap
        };
        const QList<Row> rows = {
            { reel.left(1), reel.mid(1), 800, 5, { "Machine/Module/Slot:" } },
            { reel.left(2), reel.mid(2), 1900, 5, { "Machine/Module/Slot:" } },
            { reel.left(3), reel.mid(3), 400, 5, { "Machine/Module/Slot:" } },
            { reel.left(4), reel.mid(4), 1500, 5, { "Machine/Module/Slot:" } },
            { reel.left(7), reel.mid(7), 300, 5, { "Machine/Module/Slot:" } },
            { reel.left(10), f4, 500, 49, { "Component:" } },
            { reel.left(8), startup, 1000, 54, { "User:" } },
            // The pause counts from the piece's arrival, not its late read.
            { reel.left(10), f4, 1000, 49, { "Component:" }, true },
            { typed(0x30, 5, QByteArray("\0\x3E", 2)).left(1), typed(0x30, 5, QByteArray("\0\x3E", 2)).mid(1), 10, 5,
                { "Component:" } },
            { typed(0, 5, QByteArray("\0\x3E", 2)).left(1), typed(0, 5, QByteArray("\0\x3E", 2)).mid(1), 500, 5,
                { "Component:" } },
            { typed(0x30, 5, QByteArray(4, char(0xFF))).left(1), typed(0x30, 5, QByteArray(4, char(0xFF))).mid(1), 500,
                5, { "User:" } },
            { typed(0, 5, QByteArray("\0\x41", 2)).left(1), typed(0, 5, QByteArray("\0\x41", 2)).mid(1), 10, 5,
                { "User:" } },
        };
        for (const Row& row : rows) {
            QMap<int, qsizetype> at;
            for (int t : terminals)
                at[t] = gw.terminal(t).displays.size();
            QVERIFY(gw.send(row.first));
            // Held, the screen reads the piece after the gap, knowing when it came.
            if (row.held) {
                std::this_thread::sleep_for(std::chrono::milliseconds(row.gapMs));
                rig->streamMs += row.gapMs;
            }
            QTest::qWait(row.gapMs < 100 ? int(row.gapMs) : 100);
            if (!row.held)
                rig->streamMs += row.gapMs;
            QVERIFY(gw.send(row.second));
            // The terminal's own answer first, then a moment for any other.
            shownAfter(gw, row.terminal, at[row.terminal], row.shown.size());
            QTest::qWait(50);
            for (int t : terminals) {
                const QStringList shown = gw.terminal(t).displays.mid(at[t]);
                QVERIFY2(shown == (t == row.terminal ? row.shown : QStringList()),
                    qPrintable(QString("%1 then %2 ms later %3: %4 shown %5")
                                   .arg(QString::fromLatin1(row.first.toHex(' ')))
                                   .arg(row.gapMs)
                                   .arg(QString::fromLatin1(row.second.toHex(' ')))
                                   .arg(t)
                                   .arg(shown.join('|'))));
            }
            if (gw.terminal(5).shown() == "Machine/Module/Slot:")
                QCOMPARE(ask(gw, 5, dataFrame(5, "B01")), QString("Component:"));
            rig->streamMs += 2100; // past anything the bytes still announced
        }
        QCOMPARE(gw.terminal(5).signalFrames, QList<bool>({ false, false }));
        QCOMPARE(gw.terminal(49).signalFrames, QList<bool>({ false, false }));
        QVERIFY(gw.terminal(1).signalFrames.isEmpty() && gw.terminal(54).signalFrames.isEmpty());
        QCOMPARE(gConn().count("select count(*) from check_history where dt200_id = '005'"), 5);
        QCOMPARE(gConn().count("select count(*) from check_history"), 5);
        QCOMPARE(gConn().count("select count(*) from error_history"), 0);
        QCOMPARE(prompter().messages.size(), 0);
    }

    // Gateways that write each frame by itself, with a true byte 0 or not:
    // every frame is answered for its own terminal at once; a runt, or a
    // piece whose rest never comes, is answered for nobody. Frames with a
    // true byte 0 written back to back and cut by TCP anywhere reach their
    // own terminals: the rest of one joined to the next two is its rest, and
    // after a pause past the wait it is dropped and only the head is lost.
    void eachReadThatIsAFrameIsItsOwn()
    {
        for (const char* t : { "009", "012" })
            gConn().exec("insert into line_set (line_id, proj_id, part_no, mc_id, gw21_ip, dt200_id) "
                         "values ('L0', 'PRJ', 'P1', 'M0', ?, ?)",
                { MonitorRig::address(0), t });
        for (const char* t : { "005", "012", "033" })
            gConn().exec("insert into line_set (line_id, proj_id, part_no, mc_id, gw21_ip, dt200_id) "
                         "values ('L0', 'PRJ', 'PART01-A01', 'M0', ?, ?)",
                { MonitorRig::address(0), t });
        OPT_Run* s = openScreen();
        startRow(s, 1, 0);
        s->Timer1()->stop(); // the stream's clock moves only when the test says
        gwsim::SimGateway& gw = rig->gw(0);
        QCOMPARE(ask(gw, 9, keyFrame(9, 7)), QString("User:"));
        QCOMPARE(ask(gw, 9, dataFrame(9, "U1")), QString("Part No:"));
        QCOMPARE(ask(gw, 9, dataFrame(9, "P1")), QString("Initialization:"));
        QCOMPARE(ask(gw, 12, keyFrame(12, 7)), QString("User:"));
        for (int t : { 5, 33 }) {
            QCOMPARE(ask(gw, t, keyFrame(t, 7)), QString("User:"));
            QCOMPARE(ask(gw, t, dataFrame(t, "U1")), QString("Part No:"));
        }
        // Three part numbers of 21 bytes each; byte 7 of their last 49 bytes
        // is the 21 of a length.
        const QByteArray burst = dataFrame(5, "PART01-A01") + dataFrame(12, "PART01-A01") + dataFrame(33, "PART01-A01");

        // Each row's writes, the stream's clock moved gapMs after each, and
        // what each terminal is shown for them (the others, nothing).
        struct Row {
            const char* what;
            QList<QByteArray> writes;
            QMap<int, QStringList> shown;
            int gapMs = 0;
        };
        const Row rows[] = {
            { "F4 then F7, byte 0 = 0x30", { withByte0(keyFrame(9, 4), 0x30), withByte0(keyFrame(12, 7), 0x30) },
                { { 12, { "User:" } }, { 9, { "Initialization:" } } } },
            { "9 kept its user and part number", { dataFrame(9, "0") }, { { 9, { "Machine/Module/Slot:" } } } },
            { "F7 then F7", { withByte0(keyFrame(9, 7), 0x30), withByte0(keyFrame(12, 7), 0x30) },
                { { 12, { "User:" } }, { 9, { "User:" } } } },
            { "start-ups, byte 0 = 0xFF",
                { withByte0(gwsim::startupFrame(9), 0xFF), withByte0(gwsim::startupFrame(12), 0xFF) },
                { { 12, { "User:" } }, { 9, { "User:" } } } },
            { "five bytes of nothing", { QByteArray("\x05\0\0\0\0", 5), dataFrame(12, "U1") },
                { { 12, { "Part No:" } } } },
            { "10 of 14 bytes, the rest never sent", { dataFrame(9, "OP9").left(10), dataFrame(12, "P1") },
                { { 12, { "Initialization:" } } } },
            { "start-up, byte 0 = 0, 2.6 s after F4",
                { withByte0(keyFrame(9, 4), 0x30), withByte0(gwsim::startupFrame(12), 0) },
                { { 12, { "User:" } }, { 9, { "User:" } } }, 2600 },
            { "byte 0 past the size", { withByte0(dataFrame(12, "U1"), 0x40) }, { { 12, { "Part No:" } } } },
            { "14 bytes, 50 ms later their rest and two frames", { burst.left(14), burst.mid(14) },
                { { 5, { "Initialization:" } }, { 12, { "Initialization:" } }, { 33, { "Initialization:" } } }, 50 },
            { "the same 2.6 s apart", { burst.left(14), burst.mid(14) },
                { { 12, { "Invalid Initialization" } }, { 33, { "Invalid Initialization" } } }, 2600 },
        };
        const QList<int> terminals = { 5, 9, 12, 21, 33 };
        for (const Row& row : rows) {
            QMap<int, qsizetype> at;
            for (int t : terminals)
                at[t] = gw.terminal(t).displays.size();
            for (const QByteArray& w : row.writes) {
                QVERIFY(gw.send(w));
                QTest::qWait(100);
                rig->streamMs += row.gapMs;
            }
            for (int t : row.shown.keys() + terminals) {
                const QStringList shown = shownAfter(gw, t, at[t], row.shown.value(t).size());
                QVERIFY2(shown == row.shown.value(t),
                    qPrintable(QString("%1: %2 shown %3").arg(row.what).arg(t).arg(shown.join('|'))));
            }
        }
        QCOMPARE(gw.terminal(9).signalFrames, QList<bool>({ false, false }));
        QVERIFY(gw.terminal(0).displays.isEmpty() && gw.terminal(0).signalFrames.isEmpty());
        QCOMPARE(lines(s).filter(",Connet error!").size(), 0);
        QCOMPARE(prompter().messages.size(), 0);
    }

    // The database goes away mid-shift, twice: a scan it cannot check is
    // answered with nothing and no rejection, the history tells each outage
    // once, on one line, and its end once, however the connection came
    // back; the same scan after its return is checked and recorded.
    void databaseStoppedAndRestarted()
    {
        QFETCH_GLOBAL(QString, backend);
        OPT_Run* s = openScreen();
        startRow(s, 1, 0);
        gwsim::SimGateway& gw = rig->gw(0);
        toComponentStep(gw);

        // Stopped: on PostgreSQL the database refuses connections and its
        // sessions are ended; on SQLite the file cannot be reached.
        const db::ConnectionSettings settings = testdb::lastSettings();
        for (int outage = 1; outage <= 2; ++outage) {
            if (backend == "postgres") {
                testdb::adminExec(QString("ALTER DATABASE %1 ALLOW_CONNECTIONS false").arg(settings.database));
                testdb::adminExec(
                    QString("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = '%1'")
                        .arg(settings.database));
            } else {
                Module1::settings().connection.database = "/nonexistent/trova/down.sqlite";
                gConn().close();
            }
            scanUnanswered(s, gw, "LK1");
            for (int tick = 0; tick < 3; ++tick)
                s->Timer1_Timer();
            scanUnanswered(s, gw, "LK1");
            const QStringList down = lines(s).filter("Database Error= ");
            QCOMPARE(down.size(), outage);
            QVERIFY2(!down.last().contains('\n') && !down.last().contains('\t'), qPrintable(down.last()));

            if (backend == "postgres")
                testdb::adminExec(QString("ALTER DATABASE %1 ALLOW_CONNECTIONS true").arg(settings.database));
            else
                Module1::settings().connection = settings;
            // The first time another screen reopens the connection between
            // ticks: the tick still ends the outage, so the next one is told.
            if (outage == 1)
                QVERIFY(Module1::OpenConnection());
            s->Timer1_Timer();
            QVERIFY(lines(s).last().endsWith("  Database connect ok"));
        }
        QCOMPARE(ask(gw, 1, dataFrame(1, "LK1")), QString("Machine/Module/Slot:"));
        QCOMPARE(gConn().count("select count(*) from check_history"), 1);
        QCOMPARE(prompter().messages.size(), 0);
    }

    // Another connection holds the lock a component scan needs (the write
    // lock of the SQLite file, an exclusive lock on check_history on the
    // server): the scan is abandoned within the lock time-out, with nothing
    // sent and no rejection, and another gateway's start-up frame waits no
    // longer than that; once the lock is gone the same scan is recorded.
    // That gateway's user id came cut, its rest 0.6 s later while the scan
    // waited: the wait for a rest counts from the bytes' arrival, so it is
    // joined and answered.
    void databaseLockedDuringAScan()
    {
        QFETCH_GLOBAL(QString, backend);
        const bool server = backend == "postgres";
        const qint64 timeoutMs = server ? db::kLockTimeoutMs : db::kBusyTimeoutMs;
        if (server) {
            QCOMPARE(gConn().scalar("show statement_timeout").toString(), QString("5s"));
            // A link that stops answering is given up, as its socket says.
            const int fd = socketOnLocalPort(gConn().scalar("select inet_client_port()").toInt());
            QVERIFY(fd >= 0);
            QCOMPARE(socketOption(fd, IPPROTO_TCP, TCP_USER_TIMEOUT), db::kLinkTimeoutMs);
            QCOMPARE(socketOption(fd, SOL_SOCKET, SO_KEEPALIVE), 1);
            QCOMPARE(socketOption(fd, IPPROTO_TCP, TCP_KEEPIDLE), db::kKeepaliveIdleSecs);
        }
        OPT_Run* s = openScreen();
        s->setStreamClock({}); // the lock's wait is real time
        startRow(s, 1, 0);
        startRow(s, 2, 1);
        gwsim::SimGateway& gw = rig->gw(0);
        toComponentStep(gw);
        QCOMPARE(ask(rig->gw(1), 2, keyFrame(2, 7)), QString("User:"));

        // Another workstation holds the lock for 40 s, or until the checks
        // below are done: a scan that waited for it would be late, not hung.
        constexpr qint64 heldMs = 40000;
        std::atomic<bool> locked = false, release = false;
        testdb::SecondConnection locker([&](db::Database& other) {
            other.beginLocked("test"); // SQLite: the file's write lock
            if (server)
                other.exec("LOCK TABLE check_history IN ACCESS EXCLUSIVE MODE");
            locked = true;
            QDeadlineTimer until(heldMs);
            while (!release && !until.hasExpired())
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            other.rollback();
        });
        QTRY_VERIFY_WITH_TIMEOUT(locked, 10000);
        const QByteArray user = dataFrame(2, "U1");
        QVERIFY(rig->gw(1).send(user.left(10)));
        QTest::qWait(100);
        QElapsedTimer took;
        took.start();
        rig->gw(1).sendLater(user.mid(10) + gwsim::startupFrame(1), 600);
        scanUnanswered(s, gw, "LK1");
        QVERIFY2(took.elapsed() >= timeoutMs - 100, qPrintable(QString::number(took.elapsed())));
        QTRY_COMPARE_WITH_TIMEOUT(rig->gw(1).terminal(1).shown(), QString("User:"), 5000);
        // Its order, well short of the 40 s the lock is held: a busy machine
        // adds to the time-out, a scan that waited for the lock would not
        // come before the lock goes.
        QVERIFY2(took.elapsed() < heldMs / 2, qPrintable(QString::number(took.elapsed())));
        QTRY_COMPARE_WITH_TIMEOUT(rig->gw(1).terminal(2).shown(), QString("Part No:"), 5000);
        const QStringList down = lines(s).filter("Database Error= ");
        QCOMPARE(down.size(), 1);
        QVERIFY2(!down.first().contains('\n') && !down.first().contains('\t'), qPrintable(down.first()));
        // The watchdog's probe gets through the lock; the outage lasts until
        // a scan does: one line for its start, one for its end.
        s->Timer1_Timer();
        scanUnanswered(s, gw, "LK1");
        QCOMPARE(lines(s).filter("Database Error= ").size(), 1);
        QCOMPARE(lines(s).filter("  Database connect ok").size(), 0);
        release = true;
        QCOMPARE(locker.finish(), QString());

        QCOMPARE(ask(gw, 1, dataFrame(1, "LK1")), QString("Machine/Module/Slot:"));
        QCOMPARE(lines(s).filter("  Database connect ok").size(), 1);
        QCOMPARE(lines(s).filter("Database Error= ").size(), 1);
        QCOMPARE(gConn().count("select count(*) from check_history where link_id = 'LK1'"), 1);
        QCOMPARE(prompter().messages.size(), 0);
    }

    // One gateway writes megabytes on end, frames longer than any frame can
    // be: the monitor takes them a bounded read at a time, so the other
    // gateway's terminal is answered at once throughout.
    void floodOfOneLinkLeavesTheOthersServed()
    {
        gwsim::FloodGateway flood;
        OPT_Run* s = nullptr;
        openBesideFlood(&s, flood, 0, QByteArray(), dataFrame(1, QByteArray(1 << 20, '7')));
        if (!s)
            return;
        // Answered within 50 ms on average (about 6 ms here, against 100 ms
        // when a read takes all the link holds).
        int answered = 0;
        keepAsking(2000, [&] { ++answered; });
        if (QTest::currentTestFailed())
            return;
        const long long written = flood.written();
        flood.stop();
        QVERIFY2(answered >= 40, qPrintable(QString::number(answered)));
        QVERIFY(written > 8 * 1024 * 1024);
        QTest::mouseClick(s->cmdStart(3), Qt::LeftButton);
    }

    // A gateway that floods and never reads its answers: once its unsent
    // answers pass their bound its frames are dropped, told once, and the
    // answers stay near the bound; the other gateway is served throughout.
    void gatewayThatReadsNoAnswers()
    {
        gwsim::FloodGateway hostile;
        OPT_Run* s = nullptr;
        // Terminal 2 started, then F4 on and on: each answered with the prompt
        // and the signal, over a slow link whose buffers fill after a few KB.
        openBesideFlood(&s, hostile, 4096, keyFrame(2, 7), keyFrame(2, 4).repeated(100), 10);
        if (!s)
            return;
        s->WSClient(3)->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, 4096);
        qint64 most = 0;
        keepAsking(3000, [&] {
            most = qMax(most, s->WSClient(3)->bytesToWrite());
            QTest::qWait(10);
        });
        if (QTest::currentTestFailed())
            return;
        hostile.stop();
        QVERIFY(most > OPT_Run::kMaxUnsentBytes / 2);
        QVERIFY2(most <= 2 * OPT_Run::kMaxUnsentBytes, qPrintable(QString::number(most)));
        // One line a run of dropped frames, never one a frame: a busy machine
        // that falls behind the flood may see its queue empty and a new run
        // begin.
        const qsizetype told = lines(s).filter(", Too many frames waiting: frames dropped  from  127.0.0.4").size();
        QVERIFY2(told >= 1 && told <= 5, qPrintable(QString::number(told)));
        // Its waiting frames went with the bound, not kept for later.
        QTest::mouseClick(s->cmdStart(3), Qt::LeftButton);
        QTest::qWait(100);
        QVERIFY(lines(s).filter("IP:127.0.0.4 Error= The connection to the gateway is not open").isEmpty());
    }

    // The simulator program as a person runs it: the program's own settings
    // file under the home folder and, on SQLite, nothing more: its set-up
    // comes from the program's default database. A terminal with nothing set
    // up starts, takes one rejection and stays quiet.
    void simulatorProgram()
    {
        QFETCH_GLOBAL(QString, backend);
        const quint16 port = rig->gw(0).port();
        rig->gw(0).switchOff();
        QTemporaryDir home;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString& name : env.keys())
            if (name.startsWith("TROVA_") || name.startsWith("XDG_"))
                env.remove(name);
        env.insert("HOME", home.path());
        QSettings ini(home.filePath(".config/TROVA/trova.ini"), QSettings::IniFormat);
        ini.setValue("Gateway/Port", port);
        const db::ConnectionSettings c = testdb::lastSettings();
        if (backend == "sqlite") {
            QVERIFY(QDir().mkpath(home.filePath(".local/share/TROVA")));
            gConn().exec("vacuum into ?", { home.filePath(".local/share/TROVA/trova.db") });
        } else {
            const QStringList keys = { "Driver", "Host", "Port", "Name", "User", "Password" };
            const QVariantList values = { c.driver, c.host, c.port, c.database, c.user, c.password };
            for (int i = 0; i < keys.size(); ++i)
                ini.setValue("Database/" + keys[i], values[i]);
        }
        ini.sync();

        QProcess refused;
        refused.setProcessEnvironment(env);
        refused.start(TROVA_GATEWAY_SIM, { "--gateway", "10.1.1.1", "--seconds", "5" });
        QVERIFY(refused.waitForFinished(10000));
        QCOMPARE(refused.exitCode(), 2);
        QVERIFY(refused.readAllStandardOutput().contains("only loopback"));

        QProcess sim;
        sim.setProcessEnvironment(env);
        sim.start(TROVA_GATEWAY_SIM,
            { "--gateway", MonitorRig::address(0), "--terminals", "3", "--scenario", "mixed", "--checks", "4", "--user",
                "U1", "--pace", "20", "--seconds", "30" });
        QVERIFY(sim.waitForStarted(5000));
        QByteArray output;
        QTRY_VERIFY_WITH_TIMEOUT((output += sim.readAllStandardOutput()).contains("waiting for the monitor"), 10000);
        OPT_Run* s = openScreen();
        QTest::mouseClick(s->cmdStart(1), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(sim.state(), QProcess::NotRunning, 30000);
        output += sim.readAllStandardOutput();
        QCOMPARE(sim.exitCode(), 0);
        QVERIFY2(output.contains("8 component checks, 3 rejections"), output.constData());
        QCOMPARE(gConn().count("select count(*) from check_history where gw21_ip = ? and check_value = '0'",
                     { MonitorRig::address(0) }),
            6);
        QCOMPARE(gConn().count("select count(*) from check_history where gw21_ip = ? and check_value = '1' "
                               "and link_id = 'LK2' and comp_code = 'C1'",
                     { MonitorRig::address(0) }),
            2);
        // Terminal 3: its start-up, its user and the part number it lacks.
        QCOMPARE(lines(s).filter("DT200->003").size(), 3);
    }

    // Nine rows for the gateways: a tenth is reported and the terminals
    // still load; an empty set-up gives a plain message.
    void gatewayListLimits()
    {
        for (int g = 3; g < 10; ++g)
            gConn().exec("insert into line_set (line_id, proj_id, part_no, mc_id, gw21_ip, dt200_id) "
                         "values ('L9', 'PRJ', 'P1', 'M9', ?, '001')",
                { MonitorRig::address(g) });
        OPT_Run* s = openScreen();
        QCOMPARE(s->cboGW()->count(), 9);
        QCOMPARE(prompter().messages.size(), 1);
        // The last by text: "127.0.0.10" and "127.0.0.11" come before "127.0.0.2".
        QVERIFY(prompter().last().text.contains("127.0.0.9"));
        QCOMPARE(monitor::gTerminals().loaded(), 13);
        own.reset();

        gConn().exec("delete from line_set");
        prompter().clear();
        s = openScreen();
        QCOMPARE(s->cboGW()->count(), 0);
        QCOMPARE(prompter().messages.size(), 1);
        QVERIFY(!s->cmdStart(1)->isEnabled());
    }
};

TROVA_TEST(MonitorTest)
#include "tst_Monitor.moc"
