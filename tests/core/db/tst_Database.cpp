#include "DbRows.h"
#include "TestDb.h"
#include "TestMain.h"
#include "app/Module1.h"

#include <QTest>
#include <functional>

using db::DbError;
using db::ErrorKind;
using Module1::gConn;

// The data layer and its dialect on both engines: what the screens rely on
// when they bind values, read times and react to refused writes, and large
// results read batch by batch over a connection of their own.
class DatabaseTest : public testdb::Case {
    Q_OBJECT

private Q_SLOTS:
    void serverTimeIsToTheSecond()
    {
        const QDateTime before = QDateTime::currentDateTime().addSecs(-2);
        gConn().exec("insert into line_info (line_id, line_desc, update_user, update_time) "
                     "values (?, ?, ?, sysdate)",
            { "L1", "Line one", "SYSADMIN" });
        db::ResultSet rs = gConn().query("select update_time from line_info where line_id = ?", { "L1" });
        const QDateTime t = rs.dateTime("UPDATE_TIME");
        QCOMPARE(t.time().msec(), 0);
        QVERIFY(t >= before);
        QVERIFY(t <= QDateTime::currentDateTime().addSecs(2));
        QCOMPARE(rs.timeText("update_time"), t.toString("MM/dd/yyyy HH:mm:ss"));
    }

    // Values are data, whatever they hold: an empty text is stored as NULL
    // (and refused as a key, as the old database refused it), quotes and
    // backslashes are stored as typed.
    void boundValues()
    {
        const QString nasty = QStringLiteral("O'B \\ '; drop table x;--");
        gConn().exec("insert into line_info (line_id, line_desc) values (?, ?)", { "L1", QString("") });
        for (const char* id : { "L2", "L3" })
            gConn().exec("insert into line_info (line_id, line_desc) values (?, ?)", { id, nasty });
        QCOMPARE(testing::queryRows("select line_id from line_info where line_desc is null"), QStringList({ "L1" }));
        QCOMPARE(gConn().count("select count(*) from line_info where line_desc = ?", { nasty }), 2);
        QVERIFY_THROWS_EXCEPTION(DbError, gConn().exec("insert into line_info (line_id) values (?)", { QString("") }));

        QVERIFY(Module1::RecordExists(nasty, "line_info", "line_desc"));
        QVERIFY(Module1::RecordExists("L1", "line_info", "line_id"));
        QVERIFY(!Module1::RecordExists("l1", "line_info", "line_id"));
    }

    // A refusal that is neither a duplicate nor a value too long (those the
    // screens' failed saves tell apart) is no lost connection, and the
    // connection is still usable after it.
    void refusedWritesAreClassified()
    {
        try {
            gConn().exec("insert into no_such_table values (1)");
            QFAIL("no error for a missing table");
        } catch (const DbError& e) {
            QVERIFY(!e.text().isEmpty());
            QCOMPARE(int(e.kind()), int(ErrorKind::Other));
        }
        QCOMPARE(gConn().count("select count(*) from line_info"), 0);
    }

    // A connection found lost is closed: every later call, a transaction's
    // commit included, says so until it is opened again, and nothing of the
    // transaction is stored. The server ends the session within one; SQLite
    // cannot open a file it is asked for.
    void lostConnectionStaysClosed()
    {
        db::Database conn;
        QString error;
        QVERIFY2(conn.open(testdb::lastSettings(), &error), qPrintable(error));
        const bool server = conn.engine() == db::Engine::PostgreSQL;
        if (server) {
            conn.begin();
            conn.exec("insert into line_info (line_id) values (?)", { "L1" });
            testdb::adminExec(QStringLiteral("SELECT pg_terminate_backend(%1)")
                                  .arg(conn.scalar("select pg_backend_pid()").toLongLong()));
        }
        const auto lost = [&conn](const std::function<void()>& call) {
            try {
                call();
                QFAIL("no error on a lost connection");
            } catch (const DbError& e) {
                QCOMPARE(int(e.kind()), int(ErrorKind::ConnectionLost));
            }
        };
        lost([&] {
            if (server)
                conn.exec("insert into line_info (line_id) values (?)", { "L2" });
            else
                conn.exec("attach database ? as gone", { "/nonexistent-folder/gone.db" });
        });
        QVERIFY(!conn.isOpen());
        lost([&] { conn.commit(); });
        lost([&] { conn.count("select count(*) from line_info"); });
        QCOMPARE(gConn().count("select count(*) from line_info"), 0);
    }

    void textSortsBytewise()
    {
        for (const char* id : { "a", "B", "_", "b", "A" })
            gConn().exec("insert into line_info (line_id) values (?)", { QString::fromLatin1(id) });
        QCOMPARE(testing::queryRows("select line_id from line_info order by line_id"),
            QStringList({ "A", "B", "_", "a", "b" }));
    }

    void slotBarcodeView()
    {
        auto& c = gConn();
        c.exec("insert into line_set (line_id, proj_id, part_no, mc_id, gw21_ip, dt200_id) "
               "values ('L1', 'PR', 'P1', 'MC1', '10.0.0.5', '001')");
        c.exec("insert into component_set (line_id, part_no, mc_id, md_id, slot_code, comp_code) "
               "values ('L1', 'P1', 'MC1', 'MD1', 'S01', 'C1')");
        c.exec("insert into slot_link (link_no, mc_id, md_id, slot_code) values ('B1', 'MC1', 'MD1', 'S01')");
        // Linked to a slot with no component set up: not scannable.
        c.exec("insert into slot_link (link_no, mc_id, md_id, slot_code) values ('B2', 'MC1', 'MD1', 'S02')");
        const QString q = "select count(*) from dt200_link_info where link_no = ? and gw21_ip = ? and "
                          "dt200_id = ? and part_no = ?";
        QCOMPARE(c.count(q, { "B1", "10.0.0.5", "001", "P1" }), 1);
        QCOMPARE(c.count(q, { "B2", "10.0.0.5", "001", "P1" }), 0);
        QCOMPARE(c.count(q, { "B1", "10.0.0.5", "002", "P1" }), 0);
        QCOMPARE(c.count(q, { "B1", "10.0.0.5", "001", "P2" }), 0);
    }

    void cursorsReadBatchByBatch()
    {
        for (int i = 0; i < 25; ++i)
            gConn().exec("insert into proj_info (proj_id, proj_desc) values (?, ?)",
                { QString("P%1").arg(i, 2, 10, QChar('0')), i % 2 ? QVariant("odd") : QVariant() });
        db::Cursor c = gConn().openCursor(
            "select proj_id, proj_desc from proj_info where proj_id >= ? order by proj_id", { "P05" });
        auto first = c.fetch(10);
        QCOMPARE(first.size(), 10);
        QCOMPARE(first.first().at(0).toString(), QString("P05"));
        QCOMPARE(first.first().at(1).toString(), QString("odd"));
        QVERIFY(first.at(1).at(1).isNull());
        // The terminal monitor keeps writing on the shared connection meanwhile.
        gConn().exec("insert into line_info (line_id, line_desc) values ('L1', 'one')", {});
        QCOMPARE(c.fetch(7).size(), 7);
        const auto last = c.fetch(10);
        QCOMPARE(last.size(), 3);
        QCOMPARE(last.last().at(0).toString(), QString("P24"));
        QVERIFY(c.atEnd());
        QVERIFY(c.fetch(10).isEmpty());

        // An empty result, one closed half-way, and one that fails at once.
        db::Cursor none = gConn().openCursor("select proj_id from proj_info where proj_id > 'P99'");
        QVERIFY(none.atEnd());
        QVERIFY(none.fetch(5).isEmpty());
        db::Cursor stopped = gConn().openCursor("select proj_id from proj_info order by proj_id");
        QCOMPARE(stopped.fetch(2).size(), 2);
        stopped.close();
        QVERIFY(stopped.atEnd());
        QVERIFY(stopped.fetch(2).isEmpty());

        QVERIFY_THROWS_EXCEPTION(db::DbError, gConn().openCursor("select nothing from no_such_table"));
    }
};

TROVA_TEST(DatabaseTest)
#include "tst_Database.moc"
