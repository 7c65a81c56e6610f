#include "DemoScreens.h"
#include "ListTools.h"
#include "app/Module1.h"
#include "ScriptedPrompter.h"
#include "TestDb.h"
#include "TestMain.h"

#include <QFocusEvent>
#include <QHeaderView>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QRegularExpression>
#include <QTest>

using Module1::gConn;
using testing::ScriptedPrompter;

namespace {

ScriptedPrompter& prompter()
{
    return *ScriptedPrompter::current();
}

// New, Edit, Delete, Save, Cancel as enabled, in that order.
QList<bool> buttons(const DemoMachineScreen& s)
{
    return {s.cmdNew->isEnabled(), s.cmdEdit->isEnabled(), s.cmdDelete->isEnabled(), s.cmdSave->isEnabled(),
            s.cmdCancel->isEnabled()};
}

const QList<bool> kBrowseRows = {true, true, true, false, false};
const QList<bool> kBrowseEmpty = {true, false, false, false, false};
const QList<bool> kEditing = {false, false, false, true, true};

void addGroups(int n)
{
    db::Transaction t(gConn());
    const QDateTime base(QDate(2024, 1, 1), QTime(0, 0));
    for (int i = 0; i < n; ++i)
        gConn().exec("insert into component_group (group_id, group_desc, update_user, update_time) values (?, ?, 'SYSADMIN', ?)",
                     {QStringLiteral("G%1").arg(i, 3, 10, QLatin1Char('0')), QStringLiteral("group %1").arg(i),
                      base.addSecs(i * 60)});
    t.commit();
}

void revokeGrant(const QString& code)
{
    gConn().exec("delete from function_grant where func_id = ?", {code});
}

// A screen that adds its own steps to the cycle's: a check that refuses
// through Cancel, a guard refusal of its own and steps on entering a mode.
class HookedScreen : public DemoMachineScreen
{
public:
    QStringList entered;

protected:
    void modeEntered() override { entered << EditMode; }
    bool inputAccepted() override
    {
        if (txtDesc->text() == QLatin1String("dup")) {
            msg::box(QStringLiteral("This machine already exist..."));
            cmdCancel_Click();
            return false;
        }
        return DemoMachineScreen::inputAccepted();
    }
    void showDeleteRefused(qlonglong users) override
    {
        msg::box(QString::number(users) + QStringLiteral("  records are using this Line set, it cannot be removed ..."));
    }
};

} // namespace

// The maintenance cycle through two small screens: the states of the
// buttons, Save's three statements and their failures, the delete guard,
// the permission gate, the row limit and the column sort.
class MaintenanceCycleTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data() { testdb::addBackendRows(); }
    void init()
    {
        TESTDB_INIT();
        prompter().clear();
    }

    void statesThroughTheCycle()
    {
        DemoMachineScreen s;
        QCOMPARE(s.EditMode, QString());
        QCOMPARE(buttons(s), kBrowseEmpty);
        QVERIFY(!s.txtID->isEnabled());

        // Edit with an empty key box does nothing.
        s.cmdEdit_Click();
        QCOMPARE(s.EditMode, QString());

        addLine("L1");
        s.reload();
        s.cmdNew_Click();
        QCOMPARE(s.EditMode, QStringLiteral("New"));
        QCOMPARE(buttons(s), kEditing);
        QVERIFY(s.txtID->isEnabled() && s.txtDesc->isEnabled() && s.cboLine->isEnabled());
        QVERIFY(!s.msfgMachine->isEnabled());

        // Required field refused: stays in New with the input kept.
        s.txtID->setText("   ");
        s.cmdSave_Click();
        QCOMPARE(prompter().last().text, QStringLiteral("The Machine ID or Line ID cannot be null ..."));
        QCOMPARE(prompter().last().title, QStringLiteral("Information"));
        QCOMPARE(prompter().last().icon, msg::Icon::Information);
        QCOMPARE(buttons(s), kEditing);

        // A key typed with blanks is stored trimmed and can be edited.
        s.txtID->setText("  MC1 ");
        s.txtDesc->setText(" first ");
        s.cboLine->setEditText("L1");
        s.cmdSave_Click();
        QCOMPARE(buttons(s), kBrowseRows);
        QCOMPARE(s.msfgMachine->rowCount(), 1);
        QVERIFY(s.msfgMachine->isColumnHidden(0));
        QCOMPARE(s.msfgMachine->item(0, 1)->text(), QStringLiteral("MC1"));
        QCOMPARE(s.msfgMachine->item(0, 2)->text(), QStringLiteral(" first ")); // other boxes as typed
        QCOMPARE(s.msfgMachine->item(0, 4)->text(), QStringLiteral("SYSADMIN"));
        QCOMPARE(s.msfgMachine->item(0, 5)->text(), QStringLiteral("System Administrator"));
        // The update time in the form every list shows, on both engines.
        QVERIFY2(QRegularExpression("^\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d$")
                     .match(s.msfgMachine->item(0, 6)->text())
                     .hasMatch(),
                 qPrintable(s.msfgMachine->item(0, 6)->text()));
        QCOMPARE(s.txtID->text(), QStringLiteral("  MC1 ")); // Reload ending keeps the boxes

        // Row to boxes, then Edit changes the description only.
        s.msfgMachine->setCurrentCell(0, 1);
        QCOMPARE(s.txtID->text(), QStringLiteral("MC1"));
        QCOMPARE(s.cboLine->currentText(), QStringLiteral("L1"));
        s.cmdEdit_Click();
        QCOMPARE(s.EditMode, QStringLiteral("Edit"));
        QCOMPARE(buttons(s), kEditing);
        QVERIFY(!s.txtID->isEnabled());
        QVERIFY(s.txtDesc->isEnabled());
        s.txtDesc->setText("changed");
        s.cmdSave_Click();
        QCOMPARE(gConn().scalar("select mc_desc from mc_info where mc_id = 'MC1'").toString(), QStringLiteral("changed"));
        QCOMPARE(buttons(s), kBrowseRows);

        // Cancel reloads and empties the text boxes; the mode stays.
        s.cmdNew_Click();
        s.txtID->setText("MC2");
        s.cmdCancel_Click();
        QCOMPARE(s.EditMode, QStringLiteral("New"));
        QCOMPARE(buttons(s), kBrowseRows);
        QCOMPARE(s.txtID->text(), QString());
        QCOMPARE(gConn().count("select count(*) from mc_info"), 1);
    }

    void deleteConfirmationAndGuard()
    {
        addLine("L1");
        addMachine("MC1", "L1");
        addMachine("MC2", "L1");
        for (int i = 0; i < 12; ++i)
            gConn().exec("insert into check_history (line_id, mc_id, check_value, update_user, update_time) "
                         "values ('L1', 'MC1', '0', 'U', sysdate)");
        DemoMachineScreen s;
        s.msfgMachine->setCurrentCell(0, 1);
        QCOMPARE(s.txtID->text(), QStringLiteral("MC1"));

        // No: nothing happens.
        prompter().answers.enqueue(msg::Answer::No);
        s.cmdDelete_Click();
        QCOMPARE(prompter().last().text, QStringLiteral("Confirm to delete?"));
        QCOMPARE(prompter().last().buttons, msg::Buttons::YesNo);
        QCOMPARE(prompter().last().icon, msg::Icon::None);
        QCOMPARE(prompter().last().title, msg::applicationTitle());
        QCOMPARE(s.EditMode, QString());
        QCOMPARE(buttons(s), kBrowseRows);

        // Yes on a machine with check records: the count message, row kept.
        const int loads = s.loads;
        s.cmdDelete_Click();
        QCOMPARE(prompter().last().text, QStringLiteral("12 records are using this Machine ID, it cannot be removed ..."));
        QCOMPARE(prompter().last().title, QStringLiteral("ERROR"));
        QCOMPARE(prompter().last().icon, msg::Icon::Critical);
        QCOMPARE(s.loads, loads + 1);
        QCOMPARE(gConn().count("select count(*) from mc_info"), 2);
        QCOMPARE(buttons(s), kBrowseRows);

        // An unused machine goes, found by its trimmed key.
        s.txtID->setText(" MC2  ");
        s.cmdDelete_Click();
        QCOMPARE(s.EditMode, QStringLiteral("Del"));
        QCOMPARE(gConn().count("select count(*) from mc_info"), 1);
        QCOMPARE(s.msfgMachine->rowCount(), 1);

        // An empty key box deletes nothing.
        s.txtID->clear();
        s.cmdDelete_Click();
        QCOMPARE(gConn().count("select count(*) from mc_info"), 1);
    }

    void databaseErrorInSaveIsShown()
    {
        addLine("L1");
        addMachine("MC1", "L1");
        DemoMachineScreen s;
        s.cmdNew_Click();
        s.txtID->setText("MC1"); // already there
        s.cboLine->setEditText("L1");
        const int loads = s.loads;
        s.cmdSave_Click();
        QCOMPARE(prompter().messages.size(), 1);
        QCOMPARE(prompter().last().title, QStringLiteral("ERROR"));
        QVERIFY(!prompter().last().text.isEmpty());
        QCOMPARE(s.loads, loads + 1);
        QCOMPARE(buttons(s), kBrowseRows);
        QCOMPARE(gConn().count("select count(*) from mc_info"), 1);

        // A description longer than the column.
        s.msfgMachine->setCurrentCell(0, 1);
        s.cmdEdit_Click();
        s.txtDesc->setText(QString(200, 'x'));
        s.cmdSave_Click();
        QCOMPARE(prompter().messages.size(), 2);
        QCOMPARE(gConn().scalar("select mc_desc from mc_info").toString(), QStringLiteral("desc"));
    }

    void screenStepsAroundTheCycle()
    {
        addLine("L1");
        addMachine("MC1", "L1");
        for (int i = 0; i < 3; ++i)
            gConn().exec("insert into check_history (line_id, mc_id, check_value, update_user, update_time) "
                         "values ('L1', 'MC1', '0', 'U', sysdate)");
        HookedScreen s;
        s.cmdNew_Click();
        s.txtID->setText("MC2");
        s.cboLine->setEditText("L1");
        s.txtDesc->setText("dup");
        s.cmdSave_Click();
        QCOMPARE(prompter().texts(), QStringList({"This machine already exist..."}));
        QCOMPARE(s.txtID->text(), QString()); // through Cancel
        QCOMPARE(buttons(s), kBrowseRows);
        QCOMPARE(gConn().count("select count(*) from mc_info"), 1);

        // Edit runs the check too.
        s.msfgMachine->setCurrentCell(0, 1);
        s.cmdEdit_Click();
        s.txtDesc->setText("dup");
        s.cmdSave_Click();
        QCOMPARE(gConn().scalar("select mc_desc from mc_info").toString(), QStringLiteral("desc"));

        s.msfgMachine->setCurrentCell(0, 1);
        s.cmdDelete_Click();
        QCOMPARE(prompter().last().text, QStringLiteral("3  records are using this Line set, it cannot be removed ..."));
        QCOMPARE(prompter().last().icon, msg::Icon::None);
        QCOMPARE(s.entered, QStringList({"New", "Edit", "Del"}));
    }

    void formLoadCentresTheFrameOnce()
    {
        QMdiArea area;
        area.resize(1200, 900);
        area.show();
        auto* s = new DemoMachineScreen;
        s->resize(400, 300);
        QMdiSubWindow* sub = area.addSubWindow(s);
        sub->show();
        const QSize screen = sub->screen()->size();
        QCOMPARE(sub->pos(), QPoint((screen.width() - sub->width()) / 2, (screen.height() - sub->height()) / 8));
        sub->move(5, 5);
        sub->hide();
        sub->show();
        QCOMPARE(sub->pos(), QPoint(5, 5));
    }

    void keyBoxCleanUp()
    {
        QLineEdit box;
        box.setText(QStringLiteral("ab\tc\x01-1\x1f") + QChar(0x6771));
        Module1::UpperCaseKeyBox(&box);
        QCOMPARE(box.text(), QStringLiteral("ABC-1\x1f"));
        box.setText(QStringLiteral("lk\t1"));
        Module1::UpperCaseKeyBox(&box, Module1::KeyCleanUp::UpperOnly);
        QCOMPARE(box.text(), QStringLiteral("LK\t1"));

        // The rest of the single-byte code page stays: the euro sign, the
        // letters with a caron or a ligature, curly quotes, and letters
        // whose capital is one character of it (ÿ, š) or none at all (ß, µ).
        box.setText(QString::fromUtf8("€ šœ ’x” ÿ ß µé\u0100\U0001F600"));
        Module1::UpperCaseKeyBox(&box);
        QCOMPARE(box.text(), QString::fromUtf8("€ ŠŒ ’X” Ÿ ß µÉ"));

        // On the screen it runs when the focus leaves the box.
        DemoMachineScreen s;
        s.cmdNew_Click();
        s.txtID->setText("mc9");
        QFocusEvent out(QEvent::FocusOut);
        QCoreApplication::sendEvent(s.txtID, &out);
        QCOMPARE(s.txtID->text(), QStringLiteral("MC9"));
    }

    void permissionGate()
    {
        DemoGroupScreen s;
        revokeGrant("Man_Delete_List");
        revokeGrant("Man_New_List");
        QVERIFY(!Module1::HasGrant("Man_Delete_List"));
        s.cmdDelete_Click();
        QCOMPARE(prompter().texts(), QStringList({"You have no permission to use."}));
        QCOMPARE(prompter().last().buttons, msg::Buttons::Ok);
        QCOMPARE(prompter().last().icon, msg::Icon::None);
        QCOMPARE(prompter().last().title, msg::applicationTitle());
        QCOMPARE(s.EditMode, QString());
        s.cmdNew_Click();
        QCOMPARE(s.EditMode, QString());
        QVERIFY(!s.txtID->isEnabled());
        s.cmdImport_Click(); // gated by the same code as New
        QCOMPARE(prompter().messages.size(), 3);
        QVERIFY(prompter().fileDialogFolders.isEmpty());

        // Another user's group without the grant is refused too.
        Module1::gUserID = "NOBODY";
        s.cmdEdit_Click();
        QCOMPARE(prompter().messages.size(), 4);
    }

    void cancelEndingAndListRows()
    {
        DemoGroupScreen s;
        s.cmdNew_Click();
        s.txtID->setText(" G1 ");
        s.txtDesc->setText("one");
        s.cmdSave_Click();
        // The Cancel ending empties the boxes.
        QCOMPARE(s.txtID->text(), QString());
        QCOMPARE(s.LvData->topLevelItemCount(), 1);
        QVERIFY(s.LvData->isColumnHidden(0));
        QCOMPARE(s.LvData->topLevelItem(0)->text(1), QStringLiteral("G1"));
        s.LvData->setCurrentItem(s.LvData->topLevelItem(0));
        QCOMPARE(s.txtDesc->text(), QStringLiteral("one"));
    }

    void viewAllLimit()
    {
        // With exactly 100 rows shown both ticking and unticking reload.
        addGroups(100);
        DemoGroupScreen s;
        int loads = s.loads;
        s.CHK_ALL->click();
        s.CHK_ALL->click();
        QCOMPARE(s.loads, loads + 2);

        gConn().exec("delete from component_group");
        addGroups(150);
        s.cmdCancel_Click();
        QCOMPARE(s.LvData->topLevelItemCount(), 100);
        // Newest first: the last inserted group leads.
        QCOMPARE(s.LvData->topLevelItem(0)->text(1), QStringLiteral("G149"));
        QCOMPARE(s.LvData->topLevelItem(99)->text(1), QStringLiteral("G050"));
        s.CHK_ALL->click(); // ticked while 100 are shown: all rows
        QCOMPARE(s.LvData->topLevelItemCount(), 150);
        loads = s.loads;
        s.CHK_ALL->click(); // unticked while 150 are shown: left as it is
        QCOMPARE(s.LvData->topLevelItemCount(), 150);
        QCOMPARE(s.loads, loads);
        s.cmdCancel_Click(); // the next reload applies the limit
        QCOMPARE(s.LvData->topLevelItemCount(), 100);
    }

    void columnSortFlipsOneOrder()
    {
        addGroups(3);
        DemoGroupScreen s;
        auto column1 = [&s] {
            QStringList out;
            for (int i = 0; i < s.LvData->topLevelItemCount(); ++i)
                out << s.LvData->topLevelItem(i)->text(1);
            return out;
        };
        QCOMPARE(column1(), QStringList({"G002", "G001", "G000"}));
        s.LvData->header()->sectionClicked(2); // first click: descending by description
        QCOMPARE(column1(), QStringList({"G002", "G001", "G000"}));
        s.LvData->header()->sectionClicked(1); // any column: ascending
        QCOMPARE(column1(), QStringList({"G000", "G001", "G002"}));
        s.LvData->header()->sectionClicked(1);
        QCOMPARE(column1(), QStringList({"G002", "G001", "G000"}));
        QVERIFY(!s.LvData->isSortingEnabled());

        // An empty list is not sorted and keeps its order flag.
        QTreeWidget empty;
        Module1::SortListByColumn(&empty, 1);
        QVERIFY(!empty.property("trovaSortOrder").isValid());
    }
};

TROVA_TEST(MaintenanceCycleTest)
#include "tst_MaintenanceCycle.moc"
