#include "app/Module1.h"
#include "db/Schema.h"
#include "trace/Snapshot.h"
#include "Checks.h"
#include "DbRows.h"
#include "TestDb.h"
#include "TestMain.h"

#include <QTest>
#include <QThread>
#include <QUuid>

using Module1::gConn;

namespace {

const QDateTime kT0(QDate(2026, 3, 10), QTime(8, 0, 0));
const QDate kDay(2026, 3, 11);

// A good check of P1 on M1, module D1, by U1 at kT0 plus some seconds.
qlonglong check(int at, const QString& slot, const QString& lot, const QString& panel,
                testing::Check c = {})
{
    c.time = kT0.addSecs(at);
    c.slot = slot;
    c.comp = QStringLiteral("C") + slot.mid(1);
    c.lot = lot;
    c.panel = panel;
    return testing::addCheck(c);
}

QStringList rowsOf(const QString& sql, db::Database& d = gConn())
{
    return testing::queryRows(sql, {}, &d);
}

QStringList tracePath()
{
    return rowsOf("select self_no, line_id, mc_id, md_id, slot_code, comp_code, part_no, lot_no, create_user, "
                  "update_user, update_time from trace_path order by self_no, md_id, slot_code");
}

QStringList traceInfo()
{
    return rowsOf("select batch_no, panel_no, sn_no, self_no, update_user, proj_id, part_no from trace_info "
                  "order by self_no, sn_no");
}

trace::PanelSave panelSave(const QString& panel, const QStringList& serials, const QString& batch = "B1")
{
    return {"PRJ", batch, panel, serials, "SAVER", kDay};
}

// A project with two part numbers on two machines: P1 on M1 expects C1 on
// D1/S1 and C2 on D1/S2; P2 on M2 expects C3 on D2/S3. P9 belongs to another
// project.
void handBuiltHistory()
{
    gConn().exec("insert into part_info (part_no, proj_id) values ('P1', 'PRJ'), ('P2', 'PRJ'), ('P9', 'OTHER')");
    gConn().exec("insert into component_set (line_id, part_no, mc_id, md_id, slot_code, comp_code) values "
                 "('L1', 'P1', 'M1', 'D1', 'S1', 'C1'), ('L1', 'P1', 'M1', 'D1', 'S2', 'C2'), "
                 "('L1', 'P2', 'M2', 'D2', 'S3', 'C3'), ('L1', 'P9', 'M1', 'D1', 'S1', 'C1')");
    check(0, "S1", "A0", "3");
    check(10, "S1", "A1", "4");
    // A mismatch in the same second as the good check: never in a snapshot.
    check(10, "S1", "BAD", "4", {.value = "1"});
    // Two good checks of one slot in one second: the one recorded last.
    check(20, "S2", "A2-FIRST", "5");
    check(20, "S2", "A2", "5");
    // A later good check on a panel above the saved one: after the
    // snapshot's bound.
    check(30, "S2", "LATE", "6");
    // Another project's part number in the same second as P1's newest check.
    check(20, "S1", "P9", "5", {.part = "P9"});
    // A slot not set up for the part number is not part of its snapshot.
    check(15, "S7", "UNSET", "5");
    check(5, "S3", "B1", "2", {.part = "P2", .machine = "M2", .module = "D2", .qty = 7});
}

} // namespace

// The review updates and the traceability snapshot on hand-built check
// histories.
class TraceTest : public testdb::Case
{
    Q_OBJECT

    void prepare() override { handBuiltHistory(); }

private Q_SLOTS:
    void olderDatabaseGetsCheckKeys()
    {
        // A database as the first schema version left it, with checks.
        QFETCH_GLOBAL(QString, backend);
        db::Database old;
        db::ConnectionSettings s = testdb::lastSettings();
        if (backend == "postgres") {
            const QString name = "trova_v1_" + QUuid::createUuid().toString(QUuid::Id128).left(12);
            testdb::adminExec("CREATE DATABASE " + name + " TEMPLATE template0 ENCODING 'UTF8' "
                              "LC_COLLATE 'C' LC_CTYPE 'C'");
            s = testdb::pgSettings(name);
        } else {
            s.database += ".v1";
        }
        QVERIFY(old.open(s));
        for (const QString& sql : schema::createStatements(old.dialect()))
            old.exec(sql);
        old.exec("create table trova_schema (version integer not null)");
        old.exec("insert into trova_schema (version) values (1)");
        for (const char* user : {"U1", "U2", "U3"})
            old.exec("insert into check_history (line_id, part_no, update_user, update_time, check_value) "
                     "values ('L1', 'P1', ?, ?, '0')",
                     {user, kT0});
        const QString indexCount = backend == "postgres"
                                       ? "select count(*) from pg_indexes where tablename = 'check_history'"
                                       : "select count(*) from sqlite_master where type = 'index' "
                                         "and tbl_name = 'check_history' and sql is not null";
        const qlonglong indexesBefore = old.count(indexCount);

        schema::ensure(old);
        QCOMPARE(schema::storedVersion(old), schema::currentVersion());
        QCOMPARE(rowsOf("select update_user, check_value, approve_value from check_history order by check_id", old),
                 QStringList({"U1|0|1", "U2|0|1", "U3|0|1"}));
        QCOMPARE(old.count("select count(distinct check_id) from check_history"), 3);
        // Every index is still there, the one on a slot's checks is added,
        // and the key's own on PostgreSQL.
        QCOMPARE(old.count(indexCount), indexesBefore + 1 + (backend == "postgres" ? 1 : 0));
        old.exec("insert into check_history (line_id, update_user) values ('L2', 'U4')");
        QCOMPARE(old.count("select count(*) from check_history where check_id > "
                           "(select max(check_id) from check_history where line_id = 'L1')"),
                 1);
        QVERIFY_THROWS_EXCEPTION(db::DbError, old.exec("insert into check_history (check_value) values ('10')"));
        old.close();
        if (backend == "postgres")
            testdb::adminExec("DROP DATABASE IF EXISTS " + s.database);
    }

    void snapshotOfHandBuiltHistory()
    {
        const trace::SaveResult r = trace::SavePanel(gConn(), panelSave(" 5 ", {"SN1", " SN2 "}, " B1 "));
        QCOMPARE(r.selfNos, QStringList({"2603110001", "2603110002"}));
        QCOMPARE(tracePath(), QStringList({"2603110001|L1|M1|D1|S1|C1|P1|A1|SAVER|U1|2026-03-10 08:00:10",
                                           "2603110001|L1|M1|D1|S2|C2|P1|A2|SAVER|U1|2026-03-10 08:00:20",
                                           "2603110002|L1|M2|D2|S3|C3|P2|B1|SAVER|U1|2026-03-10 08:00:05"}));
        QCOMPARE(traceInfo(), QStringList({"B1|5|SN1|2603110001|SAVER|PRJ|P1", "B1|5|SN2|2603110001|SAVER|PRJ|P1",
                                           "B1|5|SN1|2603110002|SAVER|PRJ|P2", "B1|5|SN2|2603110002|SAVER|PRJ|P2"}));
        QCOMPARE(rowsOf("select qty from trace_path where md_id = 'D2'"), QStringList({"7"}));
        QCOMPARE(trace::PanelSerials(gConn(), "PRJ", "B1 ", "5"), QStringList({"SN1", "SN2"}));
        QVERIFY(trace::SerialExists(gConn(), "PRJ", " SN2"));
        QVERIFY(!trace::SerialExists(gConn(), "OTHER", "SN2"));

        // Panel numbers compare as text: panel 10 sorts before panels 2 to 6.
        QVERIFY(trace::LatestChecks(gConn(), "PRJ", "10").empty());
    }

    // A save that cannot complete, whatever stops it, leaves the panel's
    // earlier snapshot as it was; one that completes replaces it and only it.
    void failedSaveKeepsThePreviousSnapshot()
    {
        QCOMPARE(trace::SavePanel(gConn(), panelSave("5", {"SN1"})).selfNos.size(), 2);
        QCOMPARE(trace::SavePanel(gConn(), panelSave("3", {"SN8"})).selfNos.size(), 2);
        const QStringList path = tracePath();
        const QStringList info = traceInfo();

        // SN8 belongs to panel 3: its insert fails after panel 5's old rows
        // were deleted and the first new snapshot was written.
        trace::SaveResult r = trace::SavePanel(gConn(), panelSave("5", {"SN1", "SN8"}));
        QCOMPARE(int(r.status), int(trace::SaveResult::Status::SerialExists));
        QCOMPARE(r.serial, QString("SN8"));
        // Any other failure half-way: a serial number too long to store.
        QVERIFY_THROWS_EXCEPTION(db::DbError,
                                 trace::SavePanel(gConn(), panelSave("5", {"SN1", QString(60, QChar('X'))})));
        // Checks but no set-up for them any more.
        gConn().exec("update component_set set mc_id = 'GONE'");
        QCOMPARE(int(trace::SavePanel(gConn(), panelSave("5", {"SN1"})).status),
                 int(trace::SaveResult::Status::NothingToSnapshot));
        QCOMPARE(tracePath(), path);
        QCOMPARE(traceInfo(), info);
        // The connection is usable after the rollbacks, and no number was used.
        gConn().exec("update component_set set mc_id = case when part_no = 'P2' then 'M2' else 'M1' end");
        QCOMPARE(trace::SavePanel(gConn(), panelSave("5", {"SN3"})).selfNos, QStringList({"2603110005", "2603110006"}));
        QCOMPARE(rowsOf("select distinct self_no from trace_path order by self_no"),
                 QStringList({"2603110003", "2603110004", "2603110005", "2603110006"}));
        QCOMPARE(rowsOf("select panel_no, sn_no from trace_info order by panel_no, sn_no"),
                 QStringList({"3|SN8", "3|SN8", "5|SN3", "5|SN3"}));
    }

    void selfNumbersRunOutAtTheDaysEnd()
    {
        gConn().exec("insert into trace_path (self_no) values ('2603119998')");
        gConn().exec("insert into trace_path (self_no) values ('2603100042')");
        QCOMPARE(trace::NextSelfNo(gConn(), kDay), QString("2603119999"));
        QCOMPARE(trace::NextSelfNo(gConn(), kDay.addDays(-1)), QString("2603100043"));
        // Two snapshots wanted, one number left: nothing is written.
        trace::SaveResult r = trace::SavePanel(gConn(), panelSave("5", {"SN1"}));
        QCOMPARE(int(r.status), int(trace::SaveResult::Status::SequenceFull));
        QCOMPARE(gConn().count("select count(*) from trace_path"), 2);
        QCOMPARE(gConn().count("select count(*) from trace_info"), 0);
    }

    void concurrentSavesDrawDistinctNumbers()
    {
        // This connection draws a number and holds it uncommitted while a
        // second connection saves another panel.
        db::Transaction tx(gConn(), trace::kSelfNoSeries);
        const QString mine = trace::NextSelfNo(gConn(), kDay);
        QCOMPARE(mine, QString("2603110001"));
        gConn().exec("insert into trace_path (self_no, part_no) values (?, 'HELD')", {mine});

        QStringList theirs;
        testdb::SecondConnection other(
            [&](db::Database& second) { theirs = trace::SavePanel(second, panelSave("4", {"SN9"})).selfNos; });
        // Without the lock the other save would have read the same highest
        // number by now.
        QThread::msleep(300);
        tx.commit();
        QCOMPARE(other.finish(), QString());
        QCOMPARE(theirs, QStringList({"2603110002", "2603110003"}));
        QCOMPARE(gConn().count("select count(*) from trace_path where self_no = ?", {mine}), 1);
    }

};

TROVA_TEST(TraceTest)
#include "tst_Trace.moc"
