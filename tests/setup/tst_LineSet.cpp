#include "DbRows.h"
#include "ExportCatcher.h"
#include "MainWindowFixture.h"
#include "Mtc_DT200.h"
#include "OPT_Line_Set.h"
#include "SetupTestKit.h"
#include "TestDb.h"
#include "TestMain.h"
#include "Widgets.h"
#include "app/Module1.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

using Module1::gConn;
using testing::comboItems;
using testing::prompter;

namespace {

void addLineSet(const QStringList& r)
{
    gConn().exec("insert into line_set (line_id, proj_id, part_no, mc_id, gw21_ip, dt200_id, update_user, update_time) "
                 "values (?, ?, ?, ?, ?, ?, 'OLD', sysdate)",
        { r[0], r[1], r[2], r[3], r[4], r[5] });
}

QStringList lineSets()
{
    return testing::queryRows("select line_id, proj_id, part_no, mc_id, gw21_ip, dt200_id, update_user "
                              "from line_set order by line_id, mc_id, dt200_id, part_no, gw21_ip");
}

// New with L1, PR1, P1, M1 and the gateway picked, and the terminal typed.
void typeNewRow(OPT_Line_Set* s, const char* gateway, const QString& terminal)
{
    s->cmdNew->click();
    for (auto [box, text] : { std::pair { s->cboLine, "L1" }, { s->cboProj, "PR1" }, { s->cboPart, "P1" },
             { s->cboMC, "M1" }, { s->cboGW21, gateway } })
        testing::choose(box, text);
    s->cboDT->setFocus();
    QTest::keyClicks(s->cboDT->lineEdit(), terminal);
}

} // namespace

// What the line set-up screen adds to the shared cycle: its cascades, its
// Edit of a terminal's rows, its delete guard and its import.
class LineSetTest : public testdb::Case {
    Q_OBJECT

    testing::ExportCatcher m_exports;

    void prepare() override { kit::seedPlant(); }

private Q_SLOTS:
    void cascadesFollowEveryChange()
    {
        OPT_Line_Set s;
        // Picked, typed or set by the program: the child list follows.
        s.cmdNew->click();
        testing::choose(s.cboLine, "L1");
        QCOMPARE(comboItems(s.cboMC), QStringList({ "M1", "M2" }));
        s.cboLine->lineEdit()->clear();
        QTest::keyClicks(s.cboLine->lineEdit(), "L2");
        QCOMPARE(comboItems(s.cboMC), QStringList({ "M3" }));
        testing::choose(s.cboProj, "PR2");
        QCOMPARE(comboItems(s.cboPart), QStringList({ "P3" }));
        testing::choose(s.cboGW21, "10.0.0.5");
        QCOMPARE(comboItems(s.cboDT), QStringList({ "005", "012" }));

        // A grid row fills the boxes parent first, so every child has its list.
        addLineSet({ "L1", "PR1", "P2", "M2", "10.0.0.6", "001" });
        s.cmdCancel->click();
        s.msfgData->setCurrentCell(0, 1);
        QCOMPARE(comboItems(s.cboDT), QStringList({ "001" }));
        QCOMPARE(s.cboPart->currentText(), QStringLiteral("P2"));
        QCOMPARE(comboItems(s.cboMC), QStringList({ "M1", "M2" }));
        QCOMPARE(s.cboMC->currentText(), QStringLiteral("M2"));
    }

    // A terminal typed as a number is stored in the three digits that DT200
    // Define and the import store and the monitor looks up: what was typed,
    // never a listed terminal that begins with it. After Save no box keeps a
    // value of a row; a refused Save keeps the box as typed.
    void typedTerminalStoredAsTheMonitorFindsIt()
    {
        for (const char* terminal : { "100", "1000" })
            gConn().exec("insert into dt200_info (gw21_ip, dt200_id) values ('10.0.0.6', ?)", { terminal });
        TROVA_OPEN_SCREEN(f, s, OPT_Line_Set, "OPR_Line_SET");
        typeNewRow(s, "10.0.0.6", "1");
        QTest::keyClick(s->cboDT->lineEdit(), Qt::Key_Tab);
        QCOMPARE(s->cboDT->currentText(), QStringLiteral("1"));
        s->cmdSave->click();
        QCOMPARE(lineSets(), QStringList({ "L1|PR1|P1|M1|10.0.0.6|001|SYSADMIN" }));
        for (const QComboBox* box : s->findChildren<QComboBox*>())
            QVERIFY2(box->currentText().isEmpty(), qPrintable(box->objectName()));

        typeNewRow(s, "10.0.0.6", "0001");
        s->cmdSave->click(); // the row is stored already
        QCOMPARE(prompter().last().title, QStringLiteral("Information"));
        QCOMPARE(s->cboDT->currentText(), QStringLiteral("0001"));
    }

    // A terminal number with a sign takes one form on every road: the
    // import finds the terminal DT200 Define stored, and the screen stores
    // the same.
    void signedTerminalAlikeOnEveryRoad()
    {
        MainWindowFixture f;
        QVERIFY(f.logIn());
        auto* terminals = f.open<Mtc_DT200>("Man_DT200");
        QVERIFY(terminals);
        terminals->cmdNew->click();
        terminals->txtIP->setText("10.0.0.9");
        terminals->txtID->setText("-1");
        terminals->cmdSave->click();
        prompter().files.enqueue(m_exports.writeSheet("signed.xlsx",
            { { "Line", "Project", "Part", "Machine", "GW21", "DT200" }, { "L2", "PR2", "P3", "M3", "10.0.0.9", "-1" } }));
        auto* s = f.open<OPT_Line_Set>("OPR_Line_SET");
        QVERIFY(s);
        s->cmdImport->click();
        typeNewRow(s, "10.0.0.9", "-1");
        s->cmdSave->click();
        QCOMPARE(testing::queryRows("select dt200_id from dt200_info where gw21_ip = '10.0.0.9'"),
            QStringList({ "-001" }));
        QCOMPARE(testing::queryRows("select line_id, dt200_id from line_set order by line_id"),
            QStringList({ "L1|-001", "L2|-001" }));
    }

    // Terminal 1.5, stored as typed, beside 002: the list exported and
    // imported again renews the rows and stores nothing new.
    void exportedListImportsBackUnchanged()
    {
        MainWindowFixture f;
        QVERIFY(f.logIn());
        auto* terminals = f.open<Mtc_DT200>("Man_DT200");
        QVERIFY(terminals);
        for (const char* id : { "1.5", "2" }) {
            terminals->cmdNew->click();
            terminals->txtIP->setText("10.0.0.9");
            terminals->txtID->setText(id);
            terminals->cmdSave->click();
        }
        auto* s = f.open<OPT_Line_Set>("OPR_Line_SET");
        QVERIFY(s);
        typeNewRow(s, "10.0.0.9", "1.5");
        s->cmdSave->click();
        typeNewRow(s, "10.0.0.9", "2");
        testing::choose(s->cboMC, "M2");
        s->cmdSave->click();
        const QStringList stored = lineSets();
        QCOMPARE(stored, QStringList({ "L1|PR1|P1|M1|10.0.0.9|1.5|SYSADMIN", "L1|PR1|P1|M2|10.0.0.9|002|SYSADMIN" }));
        gConn().exec("update line_set set update_user = 'OLD'");

        s->cmdExport->click();
        prompter().clear();
        prompter().files.enqueue(m_exports.last());
        s->cmdImport->click();
        QCOMPARE(prompter().texts(), QStringList({ "The success import 2 records." }));
        QCOMPARE(lineSets(), stored);
    }

    // Edit of one of two rows that share line, machine, gateway and
    // terminal changes that row alone.
    void editChangesTheRowShownOnly()
    {
        addLineSet({ "L1", "PR1", "P1", "M1", "10.0.0.6", "001" });
        addLineSet({ "L1", "PR2", "P3", "M1", "10.0.0.6", "001" });
        gConn().exec("insert into part_info (part_no, proj_id) values ('P4', 'PR2')");
        TROVA_OPEN_SCREEN(f, s, OPT_Line_Set, "OPR_Line_SET");
        testing::clickCell(s->msfgData, "PR2", 1, 2);
        s->cmdEdit->click();
        testing::choose(s->cboPart, "P4");
        s->cmdSave->click();
        QCOMPARE(prompter().texts(), QStringList());
        QCOMPARE(lineSets(),
            QStringList({ "L1|PR1|P1|M1|10.0.0.6|001|OLD", "L1|PR2|P4|M1|10.0.0.6|001|SYSADMIN" }));
    }

    void newEditDeleteAndImport()
    {
        OPT_Line_Set s;
        s.cmdNew->click();
        for (auto [box, text] : { std::pair { s.cboLine, "L1" }, { s.cboProj, "PR1" }, { s.cboPart, "P1" },
                 { s.cboMC, "M1" }, { s.cboGW21, "10.0.0.5" } })
            testing::choose(box, text);
        s.cmdSave->click(); // no terminal
        QCOMPARE(prompter().texts(), QStringList({ "The Parameter cannot be null ..." }));
        testing::choose(s.cboDT, "005");
        s.cmdSave->click();
        QCOMPARE(lineSets(), QStringList({ "L1|PR1|P1|M1|10.0.0.5|005|SYSADMIN" }));

        // Edit changes project and part number of the row, and nothing else.
        addLineSet({ "L1", "PR1", "P1", "M1", "10.0.0.5", "012" });
        s.cmdCancel->click();
        s.msfgData->setCurrentCell(0, 1);
        s.cmdEdit->click();
        testing::choose(s.cboProj, "PR2");
        testing::choose(s.cboPart, "P3");
        s.cmdSave->click();
        QCOMPARE(lineSets(), QStringList({ "L1|PR2|P3|M1|10.0.0.5|005|SYSADMIN", "L1|PR1|P1|M1|10.0.0.5|012|OLD" }));

        // The component set-up of the line, part number and machine keeps
        // the rows (another machine's does not); without it only the row
        // equal in all six boxes goes.
        addLineSet({ "L1", "PR1", "P1", "M1", "10.0.0.5", "001" });
        addLineSet({ "L1", "PR1", "P1", "M1", "10.0.0.6", "012" });
        for (const char* mcSlot : { "M1S1", "M1S2", "M1S3", "M2S7" })
            gConn().exec("insert into component_set (line_id, part_no, mc_id, md_id, slot_code, comp_code) "
                         "values ('L1', 'P1', ?, 'MD1', ?, 'C100')",
                { QString(mcSlot).left(2), QString(mcSlot).mid(2) });
        s.cmdCancel->click();
        // The grid is read again after each delete: pick the row afresh.
        const auto pickRow = [&s] {
            s.msfgData->setCurrentCell(int(testing::gridRows(s.msfgData, 6).indexOf("L1|PR1|P1|M1|10.0.0.5|012")), 1);
        };
        pickRow();
        s.cmdDelete->click();
        QCOMPARE(
            prompter().last().text, QStringLiteral("3  records are using this Line set, it cannot be removed ..."));
        gConn().exec("delete from component_set where mc_id = 'M1'");
        pickRow();
        s.cmdDelete->click();
        const QStringList kept = { "L1|PR1|P1|M1|10.0.0.5|001|OLD", "L1|PR2|P3|M1|10.0.0.5|005|SYSADMIN",
            "L1|PR1|P1|M1|10.0.0.6|012|OLD" };
        QCOMPARE(lineSets(), kept);

        // The import: the checks themselves are the core's; here the screen's wiring.
        const QString file = m_exports.writeSheet("lineset.xlsx",
            { { "Line", "Project", "Part", "Machine", "GW21", "DT200" }, { "L2", "PR2", "P3", "M3", "10.0.0.6", "1" },
                { "L2", "PR2", "P3", "M3", "10.0.0.5", "7" } });
        prompter().files.enqueue(file);
        s.cmdImport->click();
        QVERIFY(testing::errorLogText().contains("  Cannot found the GW21 10.0.0.5 and the DT200 7 relations"));
        QCOMPARE(lineSets(), kept + QStringList({ "L2|PR2|P3|M3|10.0.0.6|001|SYSADMIN" }));
    }
};

TROVA_TEST(LineSetTest)
#include "tst_LineSet.moc"
