#include "ExportCatcher.h"
#include "MainWindowFixture.h"
#include "MaterialKit.h"
#include "Mtc_Comp_Proj.h"
#include "TestDb.h"
#include "TestMain.h"
#include "app/Module1.h"

#include <QTest>

using kit::prompter;
using Module1::gConn;

namespace {

QList<bool> buttons(const Mtc_Comp_Proj& s)
{
    return kit::enabled({s.cmdNew, s.cmdEdit, s.cmdDelete, s.cmdSave, s.cmdCancel, s.cmdImport});
}

} // namespace

// The components-per-part-number screen: the two cascades, the duplicate
// refused by the database's key, the guard by component and part number,
// the delete of the row as shown, and the import's three checks.
class CompProjScreenTest : public QObject
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
        kit::addPart("PN2", "P1");
        kit::addPart("PN1", "P1");
        kit::addPart("PN3", "P2");
        kit::addGroup("CAP");
        kit::addGroup("RES");
        kit::addComponent("C0000000002", "CAP");
        kit::addComponent("C0000000001", "CAP");
        kit::addComponent("C0000000001", "CAP", "ACME");
        kit::addComponent("R0000000001", "RES");
    }

    void cycleFromTheMenu()
    {
        MainWindowFixture fx;
        QVERIFY(fx.logIn());
        auto* s = fx.open<Mtc_Comp_Proj>(QStringLiteral("Man_Proj"));
        QVERIFY(s);
        s->cmdNew->click();
        QCOMPARE(s->txtRef->text(), QStringLiteral("F"));
        s->cboProj->setCurrentText("P1");
        QCOMPARE(kit::entries(s->cboPart), QStringList({"PN1", "PN2"}));
        s->cboProj->setCurrentText("P2");
        QCOMPARE(kit::entries(s->cboPart), QStringList({"PN3"}));
        s->cboPart->setCurrentText("PN3");
        s->cboGroup->setCurrentText("CAP");
        QCOMPARE(kit::entries(s->cboComp), QStringList({"C0000000001", "C0000000002"})); // each code once
        s->cboComp->setCurrentText("C0000000001");
        s->cmdSave->click(); // no polarity
        QCOMPARE(prompter().texts(),
                 QStringList({"The Part No or Project or Component or Ref. Designator or Polarity Check cannot be null ..."}));
        QCOMPARE(buttons(*s), QList<bool>({false, false, false, true, true, false}));

        s->txtPolarity->setText("AB"); // the screen takes more than one character
        s->cmdSave->click();
        QCOMPARE(kit::rows("select proj_id, part_no, group_id, comp_code, ref_designator, polarity_check "
                           "from component_proj"),
                 QStringList({"P2|PN3|CAP|C0000000001|F|AB"}));
        // Through Cancel: part, component and texts emptied.
        QCOMPARE(buttons(*s), QList<bool>({true, true, true, false, false, true}));
        QCOMPARE(s->cboPart->currentText(), QString());
        QCOMPARE(s->txtPolarity->text(), QString());

        // The same four keys again: the database refuses, the screen says so.
        kit::clickRow(s->LvData, 0);
        QCOMPARE(s->cboPart->currentText(), QStringLiteral("PN3"));
        QCOMPARE(s->cboComp->currentText(), QStringLiteral("C0000000001"));
        s->cmdNew->click();
        s->cboProj->setCurrentText("P2");
        s->cboPart->setCurrentText("PN3");
        s->cboGroup->setCurrentText("CAP");
        s->cboComp->setCurrentText("C0000000001");
        s->txtRef->setText("G");
        s->txtPolarity->setText("1");
        s->cmdSave->click();
        QCOMPARE(prompter().last().text, QStringLiteral("This record already exist!"));
        QCOMPARE(gConn().count("select count(*) from component_proj"), 1);
        QCOMPARE(buttons(*s), QList<bool>({true, true, true, false, false, true}));

        // Edit: designator and polarity only.
        kit::clickRow(s->LvData, 0);
        s->cmdEdit->click();
        QVERIFY(!s->cboProj->isEnabled() && !s->cboComp->isEnabled());
        s->txtRef->setText("R");
        s->txtPolarity->setText("0");
        s->cmdSave->click();
        QCOMPARE(kit::rows("select ref_designator, polarity_check from component_proj"), QStringList({"R|0"}));

        kit::addCompProj("P1", "PN1", "RES", "R0000000001");
        s->CHK_ALL->click();
        s->cmdexport->click();
        const workbook::Rows sheet = m_exports.lastRows();
        QCOMPARE(sheet.size(), 3);
        QStringList shown;
        for (qsizetype r = 1; r < sheet.size(); ++r)
            shown << sheet[r].mid(0, 6).join('|');
        shown.sort();
        QCOMPARE(shown, QStringList({"P1|PN1|RES|R0000000001|F|1", "P2|PN3|CAP|C0000000001|R|0"}));

        // Checks of the component on the part number, any project: kept.
        kit::addChecks(3, "PN3", "C0000000001");
        kit::clickRow(s->LvData, int(kit::listColumn(s->LvData, 2).indexOf("PN3")));
        s->cmdDelete->click();
        QCOMPARE(prompter().last().text, QStringLiteral("3 records are using this setting, it cannot be removed ..."));
        gConn().exec("delete from check_history");

        // Changed elsewhere since it was shown: not removed.
        kit::clickRow(s->LvData, int(kit::listColumn(s->LvData, 2).indexOf("PN3")));
        gConn().exec("update component_proj set polarity_check = '9' where part_no = 'PN3'");
        s->cmdDelete->click();
        QCOMPARE(gConn().count("select count(*) from component_proj"), 2);
        kit::clickRow(s->LvData, int(kit::listColumn(s->LvData, 2).indexOf("PN3")));
        s->cmdDelete->click();
        QCOMPARE(kit::rows("select part_no from component_proj"), QStringList({"PN1"}));
    }

    void rowWithValuesTheListsLack()
    {
        kit::addCompProj("P1", "PN1", "CAP", "C0000000001");
        kit::addCompProj("PX", "PN9", "CAP", "C0000000009"); // project, part and component gone
        Mtc_Comp_Proj s;
        const QStringList parts = kit::listColumn(s.LvData, 2);
        kit::clickRow(s.LvData, int(parts.indexOf("PN1")));
        QCOMPARE(s.cboProj->currentText(), QStringLiteral("P1"));
        kit::clickRow(s.LvData, int(parts.indexOf("PN9")));
        // Nothing of the row before stays for Edit or Delete to act on.
        QCOMPARE(s.cboProj->currentText(), QString());
        QCOMPARE(s.cboPart->currentText(), QString());
        QCOMPARE(s.cboGroup->currentText(), QStringLiteral("CAP"));
        QCOMPARE(s.cboComp->currentText(), QString());
        QCOMPARE(s.txtRef->text(), QStringLiteral("F"));
        s.cmdEdit_Click();
        QCOMPARE(s.EditMode, QString());

        // The database gone while a dependent list refills: shown, not thrown.
        gConn().close();
        s.cboProj->setCurrentText("P2");
        QCOMPARE(prompter().last().title, QStringLiteral("ERROR"));
        QCOMPARE(s.cboPart->count(), 0);
    }

    void importChecksInOrder()
    {
        kit::addCompProj("P1", "PN1", "CAP", "C0000000001", "F", "1");
        const QString book = kit::writeSheet(m_exports.folder(), QStringLiteral("needs.xlsx"),
                                             {{"Project", "Part", "Group", "Component", "Ref", "Polarity"},
                                              {"P1", "PN1", "CAP", "C0000000001", "Q", "0"},
                                              {"P1", "PN2", "CAP", "C0000000002", "C12", "1"},
                                              {"P1", "PN2", "CAP", "C0000000002", "C13", "AB"},
                                              {"P1", "PN2", "CAP", "C0000000002", "C14", ""},
                                              {"PX", "PN9", "RES", "C0000000001", "F", "1"},
                                              {"PX", "PN9", "RES", "R0000000001", "F", "1"}});
        Mtc_Comp_Proj s;
        prompter().files.enqueue(book);
        s.cmdImport_Click();
        QCOMPARE(prompter().texts(), kit::importedWithErrors(2));
        QCOMPARE(kit::logLines(),
                 QStringList({"The polarity check value AB is too large.", "The polarity check value  is too large.",
                              "Cannot found the Component Group RES and the Component C0000000001 relations",
                              "Cannot found the Project PX and the Part No PN9 relations"}));
        // The existing four keys were updated, the new ones inserted.
        QCOMPARE(kit::rows("select part_no, comp_code, ref_designator, polarity_check from component_proj "
                           "order by part_no"),
                 QStringList({"PN1|C0000000001|Q|0", "PN2|C0000000002|C12|1"}));
        QCOMPARE(s.LvData->topLevelItemCount(), 2);
    }
};

TROVA_TEST(CompProjScreenTest)
#include "tst_Mtc_Comp_Proj.moc"
