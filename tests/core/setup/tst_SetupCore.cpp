#include "DbRows.h"
#include "TestDb.h"
#include "TestMain.h"
#include "app/Module1.h"
#include "setup/ComponentSetup.h"
#include "setup/SetupImports.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>
#include <QThread>

using Module1::gConn;
using namespace setup;
using workbook::Rows;

namespace {

const ModuleKey kKey { "L1", "P1", "M1", "MD1" };

void store(const QString& slot, const QString& comp)
{
    gConn().exec("insert into component_set (line_id, part_no, mc_id, md_id, slot_code, comp_code, update_user, "
                 "update_time) values ('L1', 'P1', 'M1', 'MD1', ?, ?, 'OLD', sysdate)",
        { slot, comp });
}

// slot|component|user of every stored slot, by slot.
QStringList stored()
{
    return testing::queryRows("select slot_code, comp_code, update_user from component_set order by slot_code");
}

// action|slot|from|to of every journal row of the module written by U1, by slot.
QStringList journal()
{
    return testing::queryRows("select action, slot_code, from_comp, to_comp from set_hist where line_id = 'L1' and "
                              "part_no = 'P1' and mc_id = 'M1' and md_id = 'MD1' and update_user = 'U1' and "
                              "update_time is not null order by slot_code");
}

} // namespace

// The component set-up's Save with its journal, and the checks of the line
// set-up import (the other imports are tested through their screens).
class SetupCoreTest : public testdb::Case {
    Q_OBJECT

private Q_SLOTS:
    void newJournalsEveryRealChangeOnce()
    {
        store("S1", "C1"); // stays
        store("S2", "C2"); // given another component
        store("S3", "C3"); // cleared
        const QList<SlotRow> rows = { { "S1", "C1" }, { "S2", "C9" }, { "S3", "" }, { "S4", "C4" }, { "S5", "" } };
        QCOMPARE(SaveSlotRows(gConn(), SaveMode::New, kKey, rows, "U1"), 3);
        QCOMPARE(stored(), QStringList({ "S1|C1|OLD", "S2|C9|U1", "S4|C4|U1" }));
        // A stored slot given another component is an update, and a slot
        // that was never stored leaves no "Delete" row.
        QCOMPARE(journal(), QStringList({ "Update|S2|C2|C9", "Delete|S3|C3|", "Insert|S4||C4" }));

        // Saving the same grid again changes nothing.
        QCOMPARE(SaveSlotRows(gConn(), SaveMode::New, kKey, { { "S1", "C1" }, { "S2", "C9" }, { "S3", "" } }, "U1"), 0);
        QCOMPARE(gConn().count("select count(*) from set_hist"), 3);
    }

    void deleteTakesTheMarkedSlot()
    {
        store("S1", "C1");
        store("S2", "C2");
        // Journalled with what the slot held, whatever the grid shows.
        QCOMPARE(SaveSlotRows(gConn(), SaveMode::Del, kKey, { { "S1", "C1" }, { "S2", "C7", true } }, "U1"), 1);
        QCOMPARE(stored(), QStringList({ "S1|C1|OLD" }));
        QCOMPARE(journal(), QStringList({ "Delete|S2|C2|" }));
        // No mark, or a marked slot that is not stored: nothing at all.
        QCOMPARE(SaveSlotRows(gConn(), SaveMode::Del, kKey, { { "S1", "C1" }, { "S9", "", true } }, "U1"), 0);
        QCOMPARE(gConn().count("select count(*) from set_hist"), 1);
        // That other modules and part numbers are not touched is the screen's test.
    }

    void failedWriteLeavesNoJournalRow()
    {
        // A component set-up that refuses one component: the row fails after
        // its journal row was written.
        gConn().exec("drop view dt200_link_info");
        gConn().exec("drop table component_set");
        gConn().exec("create table component_set (line_id varchar(8), part_no varchar(20), mc_id varchar(20), "
                     "md_id varchar(8), slot_code varchar(8), comp_code varchar(30) check (comp_code <> 'BAD'), "
                     "update_user varchar(8), update_time timestamp)");
        const QList<SlotRow> rows = { { "S1", "C1" }, { "S2", "BAD" }, { "S3", "C3" } };
        QVERIFY_THROWS_EXCEPTION(db::DbError, SaveSlotRows(gConn(), SaveMode::New, kKey, rows, "U1"));
        // The row before stays with its journal row; the failing row left
        // nothing; the rows after it were not handled.
        QCOMPARE(stored(), QStringList({ "S1|C1|U1" }));
        QCOMPARE(journal(), QStringList({ "Insert|S1||C1" }));
    }

    // Another workstation deletes a slot while this Save is about to change
    // it: the Save waits, sees the slot gone and journals what it then
    // does, never an update that touched nothing.
    void concurrentDeleteIsSeen()
    {
        store("S2", "C2");
        db::Transaction tx(gConn());
        gConn().exec("delete from component_set where slot_code = 'S2'");
        testdb::SecondConnection other(
            [](db::Database& second) { SaveSlotRows(second, SaveMode::Edit, kKey, { { "S2", "C9" } }, "U1"); });
        QThread::msleep(300);
        tx.commit();
        QCOMPARE(other.finish(), QString());
        QCOMPARE(stored(), QStringList({ "S2|C9|U1" }));
        QCOMPARE(journal(), QStringList({ "Insert|S2||C9" }));
    }

    // One rule on every road (the screens' boxes, the import's column): a
    // whole number, however typed, becomes three digits at least and keeps
    // its value; any other text stays as typed; and a stored id comes back
    // unchanged, so that a list exported and imported again stores nothing new.
    void terminalIdFormat()
    {
        for (const auto& [typed, stored] : { std::pair { "5", "005" }, { " 0012 ", "012" }, { "-1", "-001" },
                 { "1234", "1234" }, { "T5", "T5" }, { "1.5", "1.5" }, { "2.0", "2.0" }, { "1e1", "1e1" } })
            QCOMPARE(FormatTerminalId(typed), QString(stored));
        const auto imported = LineSetImport(gConn()).columns.at(5).toValue;
        QRandomGenerator random(52);
        const QString alphabet = QStringLiteral("0123456789+-. eE");
        for (int i = 0; i < 20000; ++i) {
            QString typed;
            for (int n = random.bounded(7); n > 0; --n)
                typed += alphabet.at(random.bounded(int(alphabet.size())));
            const QString stored = FormatTerminalId(typed);
            QCOMPARE(imported(typed), stored);
            QCOMPARE(FormatTerminalId(stored), stored);
            bool whole = false;
            const qlonglong value = typed.trimmed().toLongLong(&whole);
            if (!whole) {
                QCOMPARE(stored, typed);
                continue;
            }
            QCOMPARE(stored.toLongLong(), value);
            QVERIFY2(QRegularExpression("^-?[0-9]{3,}$").match(stored).hasMatch(), qPrintable(typed));
        }
    }

    void lineSetImportChecksInOrder()
    {
        gConn().exec("insert into line_info (line_id, line_desc) values ('L1', 'x')");
        gConn().exec("insert into part_info (part_no, proj_id) values ('P1', 'PR1')");
        gConn().exec("insert into mc_info (mc_id, line_id) values ('M1', 'L9')"); // another line: not checked
        gConn().exec("insert into dt200_info (gw21_ip, dt200_id) values ('10.0.0.5', '005')");
        gConn().exec("insert into line_set (line_id, proj_id, part_no, mc_id, gw21_ip, dt200_id, update_user, "
                     "update_time) values ('L1', 'PR1', 'P1', 'M1', '10.0.0.5', '005', 'OLD', sysdate)");
        const Rows rows = { { "head" }, { "L1", "PR1", "P1", "M1", "10.0.0.5", "5" }, // equal to the stored row
            { "LX", "PRX", "PX", "MX", "10.0.0.9", "7" }, // fails on the line first
            { "L1", "PR1", "PX", "M1", "10.0.0.5", "5" }, { "L1", "PR1", "P1", "MX", "10.0.0.5", "5" },
            { "L1", "PR1", "P1", "M1", "10.0.0.5", "6" }, { "L1", "PR1", "P1", "M1", "10.0.0.5", "005" },
            { "", "after the end" } };
        QStringList log;
        const auto out
            = workbook::importRows(rows, LineSetImport(gConn()), gConn(), "U1", [&](const QString& l) { log << l; });
        QCOMPARE(out.stored, 2);
        QCOMPARE(out.rejected, 4);
        QCOMPARE(log,
            QStringList({ "Cannot found the Line ID LX", "Cannot found the Part No PX and the Project PR1 relations",
                "Cannot found the Machine ID MX", "Cannot found the GW21 10.0.0.5 and the DT200 6 relations" }));
        // The equal row only renewed its audit columns; "5" and "005" are one terminal.
        QCOMPARE(testing::queryRows("select dt200_id, update_user from line_set"), QStringList({ "005|U1" }));
    }
};

TROVA_TEST(SetupCoreTest)
#include "tst_SetupCore.moc"
