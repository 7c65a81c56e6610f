#include "ExportCatcher.h"
#include "MainWindowFixture.h"
#include "MaterialKit.h"
#include "Mtc_Comp.h"
#include "TestDb.h"
#include "TestMain.h"
#include "app/Module1.h"

#include <QPushButton>
#include <QTest>

using kit::prompter;
using Module1::gConn;

namespace {

QList<bool> buttons(const Mtc_Comp& s)
{
    return kit::enabled({s.cmdNew, s.cmdEdit, s.cmdDelete, s.cmdSave, s.cmdCancel});
}

const QList<bool> kBrowse = {true, true, true, false, false};
const QList<bool> kEditing = {false, false, false, true, true};

} // namespace

// The component screen: the method type and its code lengths, the vendor
// default, the duplicate test on code and vendor, the delete guard, the
// export, and the import with every refusal it logs.
class ComponentScreenTest : public QObject
{
    Q_OBJECT

    testing::ExportCatcher m_exports;

private Q_SLOTS:
    void initTestCase_data() { testdb::addBackendRows(); }
    void init()
    {
        TESTDB_INIT();
        prompter().clear();
        kit::addGroup("CAP");
        kit::addGroup("RES");
    }

    // A user who may open the screen but holds none of its button codes is
    // refused before anything changes; granted one code, that button works.
    void buttonGatesFollowTheGrants()
    {
        kit::addComponent("C0805-100NF", "CAP");
        MainWindowFixture::addUser("CLERK", "Clerk", "STORE", {"MAN_COMP", "Man_Edit_List"});
        MainWindowFixture fx;
        QVERIFY(fx.logIn("CLERK", "CLERK"));
        auto* s = fx.open<Mtc_Comp>(QStringLiteral("Man_Comp"));
        QVERIFY(s);
        kit::clickRow(s->LvData, 0);
        for (QPushButton* refused : {s->cmdNew, s->cmdDelete}) {
            prompter().clear();
            refused->click();
            QCOMPARE(prompter().texts(), QStringList{"You have no permission to use."});
            QCOMPARE(buttons(*s), kBrowse);
        }
        prompter().clear();
        s->cmdEdit->click();
        QVERIFY(prompter().messages.isEmpty());
        QCOMPARE(buttons(*s), kEditing);
        QCOMPARE(kit::rows("select comp_code from component_list"), QStringList{"C0805-100NF"});
    }

    void newEditDeleteFromTheMenu()
    {
        MainWindowFixture fx;
        QVERIFY(fx.logIn());
        auto* s = fx.open<Mtc_Comp>(QStringLiteral("Man_Comp"));
        QVERIFY(s);
        s->cmdNew->click();
        QCOMPARE(s->txtVDName->text(), QStringLiteral("NIL"));
        s->cmdSave->click();
        QCOMPARE(prompter().last().text,
                 QStringLiteral("The Component ID or Component Group or Vender Name cannot be null ..."));

        // Mass production codes are 11 characters; the box takes no more.
        QTest::keyClicks(s->txtID, "c0805-100nf-x");
        QCOMPARE(s->txtID->text(), QStringLiteral("c0805-100nf"));
        s->txtID->setText("C0805-100N");
        s->cboGP->setCurrentIndex(0);
        s->txtDesc->setText("100nF 0805");
        s->cmdSave->click();
        QCOMPARE(prompter().last().text, QStringLiteral("The Component ID length must be 11 character."));
        QCOMPARE(buttons(*s), kEditing); // the input stays for correction
        s->txtID->setText("C0805-100NF");
        s->cmdSave->click();
        QCOMPARE(kit::rows("select comp_code, comp_desc, group_id, method_type, vender_name from component_list"),
                 QStringList({"C0805-100NF|100nF 0805|CAP|MP|NIL"}));
        // Save ends through Cancel: browsing with the text boxes empty.
        QCOMPARE(buttons(*s), kBrowse);
        QCOMPARE(s->txtID->text(), QString());
        QCOMPARE(s->txtVDName->text(), QString());

        // New keeps the code of the chosen row; another vendor is a second row.
        kit::clickRow(s->LvData, 0);
        s->cmdNew->click();
        QCOMPARE(s->txtID->text(), QStringLiteral("C0805-100NF"));
        QCOMPARE(s->txtDesc->text(), QString());
        s->txtVDName->setText("ACME");
        s->txtVDDesc->setText("Acme Corp");
        s->cboGP->setCurrentIndex(0);
        s->cmdSave->click();
        QCOMPARE(gConn().count("select count(*) from component_list where comp_code = 'C0805-100NF'"), 2);

        // The same code and vendor again: refused, and back to browsing.
        kit::clickRow(s->LvData, 0);
        s->cmdNew->click();
        s->txtVDName->setText("ACME");
        s->cboGP->setCurrentIndex(1);
        s->cmdSave->click();
        QCOMPARE(prompter().last().text, QStringLiteral("This component information already exist..."));
        QCOMPARE(buttons(*s), kBrowse);
        QCOMPARE(s->txtID->text(), QString());
        QCOMPARE(gConn().count("select count(*) from component_list"), 2);

        // Proto type codes take up to 30 characters; switching empties the code.
        s->cmdNew->click();
        s->txtID->setText("C0805-100NF");
        s->Opt_PT->click();
        QCOMPARE(s->txtID->text(), QString());
        s->txtID->setText(QString(30, 'P'));
        s->txtVDName->setText("NIL");
        s->cboGP->setCurrentIndex(1);
        s->cmdSave->click();
        QCOMPARE(gConn().scalar("select method_type from component_list where group_id = 'RES'").toString(),
                 QStringLiteral("PT"));

        // Clicking a row sets its type first, then its code survives.
        const int pt = int(kit::listColumn(s->LvData, 6).indexOf("PT"));
        s->Opt_MP->click();
        kit::clickRow(s->LvData, pt);
        QVERIFY(s->Opt_PT->isChecked());
        QCOMPARE(s->txtID->text(), QString(30, 'P'));
        kit::clickRow(s->LvData, pt == 0 ? 1 : 0);
        QVERIFY(s->Opt_MP->isChecked());
        QCOMPARE(s->txtID->maxLength(), 11);
        QCOMPARE(s->txtID->text(), QStringLiteral("C0805-100NF"));

        // Edit changes description, group and vendor description only.
        const QString vendor = s->txtVDName->text();
        s->cmdEdit->click();
        QVERIFY(!s->txtID->isEnabled() && !s->txtVDName->isEnabled() && !s->Opt_PT->isEnabled());
        s->txtDesc->setText("changed");
        s->cboGP->setCurrentText("RES");
        s->cmdSave->click();
        QCOMPARE(kit::rows("select vender_name, comp_desc, group_id from component_list where comp_code = 'C0805-100NF' "
                           "and group_id = 'RES'"),
                 QStringList({vendor + "|changed|RES"}));

        // The list as shown goes to the workbook, without the hidden item text.
        s->cmdexport->click();
        const workbook::Rows sheet = m_exports.lastRows();
        QCOMPARE(sheet.size(), 4);
        QCOMPARE(sheet.at(0).value(0), QStringLiteral("Component ID"));

        // Delete removes the chosen vendor's row only.
        kit::clickRow(s->LvData, int(kit::listColumn(s->LvData, 4).indexOf("ACME")));
        s->cmdDelete->click();
        QCOMPARE(kit::rows("select vender_name from component_list where comp_code = 'C0805-100NF'"),
                 QStringList({"NIL"}));
    }

    void deleteGuard()
    {
        kit::addComponent("C0000000001", "CAP", "NIL");
        kit::addComponent("C0000000001", "CAP", "ACME");
        kit::addComponent("C0000000002", "CAP", "NIL");
        kit::addProject("P1");
        kit::addPart("PN1", "P1");
        kit::addCompProj("P1", "PN1", "CAP", "C0000000002");
        kit::addChecks(4, "PN1", "C0000000001");
        Mtc_Comp s;
        const QStringList codes = kit::listColumn(s.LvData, 1);

        // Checks of the code refuse the delete whichever vendor's row is shown.
        kit::clickRow(s.LvData, int(codes.indexOf("C0000000001")));
        s.cmdDelete_Click();
        QCOMPARE(prompter().last().text,
                 QStringLiteral("4 records are using this Component ID, it cannot be removed ..."));
        QCOMPARE(prompter().last().icon, msg::Icon::Critical);
        QCOMPARE(gConn().count("select count(*) from component_list"), 3);
        // A code only the part numbers use goes.
        kit::clickRow(s.LvData, int(kit::listColumn(s.LvData, 1).indexOf("C0000000002")));
        s.cmdDelete_Click();
        QCOMPARE(gConn().count("select count(*) from component_list"), 2);
    }

    void oneRowPerCodeAndVendor()
    {
        // Whatever writes it, the database keeps one row per code and vendor.
        kit::addComponent("C0000000001", "CAP", "NIL", "MP");
        try {
            kit::addComponent("C0000000001", "RES", "NIL", "PT");
            QFAIL("a second row for the code and vendor was stored");
        } catch (const db::DbError& e) {
            QCOMPARE(e.kind(), db::ErrorKind::UniqueViolation);
        }
        kit::addComponent("C0000000001", "RES", "ACME", "PT");
        QCOMPARE(gConn().count("select count(*) from component_list"), 2);
    }

    void importChecksEveryRow()
    {
        kit::addComponent("C0000000009", "RES", "ACME", "MP"); // exists under another group
        const QString sheet = kit::writeSheet(
            m_exports.folder(), QStringLiteral("components.xlsx"),
            {{"Code", "Desc", "Group", "Vendor", "Vendor desc", "Type"},
             {"C0000000001", "first", "CAP", "NIL", "", "MP"},
             {"c0000000002", "lower", "CAP", "NIL", "", "mp"},
             {"C0000000003", "", "", "NIL", "", "MP"},
             {"C0000000004", "", "CAP", "NIL", "", "XX"},
             {"C00000000051", "", "CAP", "NIL", "", "MP"},
             {QString(31, 'p'), "", "CAP", "NIL", "", "PT"},
             {"C0000000007", "", "IC", "NIL", "", "MP"},
             {"C0000000009", "", "CAP", "ACME", "", "MP"},
             {"proto-lower", "proto", "CAP", "NIL", "vd", "pt"},
             {"C0000000001", "again", "CAP", "NIL", "second", "MP"}});
        Mtc_Comp s;
        prompter().files.enqueue(sheet);
        s.cmdImport_Click();
        QCOMPARE(prompter().texts(), kit::importedWithErrors(4));
        QCOMPARE(kit::logLines(),
                 QStringList({"The Component C0000000003 or Group  or Vender Name NIL or Type MP cannot be null",
                              "The Type XX does not match", "The Component C00000000051 length error",
                              "The Component " + QString(31, 'p') + " length too large",
                              "Cannot found the Component Group IC ",
                              "The Component C0000000009 and the Vender Name ACME already exist under another Group "
                              "or Type"}));
        // Codes as read, types upper-cased; the repeated row updated the first.
        QCOMPARE(kit::rows("select comp_code, comp_desc, group_id, vender_name, vender_desc, method_type "
                           "from component_list where group_id = 'CAP' order by comp_code"),
                 QStringList({"C0000000001|again|CAP|NIL|second|MP", "c0000000002|lower|CAP|NIL||MP",
                              "proto-lower|proto|CAP|NIL|vd|PT"}));
        QCOMPARE(s.LvData->topLevelItemCount(), 4); // reloaded
    }
};

TROVA_TEST(ComponentScreenTest)
#include "tst_Mtc_Comp.moc"
