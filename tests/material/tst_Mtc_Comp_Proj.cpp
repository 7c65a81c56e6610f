#include "ExportCatcher.h"
#include "MainWindowFixture.h"
#include "MaterialKit.h"
#include "Mtc_Comp_Proj.h"
#include "TestDb.h"
#include "TestMain.h"
#include "app/Module1.h"

using testing::prompter;
using Module1::gConn;
using testing::comboItems;
using testing::queryRows;

namespace {

QString boxes(const Mtc_Comp_Proj& s)
{
    return QStringList({s.cboProj->currentText(), s.cboPart->currentText(), s.cboGroup->currentText(),
                        s.cboComp->currentText(), s.txtRef->text(), s.txtPolarity->text()})
        .join('|');
}

// New, and the four keys chosen.
void chooseKeys(Mtc_Comp_Proj& s, const QString& project, const QString& part)
{
    s.cmdNew->click();
    s.cboProj->setCurrentText(project);
    s.cboPart->setCurrentText(part);
    s.cboGroup->setCurrentText("CAP");
    s.cboComp->setCurrentText("C0000000001");
}

const QString kTable = QStringLiteral("select proj_id, part_no, comp_code, ref_designator, polarity_check "
                                      "from component_proj order by part_no");

} // namespace

// The components-per-part-number screen: the two cascades, the duplicate
// refused by the database's key, the guard by component and part number,
// Edit and Delete of the row exactly as stored, and the import's checks.
class CompProjScreenTest : public testdb::Case
{
    Q_OBJECT

    testing::ExportCatcher m_sheets;

    void prepare() override
    {
        kit::addProject("P1");
        kit::addProject("P2");
        testing::addPart("PN2", "P1");
        testing::addPart("PN1", "P1");
        testing::addPart("PN3", "P2");
        kit::addGroup("CAP");
        kit::addGroup("RES");
        kit::addComponent("C0000000002", "CAP");
        kit::addComponent("C0000000001", "CAP");
        kit::addComponent("C0000000001", "CAP", "ACME");
        kit::addComponent("R0000000001", "RES");
    }

private Q_SLOTS:
    void cycleFromTheMenu()
    {
        TROVA_OPEN_SCREEN(fx, s, Mtc_Comp_Proj, QStringLiteral("Man_Proj"));
        s->CHK_ALL->setFocus();
        chooseKeys(*s, "P2", "PN3");
        QCOMPARE(s->focusWidget(), s->CHK_ALL); // New leaves the focus where it was
        QCOMPARE(s->txtRef->text(), QStringLiteral("F"));
        QCOMPARE(comboItems(s->cboPart), QStringList({"PN3"}));
        QCOMPARE(comboItems(s->cboComp), QStringList({"C0000000001", "C0000000002"})); // each code once
        s->cmdSave->click(); // no polarity: refused, nothing stored
        s->txtPolarity->setText("AB"); // the screen takes more than one character
        s->cmdSave->click();
        QCOMPARE(queryRows(kTable), QStringList({"P2|PN3|C0000000001|F|AB"}));

        // The same four keys again: the database refuses, the screen says so
        // and keeps every box in New, to be mended or cancelled.
        chooseKeys(*s, "P2", "PN3");
        s->txtPolarity->setText("1");
        s->cmdSave->click();
        QCOMPARE(prompter().last().text, QStringLiteral("This record already exist!"));
        QCOMPARE(boxes(*s), QStringLiteral("P2|PN3|CAP|C0000000001|F|1"));
        QVERIFY(s->cmdSave->isEnabled() && s->cmdCancel->isEnabled() && !s->cmdImport->isEnabled());
        s->cmdCancel->click();
        QVERIFY(s->cmdImport->isEnabled());

        // Checks of the component on the part number, any project, keep it
        // (those on another part number do not);
        // the refusal leaves every box as it was.
        kit::addChecks(3, "PN3", "C0000000001");
        kit::addChecks(2, "PN1", "C0000000001");
        testing::clickRow(s->LvData, 0);
        s->cmdDelete->click();
        QCOMPARE(prompter().last().text, QStringLiteral("3 records are using this setting, it cannot be removed ..."));
        QCOMPARE(boxes(*s), QStringLiteral("P2|PN3|CAP|C0000000001|F|AB"));
        QCOMPARE(queryRows(kTable).size(), 1);
    }

    // Delete and Edit address the row exactly as stored: a designator longer
    // than the box takes when typed, an empty designator or polarity (stored
    // as Null), and a row changed meanwhile, which is said.
    void editAndDeleteTheRowAsStored()
    {
        kit::addCompProj("P1", "PN1", "CAP", "C0000000001", "C12", "1");
        kit::addCompProj("P1", "PN2", "CAP", "C0000000001", "", "");
        kit::addCompProj("P2", "PN3", "CAP", "C0000000002", "F", "1");
        Mtc_Comp_Proj s;
        testing::clickRow(s.LvData, 2, "PN1");
        QCOMPARE(s.txtRef->text(), QStringLiteral("C12"));
        s.cmdNew_Click();
        QCOMPARE(s.txtRef->maxLength(), 1); // New types one character again
        s.cmdCancel_Click();
        testing::clickRow(s.LvData, 2, "PN1");
        s.cmdEdit_Click();
        s.txtPolarity->setText("0");
        s.cmdSave_Click();
        QCOMPARE(queryRows(kTable).first(), QStringLiteral("P1|PN1|C0000000001|C12|0"));
        testing::clickRow(s.LvData, 2, "PN1");
        s.cmdDelete_Click();
        testing::clickRow(s.LvData, 2, "PN2");
        QCOMPARE(s.txtRef->text() + s.txtPolarity->text(), QString());
        s.cmdDelete_Click();
        QCOMPARE(prompter().texts(), QStringList({"Confirm to delete?", "Confirm to delete?"}));
        QCOMPARE(queryRows(kTable), QStringList({"P2|PN3|C0000000002|F|1"}));

        testing::clickRow(s.LvData, 0);
        gConn().exec("update component_proj set polarity_check = '9'");
        s.cmdDelete_Click();
        const QString gone = QStringLiteral("The record as shown was not found any more; nothing was changed.");
        QCOMPARE(prompter().texts().mid(2), QStringList({"Confirm to delete?", gone}));

        // The screen's own Edit of a row removed meanwhile.
        testing::clickRow(s.LvData, 0);
        s.cmdEdit_Click();
        s.txtPolarity->setText("0");
        gConn().exec("delete from component_proj");
        s.cmdSave_Click();
        QCOMPARE(prompter().texts().mid(4), QStringList({gone}));
    }

    // A row shows its stored values, also those the lists lack, never the
    // row before's: Edit and Delete act on it as stored.
    void rowWithValuesTheListsLack()
    {
        kit::addCompProj("P1", "PN1", "CAP", "C0000000001");
        kit::addCompProj("PX", "PN9", "CAP", "C0000000009"); // project, part and component gone
        kit::addCompProj("P1", "PN2", "CAP", "C0000000005"); // component gone
        Mtc_Comp_Proj s;
        testing::clickRow(s.LvData, 2, "PN1");
        QCOMPARE(s.cboProj->currentText(), QStringLiteral("P1"));
        testing::clickRow(s.LvData, 2, "PN9");
        QCOMPARE(boxes(s), QStringLiteral("PX|PN9|CAP|C0000000009|F|1"));
        s.cmdEdit_Click();
        s.txtPolarity->setText("2");
        s.cmdSave_Click();
        testing::clickRow(s.LvData, 2, "PN2");
        QCOMPARE(boxes(s), QStringLiteral("P1|PN2|CAP|C0000000005|F|1"));
        s.cmdDelete_Click();
        QCOMPARE(prompter().texts(), QStringList({"Confirm to delete?"}));
        QCOMPARE(queryRows(kTable), QStringList({"P1|PN1|C0000000001|F|1", "PX|PN9|C0000000009|F|2"}));

        // The database gone while a dependent list refills: shown, not thrown.
        // Cancel then leaves New though the list cannot be read, Import on.
        s.cmdNew_Click();
        QVERIFY(!s.cmdImport->isEnabled());
        gConn().close();
        s.cboProj->setCurrentText("P2");
        QCOMPARE(prompter().last().title, QStringLiteral("ERROR"));
        QCOMPARE(s.cboPart->count(), 0);
        s.cmdCancel_Click();
        QVERIFY(s.cmdImport->isEnabled() && s.cmdNew->isEnabled() && !s.cmdSave->isEnabled());
    }

    void importChecksInOrder()
    {
        kit::addCompProj("P1", "PN1", "CAP", "C0000000001", "F", "1");
        Mtc_Comp_Proj s;
        prompter().files.enqueue(m_sheets.writeSheet("needs.xlsx",
                                                     {{"Project", "Part", "Group", "Component", "Ref", "Polarity"},
                                                      {"P1", "PN1", "CAP", "C0000000001", "Q", "0"},
                                                      {"P1", "PN2", "CAP", "C0000000002", "C12", "1"},
                                                      {"P1", "PN2", "CAP", "C0000000002", "C13", "AB"},
                                                      {"P1", "PN2", "CAP", "C0000000002", "C14", ""},
                                                      {"PX", "PN9", "RES", "C0000000001", "F", "1"},
                                                      {"PX", "PN9", "RES", "R0000000001", "F", "1"}}));
        s.cmdImport_Click();
        QCOMPARE(testing::errorLogLines(),
                 QStringList({"The polarity check value AB is too large.", "The polarity check value  is too large.",
                              "Cannot found the Component Group RES and the Component C0000000001 relations",
                              "Cannot found the Project PX and the Part No PN9 relations"}));
        // The existing four keys were updated, the new ones inserted.
        QCOMPARE(queryRows(kTable), QStringList({"P1|PN1|C0000000001|Q|0", "P1|PN2|C0000000002|C12|1"}));
    }
};

TROVA_TEST(CompProjScreenTest)
#include "tst_Mtc_Comp_Proj.moc"
