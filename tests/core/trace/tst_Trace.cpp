#include "app/Module1.h"
#include "db/Schema.h"
#include "trace/Snapshot.h"
#include "DbRows.h"
#include "TestDb.h"
#include "TestMain.h"

#include <QTest>
#include <QThread>
#include <QUuid>
#include <thread>

using Module1::gConn;

namespace {

const QDateTime kT0(QDate(2026, 3, 10), QTime(8, 0, 0));
const QDate kDay(2026, 3, 11);

struct Check
{
    QString part = "P1";
    QString mc = "M1";
    QString md = "MD1";
    QString slot = "S1";
    QString comp = "C1";
    int at = 0; // seconds after kT0
    QString value = "0";
    QString panel = "5";
    QString lot = "LOT";
    QString gw = "10.0.0.5";
    QString terminal = "005";
    QString user = "U1";
    QString line = "L1";
};

qlonglong addCheck(const Check& c)
{
    gConn().exec("insert into check_history (line_id, part_no, mc_id, md_id, slot_code, comp_code, gw21_ip, dt200_id, "
                 "check_value, check_time, update_user, update_time, vender_comp, ref_designator, polarity_check, "
                 "lot_no, ship_date, rt_no, link_id, panel_no, qty) "
                 "values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 'V', 'R1', 'Y', ?, '2401', 'RT', ?, ?, 7)",
                 {c.line, c.part, c.mc, c.md, c.slot, c.comp, c.gw, c.terminal, c.value, kT0.addSecs(c.at), c.user,
                  kT0.addSecs(c.at), c.lot, QString("LK-" + c.lot), c.panel});
    return gConn().scalar("select max(check_id) from check_history").toLongLong();
}

void addSet(const QString& part, const QString& mc, const QString& md, const QString& slot, const QString& comp)
{
    gConn().exec("insert into component_set (line_id, part_no, mc_id, md_id, slot_code, comp_code) "
                 "values ('L1', ?, ?, ?, ?, ?)",
                 {part, mc, md, slot, comp});
}

void addPart(const QString& part, const QString& project)
{
    gConn().exec("insert into part_info (part_no, part_desc, proj_id, approve) values (?, 'desc', ?, '1')",
                 {part, project});
}

QStringList rowsOf(const QString& sql, db::Database& d = gConn())
{
    return testing::queryRows(sql, {}, &d);
}

QStringList tracePath()
{
    return rowsOf("select self_no, line_id, mc_id, md_id, slot_code, comp_code, part_no, lot_no, link_id, "
                  "create_user, update_user, update_time from trace_path order by self_no, md_id, slot_code");
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

// A project with two part numbers on two machines:
// P1 on M1 expects C1 on MD1/S1 and C2 on MD1/S2; P2 on M2 expects C3 on
// MD2/S1. P9 belongs to another project.
void handBuiltHistory(QMap<QString, qlonglong>& ids)
{
    addPart("P1", "PRJ");
    addPart("P2", "PRJ");
    addPart("P9", "OTHER");
    addSet("P1", "M1", "MD1", "S1", "C1");
    addSet("P1", "M1", "MD1", "S2", "C2");
    addSet("P2", "M2", "MD2", "S1", "C3");
    addSet("P9", "M1", "MD1", "S1", "C1");

    ids["p1s1-old"] = addCheck({.slot = "S1", .comp = "C1", .at = 0, .panel = "3", .lot = "A0"});
    ids["p1s1"] = addCheck({.slot = "S1", .comp = "C1", .at = 10, .panel = "4", .lot = "A1"});
    // A mismatch in the same second as the good check: never in a snapshot.
    ids["p1s1-bad"] = addCheck({.slot = "S1", .comp = "C1", .at = 10, .value = "1", .panel = "4", .lot = "BAD"});
    ids["p1s2-first"] = addCheck({.slot = "S2", .comp = "C2", .at = 20, .panel = "5", .lot = "A2-FIRST"});
    // Two good checks of one slot in one second: the one recorded last.
    ids["p1s2"] = addCheck({.slot = "S2", .comp = "C2", .at = 20, .panel = "5", .lot = "A2"});
    // A later good check on a panel above the saved one, and the slot
    // change it brought: both after the snapshot's bound.
    ids["p1-later"] = addCheck({.slot = "S2", .comp = "C2", .at = 30, .panel = "6", .lot = "LATE"});
    // Another project's part number in the same second as P1's newest check.
    ids["p9"] = addCheck({.part = "P9", .slot = "S1", .comp = "C1", .at = 20, .panel = "5", .lot = "P9"});
    // A slot not set up for the part number is not part of its snapshot.
    ids["p1-unset"] = addCheck({.slot = "S7", .comp = "C1", .at = 15, .panel = "5", .lot = "UNSET"});
    ids["p2s1"] = addCheck({.part = "P2", .mc = "M2", .md = "MD2", .slot = "S1", .comp = "C3", .at = 5,
                            .panel = "2", .lot = "B1"});
}

} // namespace

// The review updates and the traceability snapshot on hand-built check
// histories.
class TraceTest : public QObject
{
    Q_OBJECT

    QMap<QString, qlonglong> ids;

private Q_SLOTS:
    void initTestCase_data() { testdb::addBackendRows(); }
    void init()
    {
        TESTDB_INIT();
        ids.clear();
    }

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
        // Every index is still there, and the key's own on PostgreSQL.
        QCOMPARE(old.count(indexCount), indexesBefore + (backend == "postgres" ? 1 : 0));
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
        handBuiltHistory(ids);
        const auto latest = trace::LatestChecks(gConn(), "PRJ", " 5 ");
        QCOMPARE(latest.size(), size_t(2));
        QCOMPARE(latest[0].checkId, ids["p1s2"]);
        QCOMPARE(latest[1].checkId, ids["p2s1"]);

        const trace::SaveResult r = trace::SavePanel(gConn(), panelSave(" 5 ", {"SN1", " SN2 "}, " B1 "));
        QCOMPARE(int(r.status), int(trace::SaveResult::Status::Saved));
        QCOMPARE(r.selfNos, QStringList({"2603110001", "2603110002"}));
        QCOMPARE(tracePath(), QStringList({
                                  "2603110001|L1|M1|MD1|S1|C1|P1|A1|LK-A1|SAVER|U1|2026-03-10 08:00:10",
                                  "2603110001|L1|M1|MD1|S2|C2|P1|A2|LK-A2|SAVER|U1|2026-03-10 08:00:20",
                                  "2603110002|L1|M2|MD2|S1|C3|P2|B1|LK-B1|SAVER|U1|2026-03-10 08:00:05",
                              }));
        QCOMPARE(traceInfo(), QStringList({
                                  "B1|5|SN1|2603110001|SAVER|PRJ|P1",
                                  "B1|5|SN2|2603110001|SAVER|PRJ|P1",
                                  "B1|5|SN1|2603110002|SAVER|PRJ|P2",
                                  "B1|5|SN2|2603110002|SAVER|PRJ|P2",
                              }));
        QCOMPARE(rowsOf("select qty from trace_path where md_id = 'MD2'"), QStringList({"7"}));
        QCOMPARE(trace::PanelSerials(gConn(), "PRJ", "B1 ", "5"), QStringList({"SN1", "SN2"}));
        QVERIFY(trace::SerialExists(gConn(), "PRJ", " SN2"));
        QVERIFY(!trace::SerialExists(gConn(), "OTHER", "SN2"));

        // Panel numbers compare as text: panel 10 sorts before panels 2 to 6.
        QVERIFY(trace::LatestChecks(gConn(), "PRJ", "10").empty());
    }

    void rerunReplacesThePanel()
    {
        handBuiltHistory(ids);
        QCOMPARE(trace::SavePanel(gConn(), panelSave("5", {"SN1"})).selfNos.size(), 2);
        // Another panel of the batch stays as it is.
        QCOMPARE(trace::SavePanel(gConn(), panelSave("4", {"SN7"})).selfNos,
                 QStringList({"2603110003", "2603110004"}));
        const trace::SaveResult again = trace::SavePanel(gConn(), panelSave("5", {"SN1", "SN3"}));
        QCOMPARE(again.selfNos, QStringList({"2603110005", "2603110006"}));
        QCOMPARE(rowsOf("select distinct self_no from trace_path order by self_no"),
                 QStringList({"2603110003", "2603110004", "2603110005", "2603110006"}));
        QCOMPARE(rowsOf("select sn_no, self_no from trace_info where panel_no = '5' order by self_no, sn_no"),
                 QStringList({"SN1|2603110005", "SN3|2603110005", "SN1|2603110006", "SN3|2603110006"}));
        QCOMPARE(gConn().count("select count(*) from trace_info where panel_no = '4'"), 2);
    }

    void failedSaveKeepsThePreviousSnapshot()
    {
        handBuiltHistory(ids);
        QCOMPARE(trace::SavePanel(gConn(), panelSave("5", {"SN1"})).selfNos.size(), 2);
        QCOMPARE(trace::SavePanel(gConn(), panelSave("3", {"SN8"})).selfNos.size(), 2);
        const QStringList path = tracePath();
        const QStringList info = traceInfo();

        // SN8 belongs to panel 3: its insert fails after panel 5's old rows
        // were deleted and the first new snapshot was written.
        trace::SaveResult r = trace::SavePanel(gConn(), panelSave("5", {"SN1", "SN8"}));
        QCOMPARE(int(r.status), int(trace::SaveResult::Status::SerialExists));
        QCOMPARE(r.serial, QString("SN8"));
        QVERIFY(r.selfNos.isEmpty());
        // Any other failure half-way: a serial number too long to store.
        QVERIFY_THROWS_EXCEPTION(db::DbError,
                                 trace::SavePanel(gConn(), panelSave("5", {"SN1", QString(60, QChar('X'))})));
        QCOMPARE(tracePath(), path);
        QCOMPARE(traceInfo(), info);
        // The connection is usable after the rollbacks, and no number was used.
        QCOMPARE(trace::SavePanel(gConn(), panelSave("5", {"SN1"})).selfNos, QStringList({"2603110005", "2603110006"}));
    }

    void nothingToSnapshotDeletesNothing()
    {
        handBuiltHistory(ids);
        QCOMPARE(trace::SavePanel(gConn(), panelSave("5", {"SN1"})).selfNos.size(), 2);
        const QStringList path = tracePath();
        // No check at or below panel 1.
        QCOMPARE(int(trace::SavePanel(gConn(), panelSave("1", {"SN5"})).status),
                 int(trace::SaveResult::Status::NothingToSnapshot));
        // Checks, but no set-up for them any more: the old snapshot stays.
        gConn().exec("delete from component_set");
        QCOMPARE(int(trace::SavePanel(gConn(), panelSave("5", {"SN1"})).status),
                 int(trace::SaveResult::Status::NothingToSnapshot));
        QCOMPARE(tracePath(), path);
        QCOMPARE(gConn().count("select count(*) from trace_info"), 2);
    }

    void selfNumbersRunOutAtTheDaysEnd()
    {
        handBuiltHistory(ids);
        QCOMPARE(trace::NextSelfNo(gConn(), kDay), QString("2603110001"));
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
        handBuiltHistory(ids);
        // This connection draws a number and holds it uncommitted while a
        // second connection saves another panel.
        db::Transaction tx(gConn(), trace::kSelfNoSeries);
        const QString mine = trace::NextSelfNo(gConn(), kDay);
        QCOMPARE(mine, QString("2603110001"));
        gConn().exec("insert into trace_path (self_no, part_no) values (?, 'HELD')", {mine});

        QStringList theirs;
        QString failure;
        const db::ConnectionSettings settings = testdb::lastSettings();
        std::thread other([&] {
            db::Database second;
            if (!second.open(settings, &failure))
                return;
            try {
                theirs = trace::SavePanel(second, panelSave("4", {"SN9"})).selfNos;
            } catch (const db::DbError& e) {
                failure = e.text();
            }
        });
        // Without the lock the other save would have read the same highest
        // number by now.
        QThread::msleep(300);
        tx.commit();
        other.join();
        QCOMPARE(failure, QString());
        QCOMPARE(theirs, QStringList({"2603110002", "2603110003"}));
        QCOMPARE(gConn().count("select count(*) from trace_path where self_no = ?", {mine}), 1);
    }

};

TROVA_TEST(TraceTest)
#include "tst_Trace.moc"
