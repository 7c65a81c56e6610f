#include "DbRows.h"
#include "ExportCatcher.h"
#include "ListTools.h"
#include "MainWindowFixture.h"
#include "Mtc_DT200.h"
#include "Mtc_Machine.h"
#include "ScriptedPrompter.h"
#include "TestDb.h"
#include "TestMain.h"
#include "app/Module1.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

using Module1::gConn;
using testing::prompter;
using testing::queryRows;

// What the line, machine, terminal and project screens add to the cycle:
// which rows keep a key from being deleted, the machine's line, the stored
// form of a terminal id, and the machine import. (The line and project
// imports are the table binding's, tested with the part-number import.)
class PlantScreensTest : public testdb::Case
{
    Q_OBJECT

    testing::ExportCatcher m_sheets;

private Q_SLOTS:
    void deleteGuards_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("line") << "Man_Line" << "3 records are using this Line ID, it cannot be removed ...";
        QTest::newRow("machine") << "Man_Machine" << "3 records are using this Machine ID, it cannot be removed ...";
        QTest::newRow("terminal") << "Man_DT200" << "3 records are using this DT-200, it cannot be removed ...";
        QTest::newRow("project") << "Man_Project" << "1 records are using this Project, it cannot be removed ...";
    }
    // Each screen opened from the main window: its first row is counted by
    // its guard; the second is used only where the guard does not look (a
    // line with machines, a terminal beside a used one, a project of part
    // numbers) and goes.
    void deleteGuards()
    {
        QFETCH(QString, item);
        QFETCH(QString, refusal);
        testing::addLine("L1");
        testing::addLine("L2");
        testing::addMachine("MC1", "L1");
        testing::addMachine("MC2", "L2");
        for (const char* terminal : {"t7", "t8"})
            testing::addRow("dt200_info", {"gw21_ip", "dt200_id"}, {"GW", terminal});
        testing::addRow("proj_info", {"proj_id"}, {"P1"});
        testing::addRow("proj_info", {"proj_id"}, {"P2"});
        testing::addRow("line_set", {"line_id", "proj_id", "part_no", "mc_id", "gw21_ip", "dt200_id"},
                        {"L1", "P1", "PN1", "MC1", "GW", "t7"});
        testing::addRow("part_info", {"part_no", "proj_id"}, {"PN2", "P2"});
        for (int i = 0; i < 3; ++i)
            testing::addRow("check_history", {"line_id", "mc_id", "gw21_ip", "dt200_id", "check_value"},
                            {"L1", "MC1", "GW", "t7", "0"});
        TROVA_OPEN_SCREEN(f, s, PlantScreen, item);
        auto* grid = s->findChild<QTableWidget*>();
        const QStringList kept = Module1::GridRowTexts(grid, 0);
        grid->setCurrentCell(0, 1);
        s->cmdDelete->click();
        QCOMPARE(prompter().texts(), QStringList({"Confirm to delete?", refusal}));
        QCOMPARE(prompter().last().title, QStringLiteral("ERROR"));
        grid->setCurrentCell(1, 1);
        s->cmdDelete->click();
        QCOMPARE(grid->rowCount(), 1);
        QCOMPARE(Module1::GridRowTexts(grid, 0), kept);
    }

    void terminalIdOfOneOrTwoDigits_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::newRow("one digit") << "5" << "005";
        QTest::newRow("two digits, blanks") << " 12 " << "012";
        QTest::newRow("fraction") << "1.5" << "1.5";
    }
    // The monitor looks terminals up as three digits: "5" is stored as
    // "005"; anything else as typed.
    void terminalIdOfOneOrTwoDigits()
    {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        Mtc_DT200 s;
        s.cmdNew->click();
        s.txtIP->setText("10.0.0.1");
        s.txtID->setText(typed);
        s.cmdSave->click();
        QCOMPARE(queryRows("select dt200_id from dt200_info"), QStringList({stored}));
        s.msfgDT200->setCurrentCell(0, 1);
        s.cmdEdit->click();
        s.txtDesc->setText("gun");
        s.cmdSave->click(); // Edit finds the row by the id as stored
        QCOMPARE(queryRows("select dt200_desc from dt200_info"), QStringList({"gun"}));
    }

    // A machine moves to another line by Edit (a line that is gone still
    // shows; the line shown is kept across the reload) and by import, which
    // never inserts it a second time; import rows of unknown lines are logged.
    void machineMovesToAnotherLine()
    {
        testing::addLine("L1");
        testing::addLine("L2");
        testing::addMachine("MC0", "L9");
        Mtc_Machine s;
        s.msfgMachine->setCurrentCell(0, 1);
        QCOMPARE(s.cboLine->currentText(), QStringLiteral("L9"));
        s.cmdEdit->click();
        s.cboLine->setEditText("L1");
        s.cmdSave->click();
        QCOMPARE(queryRows("select mc_id, line_id from mc_info"), QStringList({"MC0|L1"}));
        QCOMPARE(s.cboLine->currentText(), QStringLiteral("L1"));

        prompter().files.enqueue(m_sheets.writeSheet("machines.xlsx", {{"Machine", "Desc", "Line"},
                                                                       {"MC1", "new", "L1"},
                                                                       {"MC2", "lost", "NOLINE"},
                                                                       {"MC3", "no line", ""},
                                                                       {"MC0", "moved", "L2"}}));
        s.cmdImport->click();
        QCOMPARE(queryRows("select mc_id, mc_desc, line_id from mc_info order by mc_id"),
                 QStringList({"MC0|moved|L2", "MC1|new|L1"}));
        QCOMPARE(testing::errorLogLines(),
                 QStringList({"Cannot found the Line ID NOLINE", "Cannot found the Line ID "}));
    }
};

TROVA_TEST(PlantScreensTest)
#include "tst_PlantScreens.moc"
