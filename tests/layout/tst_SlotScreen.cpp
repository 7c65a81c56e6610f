#include "DbRows.h"
#include "MainWindowFixture.h"
#include "Mtc_Slot1.h"
#include "ScriptedPrompter.h"
#include "TestDb.h"
#include "TestMain.h"
#include "UpDown.h"
#include "Widgets.h"
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

// The screen shows the machine's tree as stored.
bool showsStored(const Mtc_Slot1& s)
{
    return s.shownTree() == layout::loadTree(gConn(), s.cboMC->currentText());
}

QStringList stored(const QString& machine)
{
    return testing::queryRows("select md_id, slot_id from slot_info where mc_id = ? order by md_id, slot_id",
                              {machine});
}

void addSlots(const QString& machine, const QStringList& moduleSlash)
{
    for (const QString& ms : moduleSlash)
        testing::addRow("slot_info", {"slot_id", "md_id", "mc_id"}, {ms.section('/', 1), ms.section('/', 0, 0), machine});
}

} // namespace

// The module and slot screen: generating, storing and loading a machine's
// tree, the count boxes and their spinners, and saves that must not happen.
class SlotScreenTest : public testdb::Case
{
    Q_OBJECT

    void prepare() override
    {
        testing::addLine("L1");
        testing::addMachine("ABCDEF", "L1");
        testing::addMachine("AB", "L1");
    }

private Q_SLOTS:
    void setAndSaveFromTheMainWindow()
    {
        TROVA_OPEN_SCREEN(f, s, Mtc_Slot1, "Man_Slot1");
        testing::choose(s->cboMC, "ABCDEF");
        QTest::mouseClick(s->UpDown1->up, Qt::LeftButton);
        QTest::mouseClick(s->UpDown2->up, Qt::LeftButton);
        QTest::mouseClick(s->UpDown2->up, Qt::LeftButton);
        QTest::mouseClick(s->cmdSet, Qt::LeftButton);
        QVERIFY(stored("ABCDEF").isEmpty()); // Set stores nothing

        QTest::mouseClick(s->cmdSave, Qt::LeftButton);
        QCOMPARE(prompter().texts(), QStringList({"Save Successful!"}));
        QCOMPARE(stored("ABCDEF"), QStringList({"ABC001|ABC001", "ABC001|ABC002", "ABC001|ABC003", "ABC002|ABC001",
                                                "ABC002|ABC002", "ABC002|ABC003"}));
        QCOMPARE(gConn().count("select count(*) from slot_info where update_user = 'SYSADMIN'"), 6);
    }

    // The count boxes and the prefix keys; then a machine's stored tree of
    // unequal modules: Save stores what is shown, a refused write keeps it,
    // and a tree without modules, which would delete every slot of the
    // machine, is never saved: not without a machine, not after a refused
    // Set (the tree stays), not after a load that failed.
    void countBoxesAndTheStoredTree()
    {
        const QStringList before = {"M01|S01", "M01|S02", "M01|S03", "M02|S01", "M03|S01", "M03|S02"};
        addSlots("ABCDEF", {"M01/S01", "M01/S02", "M01/S03", "M02/S01", "M03/S01", "M03/S02"});
        Mtc_Slot1 s;
        QTest::mouseClick(s.UpDown1->down, Qt::LeftButton);
        QCOMPARE(s.txtMD->text(), QStringLiteral("1"));
        // The spinners stop at what the boxes hold, never writing 100 or 1000.
        s.txtMD->setText("99");
        s.txtSlot->setText("999");
        QTest::mouseClick(s.UpDown1->up, Qt::LeftButton);
        QTest::mouseClick(s.UpDown2->up, Qt::LeftButton);
        QCOMPARE(s.txtMD->text() + "/" + s.txtSlot->text(), QStringLiteral("99/999"));

        // Only "1" to "5" go into the prefix box; Backspace does nothing.
        QTest::keyClick(s.txtNum, Qt::Key_Backspace);
        QCOMPARE(s.txtNum->text(), QStringLiteral("3"));
        s.txtNum->home(false);
        QTest::keyClick(s.txtNum, Qt::Key_Delete);
        QTest::keyClicks(s.txtNum, "06a4");
        QCOMPARE(s.txtNum->text(), QStringLiteral("4"));

        s.cmdSave_Click();
        QCOMPARE(prompter().texts(), QStringList({"The Machine ID cannot be null ..."}));

        testing::choose(s.cboMC, "ABCDEF");
        QVERIFY(showsStored(s));
        QCOMPARE(s.txtMD->text() + "/" + s.txtSlot->text(), QStringLiteral("3/2"));
        // The slot box no longer matches any module, the prefix is refused:
        // Save still stores every slot under its own module.
        QTest::mouseClick(s.UpDown2->up, Qt::LeftButton);
        s.txtNum->clear();
        s.cmdSet_Click();
        QCOMPARE(prompter().last().text, QStringLiteral("The prefix length must be a number from 1 to 5 ..."));
        QVERIFY(showsStored(s));
        s.cmdSave_Click();
        QCOMPARE(prompter().last().text, QStringLiteral("Save Successful!"));
        QCOMPARE(stored("ABCDEF"), before);

        // A slot too long to store. While the box is up the machine's rows
        // are back: nothing waits in an open transaction.
        s.txtNum->setText("3");
        s.txtMD->setText("1");
        s.txtSlot->setText("3");
        s.cmdSet_Click();
        s.TV->topLevelItem(0)->child(0)->child(2)->setText(0, "ABC0000003");
        const layout::SlotTree built = s.shownTree();
        QStringList whileShown;
        prompter().clear();
        prompter().onMessage = [&whileShown](const msg::Message&) { whileShown = stored("ABCDEF"); };
        s.cmdSave_Click();
        prompter().onMessage = nullptr;
        QCOMPARE(prompter().texts(), QStringList({"ABC0000003 length too long."}));
        QCOMPARE(whileShown, before);
        QCOMPARE(s.shownTree(), built); // kept to be mended

        // Another workstation holds the slots: Save fails at the lock's wait
        // and the tree built stays, whether the stored one can be read or not.
        s.cmdSet_Click();
        const layout::SlotTree generated = s.shownTree();
        {
            testdb::TableLock lock("slot_info");
            prompter().clear();
            QTest::mouseClick(s.cmdSave, Qt::LeftButton);
            QCOMPARE(prompter().messages.size(), 1);
            QCOMPARE(prompter().last().title, QStringLiteral("ERROR"));
            QCOMPARE(s.shownTree(), generated);
            QCOMPARE(lock.release(), QString());
        }
        QCOMPARE(stored("ABCDEF"), before);
        s.cmdSave_Click();
        QCOMPARE(prompter().last().text, QStringLiteral("Save Successful!"));
        const QStringList saved = {"ABC001|ABC001", "ABC001|ABC002", "ABC001|ABC003"};
        QCOMPARE(stored("ABCDEF"), saved);

        testing::choose(s.cboMC, "AB");
        gConn().exec("alter table slot_info rename to slot_info_away");
        testing::choose(s.cboMC, "ABCDEF");
        gConn().exec("alter table slot_info_away rename to slot_info");
        QCOMPARE(prompter().last().title, QStringLiteral("ERROR"));
        QVERIFY(s.shownTree().modules.isEmpty());
        prompter().clear();
        s.cmdSave_Click();
        QCOMPARE(prompter().messages.size(), 1);
        QCOMPARE(prompter().last().icon, msg::Icon::Information);
        QCOMPARE(stored("ABCDEF"), saved);
    }
};

TROVA_TEST(SlotScreenTest)
#include "tst_SlotScreen.moc"
