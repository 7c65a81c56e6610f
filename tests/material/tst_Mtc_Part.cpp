#include "ExportCatcher.h"
#include "MainWindowFixture.h"
#include "MaterialKit.h"
#include "Mtc_Part.h"
#include "TestDb.h"
#include "TestMain.h"
#include "app/Module1.h"
#include "label/LabelSink.h"

#include <QFile>
#include <QTest>

using kit::prompter;
using Module1::gConn;

namespace {

QList<bool> buttons(const Mtc_Part& s)
{
    return kit::enabled({s.cmdNew, s.cmdEdit, s.cmdDelete, s.cmdSave, s.cmdCancel, s.cmdPrint});
}

int rowOf(const Mtc_Part& s, const QString& part, const QString& project)
{
    for (int r = 0; r < s.msfgModule->rowCount(); ++r) {
        if (s.msfgModule->item(r, 1)->text() == part && s.msfgModule->item(r, 3)->text() == project)
            return r;
    }
    return -1;
}

} // namespace

// The part-number screen: the approval flag, the guards by part number over
// every project, a row whose project is gone, the export, the import, and
// the Print button against the label's golden file.
class PartScreenTest : public QObject
{
    Q_OBJECT

    testing::ExportCatcher m_exports;

private Q_SLOTS:
    void initTestCase_data() { testdb::addBackendRows(); }
    void init()
    {
        TESTDB_INIT();
        prompter().clear();
        kit::addProject("P1");
        kit::addProject("P2");
    }
    void cleanup() { label::setSink(nullptr); }

    void cycleFromTheMenu()
    {
        MainWindowFixture fx;
        QVERIFY(fx.logIn());
        auto* s = fx.open<Mtc_Part>(QStringLiteral("Man_Part"));
        QVERIFY(s);

        s->cmdNew->click();
        QCOMPARE(buttons(*s), QList<bool>({false, false, false, true, true, false}));
        s->txtID->setText("PN-1");
        s->cmdSave->click(); // no project
        QCOMPARE(prompter().texts(), QStringList({"The Part No or Project ID cannot be null ..."}));
        s->txtID->setText("  ");
        s->cboProj->setCurrentText("P1");
        s->cmdSave->click();
        QCOMPARE(prompter().messages.size(), 2);
        QCOMPARE(gConn().count("select count(*) from part_info"), 0);

        s->txtID->setText("PN-1");
        s->txtDesc->setText("Main board");
        s->Opt_A->setChecked(true);
        s->cmdSave->click();
        QCOMPARE(kit::rows("select part_no, part_desc, proj_id, approve from part_info"),
                 QStringList({"PN-1|Main board|P1|1"}));
        // Print stays off after Save; the boxes keep what was saved.
        QCOMPARE(buttons(*s), QList<bool>({true, true, true, false, false, false}));
        QCOMPARE(s->txtID->text(), QStringLiteral("PN-1"));

        // New starts with the project and flag of the chosen row.
        s->msfgModule->setCurrentCell(0, 1);
        s->cmdNew->click();
        QCOMPARE(s->cboProj->currentText(), QStringLiteral("P1"));
        QVERIFY(s->Opt_A->isChecked());
        s->txtID->setText("PN-1");
        s->cboProj->setCurrentText("P2");
        s->Opt_N->setChecked(true);
        s->cmdSave->click();
        QCOMPARE(gConn().count("select count(*) from part_info where part_no = 'PN-1'"), 2);

        // Edit: description and flag only.
        s->msfgModule->setCurrentCell(rowOf(*s, "PN-1", "P2"), 1);
        QVERIFY(s->Opt_N->isChecked());
        s->cmdEdit->click();
        QVERIFY(!s->txtID->isEnabled() && !s->cboProj->isEnabled());
        s->txtDesc->setText("Second");
        s->Opt_A->setChecked(true);
        s->cmdSave->click();
        QCOMPARE(kit::rows("select proj_id, part_desc, approve from part_info order by proj_id"),
                 QStringList({"P1|Main board|1", "P2|Second|1"}));

        // A second row for the same pair is refused by the database, and said so.
        s->cmdNew->click();
        s->txtID->setText("PN-1");
        s->cboProj->setCurrentText("P2");
        s->cmdSave->click();
        QCOMPARE(prompter().last().title, QStringLiteral("ERROR"));
        QCOMPARE(gConn().count("select count(*) from part_info"), 2);

        // Cancel: Print back on, boxes and options empty.
        s->cmdNew->click();
        s->cmdCancel->click();
        QCOMPARE(buttons(*s), QList<bool>({true, true, true, false, false, true}));
        QCOMPARE(s->txtID->text(), QString());
        QVERIFY(!s->Opt_A->isChecked() && !s->Opt_N->isChecked());

        // Guards count the part number under every project, checks first.
        kit::addLineSet("PN-1", "P1");
        kit::addChecks(2, "PN-1");
        s->msfgModule->setCurrentCell(rowOf(*s, "PN-1", "P2"), 1);
        s->cmdDelete->click();
        QCOMPARE(prompter().last().text, QStringLiteral("2 records are using this Part No, it cannot be removed ..."));
        QCOMPARE(prompter().last().title, QStringLiteral("ERROR"));
        gConn().exec("delete from check_history");
        s->msfgModule->setCurrentCell(rowOf(*s, "PN-1", "P2"), 1); // the reload emptied the project box
        s->cmdDelete->click();
        QCOMPARE(prompter().last().text, QStringLiteral("1 records are using this Part No, it cannot be removed ..."));
        gConn().exec("delete from line_set");
        s->msfgModule->setCurrentCell(rowOf(*s, "PN-1", "P2"), 1);
        s->cmdDelete->click();
        QCOMPARE(kit::rows("select proj_id from part_info"), QStringList({"P1"})); // only the shown project's row
    }

    void rowOfAProjectThatIsGone()
    {
        kit::addPart("PN-1", "P1", "1");
        kit::addPart("PN-2", "PX", QString()); // no flag, no such project
        Mtc_Part s;
        s.msfgModule->setCurrentCell(rowOf(s, "PN-1", "P1"), 1);
        QCOMPARE(s.cboProj->currentText(), QStringLiteral("P1"));
        s.msfgModule->setCurrentCell(rowOf(s, "PN-2", "PX"), 1);
        QCOMPARE(s.txtID->text(), QStringLiteral("PN-2"));
        QCOMPARE(s.cboProj->currentText(), QString()); // not P1 from the row before
        QVERIFY(s.Opt_N->isChecked()); // a missing flag shows as "0"

        // Neither Edit nor Delete can reach the other project's row.
        s.cmdEdit_Click();
        QCOMPARE(s.EditMode, QString());
        s.cmdDelete_Click();
        QCOMPARE(gConn().count("select count(*) from part_info"), 2);
    }

    void exportAndImport()
    {
        kit::addPart("PN-1", "P1", "1");
        kit::addPart("PN-2", "P2", "0");
        Mtc_Part s;
        s.cmdexport_Click();
        const workbook::Rows sheet = m_exports.lastRows();
        QCOMPARE(sheet.size(), 3);
        QCOMPARE(sheet.at(0).size(), 6); // no flag column
        QCOMPARE(sheet.at(1).mid(0, 3), QStringList({"*PN-1*", "pd", "P1"}));
        QCOMPARE(sheet.at(2).value(0), QStringLiteral("*PN-2*"));

        const QString book = kit::writeSheet(m_exports.folder(), QStringLiteral("parts.xlsx"),
                                             {{"Part", "Desc", "Project"},
                                              {"PN-1", "imported", "P1"},
                                              {"pn-3", "new one", "P2"},
                                              {"PN-4", "", "PX"}});
        prompter().files.enqueue(book);
        s.cmdImport_Click();
        QCOMPARE(prompter().texts(), kit::importedWithErrors(2));
        QCOMPARE(kit::logLines(), QStringList({"Cannot found the Project PX"}));
        // An existing pair keeps its flag; a new one needs no approval.
        QCOMPARE(kit::rows("select part_no, part_desc, proj_id, approve from part_info order by part_no"),
                 QStringList({"PN-1|imported|P1|1", "PN-2|pd|P2|0", "pn-3|new one|P2|0"}));
        QCOMPARE(s.msfgModule->rowCount(), 3);
    }

    void printCopiesOfTheLabel()
    {
        kit::addPart("PN-4711.A", "P1");
        const QString out = m_exports.folder() + QStringLiteral("/labels.prn");
        QFile::remove(out);
        label::setSink(std::make_unique<label::FileLabelSink>(out));
        Mtc_Part s;
        s.cmdPrint_Click(); // no part number: no question either
        QVERIFY(prompter().messages.isEmpty());

        s.msfgModule->setCurrentCell(0, 1);
        prompter().inputs.enqueue(QStringLiteral("2"));
        s.cmdPrint_Click();
        QCOMPARE(kit::readFile(out), kit::golden(QStringLiteral("part_PN-4711.A.lbl")).repeated(2));
        QVERIFY(prompter().messages.isEmpty());
    }
};

TROVA_TEST(PartScreenTest)
#include "tst_Mtc_Part.moc"
