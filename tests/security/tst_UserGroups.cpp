#include "MainWindowFixture.h"
#include "SYS_UGRP.h"
#include "SecuritySupport.h"
#include "TestDb.h"
#include "TestMain.h"
#include "app/Module1.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

using Module1::gConn;
using sec::prompter;

namespace {

QString groupRow(const QString& id)
{
    db::ResultSet rs =
        gConn().query("select group_desc, status, update_user from user_group where group_id = ?", {id});
    return rs.eof() ? QString() : rs.text(0) + "|" + rs.text(1) + "|" + rs.text(2);
}

} // namespace

// The user-group screen as an administrator and as a member of another
// group uses it: the cycle with its messages, and the SYSADMIN group kept
// from everyone outside it.
class UserGroupTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data() { testdb::addBackendRows(); }
    void init()
    {
        TESTDB_INIT();
        prompter().clear();
    }

    void addEditDeleteAsAdministrator()
    {
        MainWindowFixture f;
        QVERIFY(f.logIn());
        auto* s = f.open<SYS_UGRP>("SEC_USER_GROUP");
        QVERIFY(s);
        QCOMPARE(s->windowTitle(), QString("Security - User Group"));
        QCOMPARE(s->lvUserGroup->topLevelItemCount(), 1);

        // New with an empty identifier: Save does nothing and says nothing.
        s->cmdNew->click();
        QCOMPARE(s->EditMode, QString("NEW"));
        s->cmdSave->click();
        QVERIFY(prompter().messages.isEmpty());
        QVERIFY(s->cmdSave->isEnabled());

        QTest::keyClicks(s->txtUGid, "ops 1");
        QCOMPARE(s->txtUGid->text(), QString("OPS1")); // upper case, no blank
        s->txtUGDesc->setText("Operators");
        s->cmdSave->click();
        QCOMPARE(prompter().texts(), QStringList({"User Group has been added ..."}));
        QCOMPARE(prompter().last().icon, msg::Icon::Information);
        QCOMPARE(prompter().last().title, msg::applicationTitle());
        QCOMPARE(groupRow("OPS1"), QString("Operators|1|SYSADMIN"));
        QCOMPARE(s->lvUserGroup->topLevelItemCount(), 2);
        QVERIFY(!s->cmdSave->isEnabled());
        QVERIFY(s->txtUGid->text().isEmpty());

        // An identifier that exists: refused, still in New with the input.
        s->cmdNew->click();
        s->txtUGid->setText("OPS1");
        s->txtUGDesc->setText("again");
        s->cmdSave->click();
        QCOMPARE(prompter().last().text, QString("User Group has been found..."));
        QCOMPARE(prompter().last().icon, msg::Icon::None);
        QCOMPARE(s->EditMode, QString("NEW"));
        QVERIFY(s->cmdSave->isEnabled());
        QCOMPARE(s->txtUGDesc->text(), QString("again"));
        QCOMPARE(groupRow("OPS1"), QString("Operators|1|SYSADMIN"));
        s->cmdCancel->click();

        // Edit changes the description only; a suspended status stays.
        gConn().exec("update user_group set status = '0', update_user = 'X' where group_id = 'OPS1'");
        s->cmdCancel->click();
        sec::clickItem(s->lvUserGroup, sec::itemOf(s->lvUserGroup, 1, "OPS1"));
        QCOMPARE(s->txtUGid->text(), QString("OPS1"));
        s->cmdEdit->click();
        QCOMPARE(s->EditMode, QString("EDIT"));
        QVERIFY(!s->txtUGid->isEnabled());
        QVERIFY(s->txtUGDesc->isEnabled());
        s->txtUGDesc->setText("Line operators");
        s->cmdSave->click();
        QCOMPARE(prompter().last().text, QString("User Group has been updated ..."));
        QCOMPARE(groupRow("OPS1"), QString("Line operators|0|SYSADMIN"));

        // Delete before a row was clicked: nothing goes, the screen waits.
        prompter().clear();
        s->cmdDelete->click();
        QCOMPARE(prompter().texts(), QStringList({"Confirm to delete?"}));
        QCOMPARE(s->EditMode, QString("Del"));
        QVERIFY(s->cmdSave->isEnabled() && s->cmdCancel->isEnabled());
        QCOMPARE(sec::count("user_group"), 2);
        s->cmdCancel->click();

        // No keeps the group; Yes deletes the row clicked.
        sec::clickItem(s->lvUserGroup, sec::itemOf(s->lvUserGroup, 1, "OPS1"));
        prompter().answers.enqueue(msg::Answer::No);
        s->cmdDelete->click();
        QCOMPARE(sec::count("user_group"), 2);
        s->cmdDelete->click();
        QCOMPARE(groupRow("OPS1"), QString());
        QCOMPARE(s->lvUserGroup->topLevelItemCount(), 1);
    }

    void sysadminGroupKeptFromOthers()
    {
        sec::addGroup("SUP");
        sec::addGroup("OLD", "0");
        sec::addUser("SUP1", "SUP");
        sec::grant("SUP", {"SEC_USER_GROUP"});
        MainWindowFixture f;
        QVERIFY(f.logIn("SUP1", "SUP1"));
        auto* s = f.open<SYS_UGRP>("SEC_USER_GROUP");
        QVERIFY(s);

        // Suspended groups first, numbered rows, status in the last column.
        QTreeWidget* lv = s->lvUserGroup;
        QCOMPARE(lv->topLevelItemCount(), 3);
        QCOMPARE(lv->topLevelItem(0)->text(1), QString("OLD"));
        QCOMPARE(lv->topLevelItem(0)->text(3), QString("Suspended"));
        QCOMPARE(lv->topLevelItem(2)->text(0), QString("3"));
        QCOMPARE(lv->topLevelItem(2)->text(3), QString("Active"));

        const int admin = sec::itemOf(lv, 1, "SYSADMIN");
        sec::clickItem(lv, admin);
        QCOMPARE(prompter().texts(), QStringList({"You cannot delete this Group ..."}));
        QCOMPARE(prompter().last().icon, msg::Icon::Information);
        QVERIFY(s->txtUGid->text().isEmpty());
        s->cmdEdit->click();
        QCOMPARE(prompter().last().text, QString("You cannot modify this Group ..."));
        QVERIFY(s->txtUGid->text().isEmpty());
        QCOMPARE(s->EditMode, QString());
        QVERIFY(!s->cmdSave->isEnabled());

        // Their own group is theirs to edit.
        sec::clickItem(lv, sec::itemOf(lv, 1, "SUP"));
        s->cmdEdit->click();
        QCOMPARE(s->EditMode, QString("EDIT"));
        QCOMPARE(s->txtUGid->text(), QString("SUP"));
    }

    void saveErrorIsShownAndKeepsTheMode()
    {
        MainWindowFixture f;
        QVERIFY(f.logIn());
        auto* s = f.open<SYS_UGRP>("SEC_USER_GROUP");
        s->cmdNew->click();
        s->txtUGid->setText("NEWG");
        gConn().exec("drop table user_group");
        gConn().exec("create table user_group (group_id varchar(8))");
        s->cmdSave->click();
        QCOMPARE(prompter().messages.size(), 1);
        QVERIFY(!prompter().last().text.isEmpty());
        QCOMPARE(s->EditMode, QString("NEW"));
        QCOMPARE(s->txtUGid->text(), QString("NEWG"));
        QVERIFY(s->cmdSave->isEnabled());
    }
};

TROVA_TEST(UserGroupTest)
#include "tst_UserGroups.moc"
