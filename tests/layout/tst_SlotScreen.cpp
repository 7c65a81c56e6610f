#include "LayoutRows.h"
#include "MainWindowFixture.h"
#include "Mtc_DT200.h"
#include "Mtc_Line.h"
#include "Mtc_Machine.h"
#include "Mtc_Project.h"
#include "Mtc_Slot1.h"
#include "ScriptedPrompter.h"
#include "TestDb.h"
#include "TestMain.h"
#include "UpDown.h"
#include "app/Module1.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

using Module1::gConn;
using testing::prompter;

namespace {

void choose(Mtc_Slot1& s, const QString& machine)
{
    s.cboMC->setCurrentIndex(s.cboMC->findText(machine));
}

// The shown tree as "module: slot slot ...", one entry per module.
QStringList shown(const Mtc_Slot1& s)
{
    QStringList out;
    if (s.TV->topLevelItemCount() == 0)
        return out;
    const QTreeWidgetItem* root = s.TV->topLevelItem(0);
    for (int i = 0; i < root->childCount(); ++i) {
        QStringList slots;
        for (int j = 0; j < root->child(i)->childCount(); ++j)
            slots << root->child(i)->child(j)->text(0);
        out << root->child(i)->text(0) + ": " + slots.join(' ');
    }
    return out;
}

QStringList stored(const QString& machine)
{
    QStringList out;
    db::ResultSet rs = gConn().query("select md_id, slot_id from slot_info where mc_id = ? order by md_id, slot_id",
                                     {machine});
    for (; !rs.eof(); rs.moveNext())
        out << rs.text(0) + "/" + rs.text(1);
    return out;
}

void addSlots(const QString& machine, const QStringList& moduleSlash)
{
    for (const QString& ms : moduleSlash) {
        gConn().exec("insert into slot_info (slot_id, md_id, mc_id, update_user, update_time) "
                     "values (?, ?, ?, 'U', sysdate)",
                     {ms.section('/', 1), ms.section('/', 0, 0), machine});
    }
}

} // namespace

// The module and slot screen: generating, storing and loading a machine's
// tree, the count boxes and their spinners, and a failed save.
class SlotScreenTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data() { testdb::addBackendRows(); }
    void init()
    {
        TESTDB_INIT();
        prompter().clear();
        addLine("L1");
        addMachine("ABCDEF", "L1");
        addMachine("AB", "L1");
    }

    void layoutScreensFromTheMainWindow()
    {
        MainWindowFixture f;
        QVERIFY(f.logIn());
        QVERIFY(f.open<Mtc_Line>("Man_Line"));
        QVERIFY(f.open<Mtc_Machine>("Man_Machine"));
        QVERIFY(f.open<Mtc_DT200>("Man_DT200"));
        QVERIFY(f.open<Mtc_Project>("Man_Project"));
        auto* s = f.open<Mtc_Slot1>("Man_Slot1");
        QVERIFY(s);

        // Opened afresh: machines listed, none chosen, default counts.
        QCOMPARE(s->cboMC->count(), 2);
        QCOMPARE(s->cboMC->currentText(), QString());
        QCOMPARE(QStringList({s->txtNum->text(), s->txtMD->text(), s->txtSlot->text()}), QStringList({"3", "1", "1"}));
        QCOMPARE(s->TV->topLevelItemCount(), 0);

        choose(*s, "ABCDEF");
        QCOMPARE(s->TV->topLevelItem(0)->text(0), QStringLiteral("ABCDEF"));
        QTest::mouseClick(s->UpDown1->up, Qt::LeftButton);
        QTest::mouseClick(s->UpDown2->up, Qt::LeftButton);
        QTest::mouseClick(s->UpDown2->up, Qt::LeftButton);
        QTest::mouseClick(s->cmdSet, Qt::LeftButton);
        QCOMPARE(shown(*s), QStringList({"ABC001: ABC001 ABC002 ABC003", "ABC002: ABC001 ABC002 ABC003"}));
        // The last node in view: root and last module open, the first closed.
        const QTreeWidgetItem* root = s->TV->topLevelItem(0);
        QVERIFY(root->isExpanded() && root->child(1)->isExpanded() && !root->child(0)->isExpanded());
        QCOMPARE(root->data(0, Mtc_Slot1::KeyRole).toString(), QStringLiteral("T"));
        QCOMPARE(root->child(1)->child(0)->data(0, Mtc_Slot1::KeyRole).toString(), QStringLiteral("S4"));
        QVERIFY(stored("ABCDEF").isEmpty()); // Set stores nothing

        QTest::mouseClick(s->cmdSave, Qt::LeftButton);
        QCOMPARE(prompter().texts(), QStringList({"Save Successful!"}));
        QCOMPARE(prompter().last().title, msg::applicationTitle());
        QCOMPARE(stored("ABCDEF"), QStringList({"ABC001/ABC001", "ABC001/ABC002", "ABC001/ABC003", "ABC002/ABC001",
                                                "ABC002/ABC002", "ABC002/ABC003"}));
        QCOMPARE(gConn().count("select count(*) from slot_info where update_user = 'SYSADMIN'"), 6);
    }

    void countBoxesAndPrefixKeys()
    {
        Mtc_Slot1 s;
        QTest::mouseClick(s.UpDown1->down, Qt::LeftButton);
        QCOMPARE(s.txtMD->text(), QStringLiteral("1"));
        s.txtMD->setText("98");
        QTest::mouseClick(s.UpDown1->up, Qt::LeftButton);
        QTest::mouseClick(s.UpDown1->up, Qt::LeftButton);
        QCOMPARE(s.txtMD->text(), QStringLiteral("99"));
        s.txtSlot->setText("999");
        QTest::mouseClick(s.UpDown2->up, Qt::LeftButton);
        QCOMPARE(s.txtSlot->text(), QStringLiteral("999"));

        // Only "1" to "5" go into the prefix box; Backspace does nothing.
        s.txtNum->setFocus();
        QTest::keyClick(s.txtNum, Qt::Key_Backspace);
        QCOMPARE(s.txtNum->text(), QStringLiteral("3"));
        s.txtNum->home(false);
        QTest::keyClick(s.txtNum, Qt::Key_Delete);
        QCOMPARE(s.txtNum->text(), QString());
        QTest::keyClicks(s.txtNum, "06a");
        QCOMPARE(s.txtNum->text(), QString());

        // Set with no prefix length: said so, no tree.
        choose(s, "ABCDEF");
        s.cmdSet_Click();
        QCOMPARE(prompter().messages.size(), 1);
        QCOMPARE(prompter().last().icon, msg::Icon::Information);
        QCOMPARE(s.TV->topLevelItemCount(), 0);
        QTest::keyClicks(s.txtNum, "4");
        QCOMPARE(s.txtNum->text(), QStringLiteral("4"));
    }

    void unequalModulesRoundTrip()
    {
        addSlots("ABCDEF", {"M01/S01", "M01/S02", "M01/S03", "M02/S01", "M03/S01", "M03/S02"});
        addSlots("AB", {"M1/A", "M1/B", "M1/C", "M2/A", "M2/B"});
        Mtc_Slot1 s;
        choose(s, "AB");
        QCOMPARE(s.txtMD->text(), QStringLiteral("2"));
        QCOMPARE(s.txtSlot->text(), QStringLiteral("2.5"));

        choose(s, "ABCDEF");
        QCOMPARE(shown(s), QStringList({"M01: S01 S02 S03", "M02: S01", "M03: S01 S02"}));
        QCOMPARE(s.txtMD->text(), QStringLiteral("3"));
        QCOMPARE(s.txtSlot->text(), QStringLiteral("2"));
        // The slot box no longer matches any module: Save still stores every
        // slot under its own module.
        QTest::mouseClick(s.UpDown2->up, Qt::LeftButton);
        s.cmdSave_Click();
        QCOMPARE(prompter().texts(), QStringList({"Save Successful!"}));
        QCOMPARE(stored("ABCDEF"), QStringList({"M01/S01", "M01/S02", "M01/S03", "M02/S01", "M03/S01", "M03/S02"}));
        QCOMPARE(stored("AB").size(), 5);
    }

    void failedSaveKeepsTheStoredSlots()
    {
        addSlots("ABCDEF", {"M01/S01", "M01/S02", "M02/S01"});
        Mtc_Slot1 s;
        choose(s, "ABCDEF");
        s.txtMD->setText("1");
        s.txtSlot->setText("3");
        s.cmdSet_Click();
        s.TV->topLevelItem(0)->child(0)->child(2)->setText(0, "ABC0000003");

        // While the box is up the machine's rows are back: nothing waits in
        // an open transaction.
        QStringList whileShown;
        prompter().onMessage = [&whileShown](const msg::Message&) { whileShown = stored("ABCDEF"); };
        s.cmdSave_Click();
        prompter().onMessage = nullptr;
        QCOMPARE(prompter().texts(), QStringList({"ABC0000003 length too long."}));
        QCOMPARE(prompter().last().icon, msg::Icon::None);
        const QStringList before = {"M01/S01", "M01/S02", "M02/S01"};
        QCOMPARE(whileShown, before);
        QCOMPARE(stored("ABCDEF"), before);
        QCOMPARE(shown(s), QStringList({"M01: S01 S02", "M02: S01"})); // reloaded
    }

    void saveWithoutMachineIsRefused()
    {
        addSlots("ABCDEF", {"M01/S01"});
        Mtc_Slot1 s;
        s.cmdSet_Click();
        QCOMPARE(s.TV->topLevelItemCount(), 0);
        s.cmdSave_Click();
        QCOMPARE(prompter().texts(), QStringList({"The Machine ID cannot be null ..."}));
        QCOMPARE(prompter().last().title, QStringLiteral("Information"));
        QCOMPARE(stored("ABCDEF").size(), 1);
    }
};

TROVA_TEST(SlotScreenTest)
#include "tst_SlotScreen.moc"
