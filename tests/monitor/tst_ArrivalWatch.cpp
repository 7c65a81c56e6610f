#include "ArrivalWatch.h"
#include "TestMain.h"

#include <QTest>
#include <arpa/inet.h>
#include <atomic>
#include <netinet/in.h>
#include <poll.h>
#include <semaphore>
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

    // A readiness the thread saw before the bytes were read and the watch
    // re-armed is theirs, not the next bytes'.
    void readinessSeenBeforeTheReadIsTheReadsOwn()
    {
        int pair[2];
        QCOMPARE(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
        std::atomic<bool> hold = false;
        std::binary_semaphore polled(0), go(0);
        ArrivalWatch w([&] {
            if (hold.exchange(false)) {
                polled.release();
                go.acquire();
            }
        });
        w.watch(pair[0]);
        QTest::qWait(50); // the thread waits on the descriptor
        hold = true;
        QCOMPARE(::write(pair[1], "x", 1), 1);
        QVERIFY(polled.try_acquire_for(std::chrono::seconds(10)));
        char b;
        QCOMPARE(::read(pair[0], &b, 1), 1);
        w.takeAge(pair[0]);
        go.release();
        QTest::qWait(50);
        QCOMPARE(w.waitingAge(pair[0]), -1);
        ::close(pair[0]);
        ::close(pair[1]);
    }

    // A descriptor forgotten is out of the thread's wait by the time forget
    // returns, so that closing it closes the connection at once; and the
    // latest bytes of a read are aged by their arrival, not by the read.
    void forgottenLinkClosesAtOnce()
    {
        const int server = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a {};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof a;
        QCOMPARE(::bind(server, reinterpret_cast<sockaddr*>(&a), size), 0);
        QCOMPARE(::listen(server, 1), 0);
        QCOMPARE(::getsockname(server, reinterpret_cast<sockaddr*>(&a), &size), 0);
        const int client = ::socket(AF_INET, SOCK_STREAM, 0);
        QCOMPARE(::connect(client, reinterpret_cast<sockaddr*>(&a), size), 0);
        const int peer = ::accept(server, nullptr, nullptr);
        QVERIFY(peer >= 0);
        ::close(server);

        ArrivalWatch w;
        w.watch(client);
        QCOMPARE(::write(peer, "x", 1), 1);
        QTRY_VERIFY(w.waitingAge(client) >= 0);
        QTest::qWait(300);
        char b;
        QCOMPARE(::read(client, &b, 1), 1);
        const ArrivalWatch::Ages ages = w.take(client);
        QVERIFY2(ages.last >= 250 && ages.first >= ages.last, qPrintable(QString::number(ages.last)));

        // Left with nothing to read, the thread waits on the descriptor.
        QTest::qWait(50);
        w.forget(client);
        ::close(client);
        pollfd p { peer, POLLIN, 0 };
        QCOMPARE(::poll(&p, 1, 5000), 1);
        QCOMPARE(::recv(peer, &b, 1, 0), 0); // the close
        ::close(peer);
    }
};

TROVA_TEST(ArrivalWatchTest)
#include "tst_ArrivalWatch.moc"
