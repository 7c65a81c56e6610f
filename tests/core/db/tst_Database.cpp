#include "app/Module1.h"
#include "db/Schema.h"
#include "TestDb.h"
#include "TestMain.h"

#include <QTest>

using db::DbError;
using db::ErrorKind;
using Module1::gConn;

// The data layer and its dialect on both engines: what the screens rely on
// when they bind values, read times and react to refused writes.
class DatabaseTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data() { testdb::addBackendRows(); }
    void init() { TESTDB_INIT(); }

    void serverTimeIsToTheSecond()
    {
        const QDateTime before = QDateTime::currentDateTime().addSecs(-2);
        gConn().exec("insert into line_info (line_id, line_desc, update_user, update_time) "
                     "values (?, ?, ?, sysdate)",
                     {"L1", "Line one", "SYSADMIN"});
        db::ResultSet rs = gConn().query("select update_time from line_info where line_id = ?", {"L1"});
        QCOMPARE(rs.recordCount(), 1);
        const QDateTime t = rs.dateTime("UPDATE_TIME");
        QVERIFY(t.isValid());
        QCOMPARE(t.time().msec(), 0);
        QVERIFY(t >= before);
        QVERIFY(t <= QDateTime::currentDateTime().addSecs(2));
        QVERIFY(gConn().serverNow().isValid());
        QCOMPARE(rs.timeText("update_time"), t.toString("MM/dd/yyyy HH:mm:ss"));
    }

    void boundTimeFindsRowToTheSecond()
    {
        const QDateTime t(QDate(2024, 3, 5), QTime(7, 8, 9));
        gConn().exec("insert into check_history (line_id, part_no, check_value, update_user, update_time) "
                     "values (?, ?, '0', ?, ?)",
                     {"L1", "P1", "U1", t});
        QCOMPARE(gConn().count("select count(*) from check_history where update_time = ?", {t}), 1);
        QCOMPARE(gConn().count("select count(*) from check_history where update_time between ? and ?",
                               {t.addSecs(-1), t.addSecs(1)}),
                 1);
        QCOMPARE(gConn().count("select count(*) from check_history where update_time = ?", {t.addSecs(1)}), 0);
        QCOMPARE(gConn().query("select update_time from check_history").dateTime("update_time"), t);
    }

    void emptyTextIsStoredAsNull()
    {
        gConn().exec("insert into line_info (line_id, line_desc) values (?, ?)", {"L1", QString("")});
        QCOMPARE(gConn().count("select count(*) from line_info where line_desc is null"), 1);
        // An empty key is refused, as the old database refused it.
        try {
            gConn().exec("insert into line_info (line_id, line_desc) values (?, ?)", {QString(""), "x"});
            QFAIL("an empty key was stored");
        } catch (const DbError&) {
        }
    }

    void quotesAndBackslashesAreData()
    {
        const QString nasty = QStringLiteral("O'B \\ '; drop table x;--");
        gConn().exec("insert into line_info (line_id, line_desc) values (?, ?)", {"L1", nasty});
        QCOMPARE(gConn().scalar("select line_desc from line_info where line_desc = ?", {nasty}).toString(), nasty);
        QVERIFY(Module1::RecordExists(nasty, "line_info", "line_desc"));
        QCOMPARE(gConn().count("select count(*) from line_info"), 1);
    }

    void refusedWritesAreClassified()
    {
        gConn().exec("insert into line_info (line_id) values ('L1')");
        try {
            gConn().exec("insert into line_info (line_id) values ('L1')");
            QFAIL("duplicate key stored");
        } catch (const DbError& e) {
            QCOMPARE(e.kind(), ErrorKind::UniqueViolation);
            QVERIFY(!e.text().isEmpty());
        }
        try {
            gConn().exec("insert into line_info (line_id) values (?)", {"TOOLONG99"});
            QFAIL("a nine-character line id was stored");
        } catch (const DbError& e) {
            QCOMPARE(e.kind(), ErrorKind::ValueTooLong);
        }
        try {
            gConn().exec("insert into no_such_table values (1)");
            QFAIL("bad statement ran");
        } catch (const DbError& e) {
            QCOMPARE(e.kind(), ErrorKind::Other);
        }
        // The connection is still usable after each refusal.
        QCOMPARE(gConn().count("select count(*) from line_info"), 1);
    }

    void textSortsBytewise()
    {
        for (const char* id : {"a", "B", "_", "b", "A"})
            gConn().exec("insert into line_info (line_id) values (?)", {QString::fromLatin1(id)});
        QStringList order;
        for (db::ResultSet rs = gConn().query("select line_id from line_info order by line_id"); !rs.eof();
             rs.moveNext())
            order << rs.text(0);
        QCOMPARE(order, QStringList({"A", "B", "_", "a", "b"}));
    }

    void commitStatementIsHarmless()
    {
        gConn().exec("insert into line_info (line_id) values ('L1')");
        QCOMPARE(gConn().exec("commit"), 0);
        QCOMPARE(gConn().count("select count(*) from line_info"), 1);
    }

    void transactionRollsBack()
    {
        {
            db::Transaction tx(gConn());
            gConn().exec("insert into slot_info (slot_id, md_id, mc_id) values ('S1', 'M1', 'MC')");
        }
        QCOMPARE(gConn().count("select count(*) from slot_info"), 0);
        {
            db::Transaction tx(gConn());
            gConn().exec("insert into slot_info (slot_id, md_id, mc_id) values ('S1', 'M1', 'MC')");
            tx.commit();
        }
        QCOMPARE(gConn().count("select count(*) from slot_info"), 1);
    }

    void recordExists()
    {
        QVERIFY(!Module1::RecordExists("L1", "line_info", "line_id"));
        gConn().exec("insert into mc_info (mc_id, line_id) values ('M1', 'L1')");
        gConn().exec("insert into mc_info (mc_id, line_id) values ('M2', 'L1')");
        QVERIFY(Module1::RecordExists("L1", "mc_info", "line_id"));
        QVERIFY(!Module1::RecordExists("l1", "mc_info", "line_id"));
    }

    void schemaIsIdempotentAndSeeded()
    {
        QCOMPARE(schema::storedVersion(gConn()), schema::currentVersion());
        gConn().exec("insert into line_info (line_id) values ('KEEP')");
        schema::ensure(gConn());
        QCOMPARE(gConn().count("select count(*) from line_info"), 1);
        QCOMPARE(gConn().count("select count(*) from function_list"), 38);
        QCOMPARE(gConn().count("select count(*) from function_grant where group_id = 'SYSADMIN'"), 38);
        QCOMPARE(gConn().count("select count(*) from user_list where user_id = 'SYSADMIN' and password = ?",
                               {"42691428"}),
                 1);
        QCOMPARE(gConn().count("select count(*) from user_group where group_id = 'SYSADMIN' and status = '1'"), 1);
        // The default of a column nothing writes.
        gConn().exec("insert into check_history (line_id) values ('L1')");
        QCOMPARE(gConn().scalar("select approve_value from check_history").toString(), QString("1"));
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
        QCOMPARE(c.count(q, {"B1", "10.0.0.5", "001", "P1"}), 1);
        QCOMPARE(c.count(q, {"B2", "10.0.0.5", "001", "P1"}), 0);
        QCOMPARE(c.count(q, {"B1", "10.0.0.5", "002", "P1"}), 0);
        QCOMPARE(c.count(q, {"B1", "10.0.0.5", "001", "P2"}), 0);
    }

    void failedOpenIsReported()
    {
        db::Database other;
        db::ConnectionSettings s = testdb::lastSettings();
        if (s.driver == "QPSQL")
            s.database = "no_such_database_here";
        else
            s.database = "/nonexistent-folder/x/y.db";
        QString error;
        QVERIFY(!other.open(s, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY_THROWS_EXCEPTION(DbError, other.query("select 1"));
    }
};

TROVA_TEST(DatabaseTest)
#include "tst_Database.moc"
