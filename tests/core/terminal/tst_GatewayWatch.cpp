#include "TestMain.h"
#include "terminal/GatewayWatch.h"

#include <QTest>
#include <QTimeZone>

using namespace monitor;

// The watchdog's rules for one gateway, on a clock of the test's own.
class GatewayWatchTest : public QObject {
    Q_OBJECT

    using Action = GatewayWatch::Action;

private Q_SLOTS:
    void pendingConnectGetsItsTime()
    {
        const QDateTime t0(QDate(2026, 3, 1), QTime(10, 0, 0));
        GatewayWatch w;
        w.started(t0);
        QCOMPARE(w.tick(false, true, t0.addSecs(9)), Action::None);
        QCOMPARE(w.tick(false, true, t0.addSecs(10)), Action::Reconnect);
        QCOMPARE(w.tick(false, true, t0.addSecs(15)), Action::None);
        // A refused attempt is over at once: tried again at the next tick.
        QCOMPARE(w.tick(false, false, t0.addSecs(16)), Action::Reconnect);
        QCOMPARE(w.tick(false, false, t0.addSecs(17)), Action::Reconnect);
        // Reconnecting does not count as data.
        QCOMPARE(w.lastRx(), t0);
    }

    void silenceCountsMinuteBoundaries()
    {
        const QDate d(2026, 3, 1);
        GatewayWatch w;
        w.started(QDateTime(d, QTime(10, 0, 59)));
        QCOMPARE(w.tick(true, false, QDateTime(d, QTime(10, 5, 59))), Action::None);
        QCOMPARE(w.tick(true, false, QDateTime(d, QTime(10, 6, 0))), Action::Reset);
        QCOMPARE(w.lastRx(), QDateTime(d, QTime(10, 6, 0)));
        w.received(QDateTime(d, QTime(10, 0, 0)));
        QCOMPARE(w.tick(true, false, QDateTime(d, QTime(10, 5, 59, 999))), Action::None);
        QCOMPARE(w.tick(true, false, QDateTime(d, QTime(10, 6, 0))), Action::Reset);
        // A connection made after an outage restarts the count.
        w.received(QDateTime(d, QTime(8, 0, 0)));
        w.connected(QDateTime(d, QTime(11, 0, 0)));
        QCOMPARE(w.tick(true, false, QDateTime(d, QTime(11, 0, 1))), Action::None);
    }

    void daylightSavingDoesNotJump()
    {
        const QTimeZone berlin("Europe/Berlin");
        if (!berlin.isValid())
            QSKIP("no time zone data");
        // Clocks go forward at 02:00: five real minutes are not an hour.
        const QDateTime before(QDate(2026, 3, 29), QTime(1, 58, 0), berlin);
        const QDateTime after(QDate(2026, 3, 29), QTime(3, 1, 0), berlin);
        QCOMPARE(MinuteBoundaries(before, after), 3);
        GatewayWatch w;
        w.received(before);
        QCOMPARE(w.tick(true, false, after), Action::None);
        // Clocks go back at 03:00: an hour of silence is not negative.
        const QDateTime summer = QDateTime(QDate(2026, 10, 25), QTime(0, 30, 0), QTimeZone::utc()).toTimeZone(berlin);
        QCOMPARE(summer.time(), QTime(2, 30, 0));
        const QDateTime winter = summer.addSecs(3600);
        QCOMPARE(winter.time(), QTime(2, 30, 0));
        QCOMPARE(MinuteBoundaries(summer, winter), 60);
        w.received(summer);
        QCOMPARE(w.tick(true, false, winter), Action::Reset);
    }
};

TROVA_TEST(GatewayWatchTest)
#include "tst_GatewayWatch.moc"
