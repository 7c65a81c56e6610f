#include "FreezingProxy.h"
#include "TestDb.h"
#include "TestMain.h"

#include <QElapsedTimer>
#include <QTest>
#include <functional>

using db::Database;
using db::DbError;
using db::ErrorKind;

// A server whose process is frozen while its host still answers TCP: the
// program's connection gives up on it after its deadline, as a lost
// connection, instead of waiting for ever; once it answers again a new
// connection works.
class FrozenServerTest : public QObject {
    Q_OBJECT

    std::unique_ptr<FreezingProxy> proxy;
    db::ConnectionSettings throughProxy;

private Q_SLOTS:
    void init()
    {
        if (!testdb::postgresConfigured())
            QSKIP("no PostgreSQL configured (TROVA_TEST_PG_HOST is not set)");
        testdb::fresh(QStringLiteral("postgres"));
        throughProxy = testdb::lastSettings();
        proxy = std::make_unique<FreezingProxy>(throughProxy.host, throughProxy.port);
        throughProxy.host = QStringLiteral("127.0.0.1");
        throughProxy.port = proxy->port();
    }

    void cleanup() { proxy.reset(); }

    void callOnAFrozenServerFails_data()
    {
        using Call = std::function<void(Database&)>;
        QTest::addColumn<Call>("before");
        QTest::addColumn<Call>("call");
        // Whether the call, once sent, may have stored its rows.
        QTest::addColumn<bool>("unknown");
        const Call nothing = [](Database&) {};
        const Call insert = [](Database& c) { c.exec("insert into line_info (line_id) values ('L1')"); };
        QTest::newRow("read with values")
            << nothing << Call([](Database& c) { c.query("select line_id from line_info where line_id = ?", { "L1" }); })
            << false;
        QTest::newRow("write") << nothing << insert << true;
        QTest::newRow("write in a transaction") << Call([](Database& c) { c.begin(); }) << insert << false;
        QTest::newRow("commit") << Call([](Database& c) {
            c.begin();
            c.exec("insert into line_info (line_id) values (?)", { "L1" });
        }) << Call([](Database& c) { c.commit(); }) << true;
    }

    void callOnAFrozenServerFails()
    {
        using Call = std::function<void(Database&)>;
        QFETCH(Call, before);
        QFETCH(Call, call);
        QFETCH(bool, unknown);
        Database conn;
        QString error;
        QVERIFY2(conn.open(throughProxy, &error), qPrintable(error));
        before(conn);

        proxy->freeze();
        QElapsedTimer timer;
        timer.start();
        try {
            call(conn);
            QFAIL("the call on the frozen server succeeded");
        } catch (const DbError& e) {
            QCOMPARE(e.kind(), ErrorKind::ConnectionLost);
            QCOMPARE(e.outcomeUnknown(), unknown);
        }
        // Its order, well short of the freeze's 30 s.
        QVERIFY2(timer.elapsed() < 2 * db::kDeadlineMs, qPrintable(QString::number(timer.elapsed())));

        proxy->thaw();
        QVERIFY2(conn.open(throughProxy, &error), qPrintable(error));
        conn.exec("insert into line_info (line_id) values (?)", { "L2" });
        QCOMPARE(conn.count("select count(*) from line_info where line_id = ?", { "L2" }), 1);
    }

    // Work that lifted the waits (a schema upgrade) may outlast the deadline,
    // and a deadline held for a statement that ended never ends the
    // connection later; once it is committed, the waits are bounded again.
    void liftedWaitsOutlastTheDeadline()
    {
        Database conn;
        QString error;
        QVERIFY2(conn.open(throughProxy, &error), qPrintable(error));
        conn.probe();
        {
            db::Transaction tx(conn);
            conn.unboundWaitsInTransaction();
            conn.query("select pg_sleep(?)", { db::kDeadlineMs / 1000 + 1 });
            tx.commit();
        }
        QCOMPARE(conn.count("select count(*) from line_info"), 0);
        QCOMPARE(conn.scalar("show statement_timeout").toString(), QString("5s"));

        proxy->freeze();
        try {
            conn.probe();
            QFAIL("the call on the frozen server succeeded");
        } catch (const DbError& e) {
            QCOMPARE(e.kind(), ErrorKind::ConnectionLost);
        }
    }
};

TROVA_TEST(FrozenServerTest)
#include "tst_FrozenServer.moc"
