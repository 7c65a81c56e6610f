#include "ArrivalWatch.h"
#include "TestMain.h"

#include <QTest>
#include <sys/socket.h>
#include <unistd.h>

// When a gateway's bytes came, noted while the reader is kept from them.
class ArrivalWatchTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Bytes read at once leave nothing noted for the next ones, however the
    // watch's thread and the reader meet (a note left behind would keep a
    // piece from ever being handed on); bytes left unread count from their
    // arrival.
    void bytesCountFromTheirArrival()
    {
        int pair[2];
        QCOMPARE(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
        ArrivalWatch w;
        w.watch(pair[0]);
        char b[16];
        for (int n = 0; n < 3000; ++n) {
            QCOMPARE(::write(pair[1], "x", 1), 1);
            QCOMPARE(::read(pair[0], b, sizeof b), 1);
            w.takeAge(pair[0]);
            usleep(1000);
            QCOMPARE(w.waitingAge(pair[0]), -1);
        }

        QCOMPARE(::write(pair[1], "y", 1), 1);
        QTest::qWait(1000);
        QVERIFY(w.waitingAge(pair[0]) >= 500);
        QCOMPARE(::read(pair[0], b, sizeof b), 1);
        QVERIFY(w.takeAge(pair[0]) >= 500);
        QCOMPARE(w.waitingAge(pair[0]), -1);
        ::close(pair[0]);
        ::close(pair[1]);
    }
};

TROVA_TEST(ArrivalWatchTest)
#include "tst_ArrivalWatch.moc"
