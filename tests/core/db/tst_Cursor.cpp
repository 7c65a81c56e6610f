#include "TestDb.h"
#include "TestMain.h"
#include "app/Module1.h"

#include <QTest>

using Module1::gConn;

// Reading a large result batch by batch over a connection of its own.
class CursorTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data() { testdb::addBackendRows(); }
    void init() { TESTDB_INIT(); }

    void batchesInOrderWhileTheSharedConnectionWrites()
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
    }

    void emptyStoppedAndFailed()
    {
        db::Cursor none = gConn().openCursor("select proj_id from proj_info");
        QVERIFY(none.atEnd());
        QVERIFY(none.fetch(5).isEmpty());

        for (int i = 0; i < 5; ++i)
            gConn().exec("insert into proj_info (proj_id) values (?)", { QString("P%1").arg(i) });
        db::Cursor stopped = gConn().openCursor("select proj_id from proj_info order by proj_id");
        QCOMPARE(stopped.fetch(2).size(), 2);
        stopped.close();
        QVERIFY(stopped.atEnd());
        QVERIFY(stopped.fetch(2).isEmpty());

        QVERIFY_THROWS_EXCEPTION(db::DbError, gConn().openCursor("select nothing from no_such_table"));
    }
};

TROVA_TEST(CursorTest)
#include "tst_Cursor.moc"
