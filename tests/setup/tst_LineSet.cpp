#include "ExportCatcher.h"
#include "OPT_Line_Set.h"
#include "SetupTestKit.h"
#include "TestDb.h"
#include "TestMain.h"
#include "app/Module1.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

using Module1::gConn;
using kit::prompter;

namespace {

const QList<bool> kBrowseRows = {true, true, true, false, false};
const QList<bool> kEditing = {false, false, false, true, true};

QList<bool> buttons(const OPT_Line_Set& s)
{
    return kit::enabled({s.cmdNew, s.cmdEdit, s.cmdDelete, s.cmdSave, s.cmdCancel});
}

void addLineSet(const QStringList& r)
{
    gConn().exec("insert into line_set (line_id, proj_id, part_no, mc_id, gw21_ip, dt200_id, update_user, update_time) "
                 "values (?, ?, ?, ?, ?, ?, 'OLD', sysdate)",
                 {r[0], r[1], r[2], r[3], r[4], r[5]});
}

QStringList lineSets()
{
    return kit::rows("select line_id, proj_id, part_no, mc_id, gw21_ip, dt200_id, update_user "
                     "from line_set order by line_id, mc_id, dt200_id, part_no");
}

void fill(OPT_Line_Set& s, const QStringList& r)
{
    kit::pick(s.cboLine, r[0]);
    kit::pick(s.cboProj, r[1]);
    kit::pick(s.cboPart, r[2]);
    kit::pick(s.cboMC, r[3]);
    kit::pick(s.cboGW21, r[4]);
    if (!r[5].isEmpty())
        kit::pick(s.cboDT, r[5]);
}

} // namespace

// The line set-up screen: its cascades, the cycle with its own delete guard
// and failure message, the import and the export.
class LineSetTest : public QObject
{
    Q_OBJECT

    testing::ExportCatcher m_exports;

private Q_SLOTS:
    void initTestCase_data() { testdb::addBackendRows(); }
    void init()
    {
        TESTDB_INIT();
        prompter().clear();
        kit::seedPlant();
    }

    void cascadesFollowEveryChange()
    {
        OPT_Line_Set s;
        QCOMPARE(s.cboLine->currentText(), QString()); // the lists only offer

        // Picked, typed or set by the program: the child list follows, with
        // nothing chosen in it.
        s.cmdNew->click();
        kit::pick(s.cboLine, "L1");
        QCOMPARE(kit::entries(s.cboMC), QStringList({"M1", "M2"}));
        QCOMPARE(s.cboMC->currentText(), QString());
        s.cboLine->setEditText("L2");
        QCOMPARE(kit::entries(s.cboMC), QStringList({"M3"}));
        s.cboLine->lineEdit()->clear();
        QTest::keyClicks(s.cboLine->lineEdit(), "L1");
        QCOMPARE(kit::entries(s.cboMC), QStringList({"M1", "M2"}));
        s.cboLine->setEditText("NOLINE");
        QVERIFY(kit::entries(s.cboMC).isEmpty());
        kit::pick(s.cboProj, "PR2");
        QCOMPARE(kit::entries(s.cboPart), QStringList({"P3"}));
        kit::pick(s.cboGW21, "10.0.0.5");
        QCOMPARE(kit::entries(s.cboDT), QStringList({"005", "012"}));

        // A grid row fills the boxes parent first, so every child has its list.
        addLineSet({"L1", "PR1", "P2", "M2", "10.0.0.6", "001"});
        s.cmdCancel->click();
        QCOMPARE(s.EditMode, QStringLiteral("New"));
        QCOMPARE(buttons(s), kBrowseRows);
        s.msfgData->setCurrentCell(0, 1);
        QCOMPARE(s.cboDT->currentText(), QStringLiteral("001"));
        QCOMPARE(kit::entries(s.cboDT), QStringList({"001"}));
        QCOMPARE(kit::entries(s.cboPart), QStringList({"P1", "P2"}));
        QCOMPARE(s.cboPart->currentText(), QStringLiteral("P2"));
        QCOMPARE(kit::entries(s.cboMC), QStringList({"M1", "M2"}));
        QCOMPARE(s.cboMC->currentText(), QStringLiteral("M2"));
    }

    void newEditAndTheirRefusals()
    {
        OPT_Line_Set s;
        s.cmdNew->click();

        // A terminal missing: refused, nothing stored, still in New.
        fill(s, {"L1", "PR1", "P1", "M1", "10.0.0.5", ""});
        s.cmdSave->click();
        QCOMPARE(prompter().texts(), QStringList({"The Parameter cannot be null ..."}));
        QCOMPARE(buttons(s), kEditing);
        QVERIFY(lineSets().isEmpty());

        kit::pick(s.cboDT, "005");
        s.cmdSave->click();
        QCOMPARE(lineSets(), QStringList({"L1|PR1|P1|M1|10.0.0.5|005|SYSADMIN"}));
        QCOMPARE(buttons(s), kBrowseRows);
        QCOMPARE(kit::gridRows(s.msfgData, 8),
                 QStringList({"L1|PR1|P1|M1|10.0.0.5|005|SYSADMIN|System Administrator"}));

        // The same row again: the database refuses it and says why; the
        // screen stays in New with its input for the user to mend.
        s.msfgData->setCurrentCell(0, 1);
        s.cmdNew->click();
        s.cmdSave->click();
        QCOMPARE(prompter().messages.size(), 2);
        QVERIFY(prompter().last().text.endsWith(" ..."));
        QCOMPARE(buttons(s), kEditing);
        QCOMPARE(s.cboDT->currentText(), QStringLiteral("005"));
        QCOMPARE(lineSets().size(), 1);
        s.cmdCancel->click();

        // Edit changes project and part number of every row of the terminal
        // on that line and machine, and nothing else.
        addLineSet({"L1", "PR1", "P1", "M1", "10.0.0.5", "012"});
        s.cmdCancel->click();
        s.cboLine->setEditText(QString());
        s.cmdEdit->click(); // no line: nothing happens
        QCOMPARE(buttons(s), kBrowseRows);
        s.msfgData->setCurrentCell(0, 1);
        s.cmdEdit->click();
        QVERIFY(s.cboProj->isEnabled() && !s.cboLine->isEnabled() && !s.cboMC->isEnabled() && !s.cboDT->isEnabled());
        kit::pick(s.cboProj, "PR2");
        kit::pick(s.cboPart, "P3");
        s.cmdSave->click();
        QCOMPARE(lineSets(), QStringList({"L1|PR2|P3|M1|10.0.0.5|005|SYSADMIN", "L1|PR1|P1|M1|10.0.0.5|012|OLD"}));
    }

    void deleteGuardAndDelete()
    {
        addLineSet({"L1", "PR1", "P1", "M1", "10.0.0.5", "005"});
        addLineSet({"L1", "PR1", "P1", "M1", "10.0.0.5", "012"});
        for (const char* slot : {"S1", "S2", "S3"})
            gConn().exec("insert into component_set (line_id, part_no, mc_id, md_id, slot_code, comp_code) "
                         "values ('L1', 'P1', 'M1', 'MD1', ?, 'C100')",
                         {slot});
        OPT_Line_Set s;
        s.msfgData->setCurrentCell(0, 1);
        prompter().answers.enqueue(msg::Answer::No);
        s.cmdDelete->click();
        QCOMPARE(prompter().last().text, QStringLiteral("Confirm to delete?"));
        QCOMPARE(s.EditMode, QString());

        // The set-up of the line, part number and machine keeps both rows.
        s.cmdDelete->click();
        QCOMPARE(prompter().last().text,
                 QStringLiteral("3  records are using this Line set, it cannot be removed ..."));
        QCOMPARE(buttons(s), kBrowseRows);
        QCOMPARE(lineSets().size(), 2);

        // Without it only the row equal in all six boxes goes.
        gConn().exec("delete from component_set");
        s.msfgData->setCurrentCell(1, 1);
        s.cmdDelete->click();
        QCOMPARE(lineSets(), QStringList({"L1|PR1|P1|M1|10.0.0.5|005|OLD"}));
        QCOMPARE(s.msfgData->rowCount(), 1);
    }

    void importAndExport()
    {
        addLineSet({"L1", "PR1", "P1", "M1", "10.0.0.5", "005"});
        const QString file = kit::writeSheet(
            "lineset.xlsx", {{"Line", "Project", "Part", "Machine", "GW21", "DT200"},
                             {"L1", "PR1", "P1", "M1", "10.0.0.5", "5"},
                             {"L2", "PR2", "P3", "M3", "10.0.0.6", "1"},
                             {"L2", "PR1", "P3", "M3", "10.0.0.6", "1"},
                             {"L2", "PR2", "P3", "M3", "10.0.0.5", "7"}});
        OPT_Line_Set s;
        prompter().files.enqueue(file);
        s.cmdImport->click();
        QCOMPARE(prompter().texts().mid(0, 1), QStringList({"The success import 2 records."}));
        QVERIFY(prompter().texts().value(1).startsWith("Please check the error log file "));
        const QString log = kit::logText();
        QVERIFY(log.contains("  Cannot found the Part No P3 and the Project PR1 relations"));
        QVERIFY(log.contains("  Cannot found the GW21 10.0.0.5 and the DT200 7 relations"));
        QCOMPARE(lineSets(), QStringList({"L1|PR1|P1|M1|10.0.0.5|005|SYSADMIN", "L2|PR2|P3|M3|10.0.0.6|001|SYSADMIN"}));
        QCOMPARE(s.msfgData->rowCount(), 2);

        s.cmdExport->click();
        const workbook::Rows sheet = m_exports.lastRows();
        QCOMPARE(sheet.size(), 3);
        QCOMPARE(sheet[2].mid(0, 8),
                 QStringList({"L2", "PR2", "P3", "M3", "10.0.0.6", "001", "SYSADMIN", "System Administrator"}));
    }
};

TROVA_TEST(LineSetTest)
#include "tst_LineSet.moc"
