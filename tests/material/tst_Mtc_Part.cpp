#include "ExportCatcher.h"
#include "MainWindowFixture.h"
#include "MaterialKit.h"
#include "Mtc_Part.h"
#include "TestDb.h"
#include "TestMain.h"
#include "app/Module1.h"

#include <QTableWidget>

using testing::prompter;
using Module1::gConn;
using testing::queryRows;

// The part-number screen: the approval flag, Print off while editing, the
// guards by part number over every project, a row whose project is gone, the
// export's form, the import and the two together.
class PartScreenTest : public testdb::Case
{
    Q_OBJECT

    testing::ExportCatcher m_exports;

    void prepare() override
    {
        kit::addProject("P1");
        kit::addProject("P2");
    }

private Q_SLOTS:
    void cycleFromTheMenu()
    {
        testing::addPart("PN-1", "P1", "1");
        TROVA_OPEN_SCREEN(fx, s, Mtc_Part, QStringLiteral("Man_Part"));

        // Print is off from New until Cancel, also after Save.
        s->msfgModule->setCurrentCell(0, 1);
        s->cmdNew->click();
        QVERIFY(!s->cmdPrint->isEnabled());
        s->txtID->setText("PN-1");
        s->cboProj->setCurrentText("P2");
        s->Opt_N->setChecked(true);
        s->cmdSave->click();
        QVERIFY(!s->cmdPrint->isEnabled());

        // Edit: description and flag only. (Rows by project: P2's is the second.)
        s->msfgModule->setCurrentCell(1, 1);
        s->cmdEdit->click();
        s->txtDesc->setText("Second");
        s->Opt_A->setChecked(true);
        s->cmdSave->click();
        QCOMPARE(queryRows("select proj_id, part_desc, approve from part_info order by proj_id"),
                 QStringList({"P1|pd|1", "P2|Second|1"}));

        // A second row for the same pair is refused by the database, and said so.
        s->cmdNew->click();
        s->txtID->setText("PN-1");
        s->cboProj->setCurrentText("P2");
        s->cmdSave->click();
        QCOMPARE(prompter().last().title, QStringLiteral("ERROR"));
        s->cmdNew->click();
        s->cmdCancel->click();
        QVERIFY(s->cmdPrint->isEnabled());

        // Guards count the part number under every project, checks first.
        testing::addRow("line_set", {"line_id", "proj_id", "part_no", "mc_id", "gw21_ip", "dt200_id"},
                        {"L1", "P1", "PN-1", "MC1", "10.0.0.1", "1"});
        kit::addChecks(2, "PN-1");
        for (const auto& [table, uses] : {std::pair{"check_history", 2}, {"line_set", 1}}) {
            s->msfgModule->setCurrentCell(1, 1); // a reload empties the project box
            s->cmdDelete->click();
            QCOMPARE(prompter().last().text,
                     QString("%1 records are using this Part No, it cannot be removed ...").arg(uses));
            gConn().exec(QString("delete from %1").arg(table));
        }
        s->msfgModule->setCurrentCell(1, 1);
        s->cmdDelete->click();
        QCOMPARE(queryRows("select proj_id from part_info"), QStringList({"P1"})); // only the shown project's row
    }

    void rowOfAProjectThatIsGone()
    {
        testing::addPart("PN-1", "P1", "1");
        testing::addPart("PN-2", "PX", QString()); // no flag, no such project
        Mtc_Part s;
        s.msfgModule->setCurrentCell(0, 1);
        QCOMPARE(s.cboProj->currentText(), QStringLiteral("P1"));
        s.msfgModule->setCurrentCell(1, 1);
        QCOMPARE(s.txtID->text(), QStringLiteral("PN-2"));
        QCOMPARE(s.cboProj->currentText(), QStringLiteral("PX")); // as stored, not P1 from the row before
        QVERIFY(s.Opt_N->isChecked()); // a missing flag shows as "0"

        // New offers only the projects there are; Edit and Delete reach the
        // row as stored.
        s.cmdNew_Click();
        QCOMPARE(testing::comboItems(s.cboProj), QStringList({"P1", "P2"}));
        s.cmdCancel_Click();
        s.msfgModule->setCurrentCell(1, 1);
        s.cmdEdit_Click();
        s.txtDesc->setText("kept");
        s.cmdSave_Click();
        QCOMPARE(queryRows("select part_no, part_desc, proj_id from part_info order by part_no"),
                 QStringList({"PN-1|pd|P1", "PN-2|kept|PX"}));
        s.msfgModule->setCurrentCell(1, 1);
        s.cmdDelete_Click();
        QCOMPARE(queryRows("select part_no from part_info"), QStringList({"PN-1"}));
        QCOMPARE(prompter().texts(), QStringList({"Confirm to delete?"}));
    }

    void exportAndImport()
    {
        testing::addPart("PN-1", "P1", "1");
        testing::addPart("PN-2", "P2", "0");
        Mtc_Part s;
        s.cmdexport_Click();
        const workbook::Rows sheet = m_exports.lastRows();
        QCOMPARE(sheet.at(0).size(), 6); // no flag column
        QCOMPARE(sheet.at(1).mid(0, 3), QStringList({"*PN-1*", "pd", "P1"}));

        prompter().files.enqueue(m_exports.writeSheet("parts.xlsx", {{"Part", "Desc", "Project"},
                                                                     {"PN-1", "imported", "P1"},
                                                                     {"pn-3", "new one", "P2"},
                                                                     {"PN-4", "", "PX"}}));
        s.cmdImport_Click();
        QCOMPARE(testing::errorLogLines(), QStringList({"Cannot found the Project PX"}));
        // An existing pair keeps its flag; a new one needs no approval.
        QCOMPARE(queryRows("select part_no, part_desc, proj_id, approve from part_info order by part_no"),
                 QStringList({"PN-1|imported|P1|1", "PN-2|pd|P2|0", "pn-3|new one|P2|0"}));
    }

    // The screen's own export, imported back, names the part numbers there
    // are: it renews them and stores nothing new.
    void exportImportedBackStoresNothingNew()
    {
        testing::addPart("PN-1", "P1", "1");
        testing::addPart("PN-2", "P2", "0");
        const QString rows = "select part_no, part_desc, proj_id, approve from part_info order by part_no";
        const QStringList before = queryRows(rows);
        TROVA_OPEN_SCREEN(fx, s, Mtc_Part, QStringLiteral("Man_Part"));
        const qsizetype exported = m_exports.opened.size();
        s->cmdexport->click();
        QTRY_COMPARE(m_exports.opened.size(), exported + 1);
        prompter().clear(); // where the workbook was written
        prompter().files.enqueue(m_exports.last());
        s->cmdImport->click();
        QCOMPARE(prompter().texts(), QStringList({"The success import 2 records."}));
        QCOMPARE(queryRows(rows), before);
    }
};

TROVA_TEST(PartScreenTest)
#include "tst_Mtc_Part.moc"
