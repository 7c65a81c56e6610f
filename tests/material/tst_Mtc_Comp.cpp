#include "ExportCatcher.h"
#include "MainWindowFixture.h"
#include "MaterialKit.h"
#include "Mtc_CGRP.h"
#include "Mtc_Comp.h"
#include "TestDb.h"
#include "TestMain.h"
#include "app/Module1.h"

#include <QTableWidget>

using testing::prompter;
using Module1::gConn;
using testing::queryRows;

// The component screen: the method type and its code lengths, the vendor
// default, the duplicate test on code and vendor, the delete guard, the
// grants of its buttons, and the import with every refusal it logs; then the
// group screen's guards.
class ComponentScreenTest : public testdb::Case
{
    Q_OBJECT

    testing::ExportCatcher m_sheets;

    void prepare() override
    {
        kit::addGroup("CAP");
        kit::addGroup("RES");
        kit::addProject("P1");
        testing::addPart("PN1", "P1");
    }

private Q_SLOTS:
    // A user who may open the screen but holds none of its button codes is
    // refused before anything changes; granted one code, that button works.
    void buttonGatesFollowTheGrants()
    {
        kit::addComponent("C0805-100NF", "CAP");
        MainWindowFixture::addUser("CLERK", "Clerk", "STORE", {"MAN_COMP", "Man_Edit_List"});
        TROVA_OPEN_SCREEN(fx, s, Mtc_Comp, QStringLiteral("Man_Comp"), "CLERK", "CLERK");
        testing::clickRow(s->LvData, 0);
        for (QPushButton* refused : {s->cmdNew, s->cmdDelete}) {
            prompter().clear();
            refused->click();
            QCOMPARE(prompter().texts(), QStringList{"You have no permission to use."});
            QVERIFY(!s->cmdSave->isEnabled());
        }
        prompter().clear();
        s->cmdEdit->click();
        QVERIFY(prompter().messages.isEmpty());
        QVERIFY(s->cmdSave->isEnabled());
        QCOMPARE(queryRows("select comp_code from component_list"), QStringList{"C0805-100NF"});

        // Save asks for the Delete grant again: taken away while the
        // confirmation is open, the row stays.
        s->cmdCancel->click();
        testing::grant("STORE", {"Man_Delete_List"});
        testing::clickRow(s->LvData, 0);
        prompter().clear();
        prompter().onMessage = [](const msg::Message&) {
            gConn().exec("delete from function_grant where func_id = 'Man_Delete_List'");
        };
        s->cmdDelete->click();
        prompter().onMessage = nullptr;
        QCOMPARE(prompter().texts(), QStringList({"Confirm to delete?", "You have no permission to use."}));
        QCOMPARE(queryRows("select comp_code from component_list"), QStringList{"C0805-100NF"});
    }

    void typesCodesAndVendors()
    {
        Mtc_Comp s;
        s.cmdNew->click();
        // Mass production codes are 11 characters; the box takes no more.
        QTest::keyClicks(s.txtID, "C0805-100N");
        s.cboGP->setCurrentIndex(0);
        s.cmdSave->click();
        QCOMPARE(prompter().last().text, QStringLiteral("The Component ID length must be 11 character."));
        QVERIFY(s.cmdSave->isEnabled()); // the input stays for correction
        QTest::keyClicks(s.txtID, "FX");
        s.cmdSave->click();

        // The same code and vendor again: refused, back to browsing.
        testing::clickRow(s.LvData, 0);
        s.cmdNew->click();
        s.cboGP->setCurrentIndex(1);
        s.cmdSave->click();
        QCOMPARE(prompter().last().text, QStringLiteral("This component information already exist..."));
        QVERIFY(!s.cmdSave->isEnabled());

        // Proto type codes take up to 30 characters; switching empties the code.
        s.cmdNew->click();
        s.txtID->setText("C0805-100NF");
        s.Opt_PT->click();
        QCOMPARE(s.txtID->text(), QString());
        s.txtID->setText(QString(30, 'P'));
        s.cboGP->setCurrentIndex(1);
        s.cmdSave->click();
        QCOMPARE(queryRows("select comp_code, group_id, method_type, vender_name from component_list order by 3"),
                 QStringList({"C0805-100NF|CAP|MP|NIL", QString(30, 'P') + "|RES|PT|NIL"}));

        // Clicking a row sets its type first, then its whole code shows.
        s.Opt_MP->click();
        testing::clickRow(s.LvData, 6, "PT");
        QVERIFY(s.Opt_PT->isChecked());
        QCOMPARE(s.txtID->text(), QString(30, 'P'));

        // A group the list lacks shows as stored, not the row before's: Edit
        // writes it back rather than moving the row to another group.
        gConn().exec("update component_list set group_id = 'GONE' where method_type = 'MP'");
        s.CHK_ALL->click();
        testing::clickRow(s.LvData, 6, "PT");
        testing::clickRow(s.LvData, 6, "MP");
        QCOMPARE(s.cboGP->currentText(), QStringLiteral("GONE"));
        s.cmdEdit->click();
        s.txtDesc->setText("changed");
        s.cmdSave->click();
        QCOMPARE(queryRows("select group_id from component_list where comp_code = 'C0805-100NF'"),
                 QStringList({"GONE"}));

        // A stored code longer than its type's box takes still shows whole.
        kit::addComponent("C0805-100NF-OLD", "CAP");
        s.CHK_ALL->click();
        testing::clickRow(s.LvData, 1, "C0805-100NF-OLD");
        QCOMPARE(s.txtID->text(), QStringLiteral("C0805-100NF-OLD"));
    }

    // Checks of a code refuse its delete whichever vendor's row is shown; a
    // code only the part numbers use goes, the chosen vendor's row only.
    void deleteGuard()
    {
        kit::addComponent("C0000000001", "CAP", "NIL");
        kit::addComponent("C0000000001", "CAP", "ACME");
        kit::addComponent("C0000000002", "CAP", "NIL");
        kit::addComponent("C0000000002", "CAP", "OTHER");
        kit::addCompProj("P1", "PN1", "CAP", "C0000000002");
        kit::addChecks(4, "PN1", "C0000000001");
        Mtc_Comp s;
        testing::clickRow(s.LvData, 4, "ACME");
        s.cmdDelete_Click();
        QCOMPARE(prompter().last().text,
                 QStringLiteral("4 records are using this Component ID, it cannot be removed ..."));
        testing::clickRow(s.LvData, 4, "OTHER");
        s.cmdDelete_Click();
        QCOMPARE(queryRows("select comp_code, vender_name from component_list order by 1, 2"),
                 QStringList({"C0000000001|ACME", "C0000000001|NIL", "C0000000002|NIL"}));
    }

    void oneRowPerCodeAndVendor()
    {
        // Whatever writes it, the database keeps one row per code and vendor.
        kit::addComponent("C0000000001", "CAP", "NIL", "MP");
        QVERIFY_THROWS_EXCEPTION(db::DbError, kit::addComponent("C0000000001", "RES", "NIL", "PT"));
    }

    void importChecksEveryRow()
    {
        kit::addComponent("C0000000009", "RES", "ACME", "MP"); // exists under another group
        Mtc_Comp s;
        prompter().files.enqueue(m_sheets.writeSheet(
            "components.xlsx", {{"Code", "Desc", "Group", "Vendor", "Vendor desc", "Type"},
                                {"C0000000001", "first", "CAP", "NIL", "", "MP"},
                                {"c0000000002", "lower", "CAP", "NIL", "", "mp"},
                                {"C0000000003", "", "", "NIL", "", "MP"},
                                {"C0000000004", "", "CAP", "NIL", "", "XX"},
                                {"C00000000051", "", "CAP", "NIL", "", "MP"},
                                {QString(31, 'p'), "", "CAP", "NIL", "", "PT"},
                                {QString(30, 'q'), "", "CAP", "NIL", "", "PT"},
                                {"C0000000007", "", "IC", "NIL", "", "MP"},
                                {"C0000000009", "", "CAP", "ACME", "", "MP"},
                                {"proto-lower", "proto", "CAP", "NIL", "vd", "pt"},
                                {"C0000000001", "again", "CAP", "NIL", "second", "MP"}}));
        s.cmdImport_Click();
        QCOMPARE(testing::errorLogLines(),
                 QStringList({"The Component C0000000003 or Group  or Vender Name NIL or Type MP cannot be null",
                              "The Type XX does not match", "The Component C00000000051 length error",
                              "The Component " + QString(31, 'p') + " length too large",
                              "Cannot found the Component Group IC ",
                              "The Component C0000000009 and the Vender Name ACME already exist under another Group "
                              "or Type"}));
        // Codes as read, types upper-cased; the repeated row updated the first.
        QCOMPARE(queryRows("select comp_code, comp_desc, group_id, vender_name, vender_desc, method_type "
                           "from component_list where group_id = 'CAP' order by comp_code"),
                 QStringList({"C0000000001|again|CAP|NIL|second|MP", "c0000000002|lower|CAP|NIL||MP",
                              "proto-lower|proto|CAP|NIL|vd|PT", QString(30, 'q') + "||CAP|NIL||PT"}));
    }

    // The group screen from the real menu: a duplicate id refused by the
    // database and shown, and its two delete guards in their order.
    void groupDuplicateAndGuardsFromTheMenu()
    {
        for (const char* c : {"C0000000001", "C0000000002", "C0000000003"})
            kit::addComponent(c, "RES");
        kit::addCompProj("P1", "PN1", "RES", "C0000000001");
        kit::addCompProj("P1", "PN1", "RES", "C0000000002", "G");
        TROVA_OPEN_SCREEN(fx, s, Mtc_CGRP, QStringLiteral("Man_CGRP"));
        s->cmdNew->click();
        s->txtID->setText("RES");
        s->cmdSave->click();
        QCOMPARE(prompter().last().title, QStringLiteral("ERROR"));

        // Components and part-number rows both use it: the components first.
        s->msfgCGRP->setCurrentCell(1, 1); // RES, after CAP
        for (const auto& [table, uses] : {std::pair{"component_list", 3}, {"component_proj", 2}}) {
            s->cmdDelete_Click();
            QCOMPARE(prompter().last().text,
                     QString("%1 records are using this Group ID, it cannot be removed ...").arg(uses));
            gConn().exec(QString("delete from %1").arg(table));
        }
        s->cmdDelete_Click();
        QCOMPARE(queryRows("select group_id from component_group"), QStringList({"CAP"}));
    }
};

TROVA_TEST(ComponentScreenTest)
#include "tst_Mtc_Comp.moc"
