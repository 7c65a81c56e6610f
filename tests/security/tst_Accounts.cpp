#include "DbRows.h"
#include "MainWindowFixture.h"
#include "SYS_PWD.h"
#include "SYS_RESETPWD.h"
#include "SYS_UGRP.h"
#include "SYS_USER.h"
#include "TestDb.h"
#include "TestMain.h"
#include "Widgets.h"
#include "app/Module1.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>

using Module1::gConn;
using testing::prompter;

namespace {

QString passwordOf(const QString& userId)
{
    return gConn().scalar("select password from user_list where user_id = ?", {userId}).toString();
}

// Id, name, description, effective and expiry day, group, password, active, updater.
QString userRow(const QString& id)
{
    return testing::queryRows("select user_id, user_name, user_desc, effective_date, expiry_date, group_id, "
                              "password, active, update_user from user_list where user_id = ?",
                              {id})
        .value(0);
}

QString groupRow(const QString& id)
{
    return testing::queryRows("select group_desc, status, update_user from user_group where group_id = ?", {id})
        .value(0);
}

// New, then the boxes filled as far as given.
void typeNewUser(SYS_USER* s, const QString& id, const QString& name = {}, const QString& group = {})
{
    s->cmdNew->click();
    s->txtUserID->setText(id);
    s->txtFullName->setText(name);
    if (!group.isEmpty())
        s->cboGP->setCurrentIndex(s->cboGP->findText(group));
}

void changePassword(SYS_PWD* s, const QString& oldPwd, const QString& newPwd, const QString& confirm)
{
    s->OldPWD->setText(oldPwd);
    s->NewPWD->setText(newPwd);
    s->NewPWD2->setText(confirm);
    s->cmdOK->click();
}

} // namespace

// The user, user-group and password screens: a new user and the order of
// Save's checks, the reserved groups seen from an administrator and from a
// plain user, Edit that keeps the id and group, the date checks, the group
// screen's own rules and errors, changing one's own password and resetting
// another's, and an update that stores nothing never reported as a success.
class AccountTest : public testdb::Case
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    // A description longer than its column cannot be typed; a Save the
    // database fails keeps the mode and every box as typed.
    void failedSaveKeepsWhatWasTyped()
    {
        testing::addGroup("OPS");
        TROVA_OPEN_SCREEN(f, s, SYS_USER, "SEC_USER_INFO");
        typeNewUser(s, "OP-2", "Operator Two", "OPS");
        QTest::keyClicks(s->txtDesc, QString(120, 'd'));
        const QString typed = "OP-2|Operator Two|" + QString(100, 'd') + "|OPS";
        const auto boxes = [s] {
            return QStringList({s->txtUserID->text(), s->txtFullName->text(), s->txtDesc->text(),
                                s->cboGP->currentText()})
                .join('|');
        };
        QCOMPARE(boxes(), typed);

        gConn().exec("alter table user_list rename to user_list_gone");
        s->cmdSave->click();
        gConn().exec("alter table user_list_gone rename to user_list");
        QCOMPARE(prompter().messages.size(), 1);
        QCOMPARE(s->EditMode, QStringLiteral("New"));
        QVERIFY(s->cmdSave->isEnabled() && s->cmdCancel->isEnabled() && !s->cmdNew->isEnabled());
        QCOMPARE(boxes(), typed);
        s->cmdSave->click();
        QCOMPARE(userRow("OP-2").section('|', 0, 2), typed.section('|', 0, 2));
    }

    void newUserAndSavesChecks()
    {
        testing::addGroup("OPS");
        testing::addGroup("ADMIN");
        testing::addGroup("OLD", "0");
        TROVA_OPEN_SCREEN(f, s, SYS_USER, "SEC_USER_INFO");
        QCOMPARE(testing::comboItems(s->cboGP), QStringList({"ADMIN", "OPS", "SYSADMIN"}));

        // Save's checks, one at a time.
        typeNewUser(s, "");
        s->cmdSave->click();
        s->txtUserID->setText("OP-1");
        s->cmdSave->click();
        s->txtFullName->setText("Operator One");
        s->cmdSave->click();
        QCOMPARE(prompter().texts(), QStringList({"Please enter the User ID", "Please enter the User full name...",
                                                  "Please choose user group ..."}));
        s->cboGP->setCurrentIndex(s->cboGP->findText("OPS"));
        prompter().clear();
        s->cmdSave->click();
        const QDate today = Module1::now().date();
        QCOMPARE(userRow("OP-1"), QString("OP-1|Operator One||%1 00:00:00|%2 00:00:00|OPS|%3|1|SYSADMIN")
                                      .arg(today.toString("yyyy-MM-dd"), today.addDays(365).toString("yyyy-MM-dd"),
                                           *Module1::Encode("OP-1", "OP-1")));

        // A pasted blank the digest cannot take: the user could never log in.
        typeNewUser(s, "A B", "Blank", "OPS");
        s->cmdSave->click();
        QCOMPARE(prompter().messages.size(), 1);
        QCOMPARE(userRow("A B"), QString());
        s->cmdCancel->click();

        // An id that exists is reported before any empty field.
        prompter().clear();
        typeNewUser(s, "OP-1");
        s->cmdSave->click();
        QCOMPARE(prompter().texts(), QStringList({"User ID has been found..."}));
    }

    // The user and group screens seen from a plain user, then an
    // administrator.
    void reservedIdentifiersFromBothSides()
    {
        MainWindowFixture::addUser("CLERK1", "Clerk", "CLERK", {"SEC_USER_INFO", "SEC_USER_GROUP"});
        MainWindowFixture::addUser("ADM1", "Admin", "ADMIN", {"SEC_USER_INFO"});
        testing::addGroup("OLD", "0");
        testing::addUser("BOSS", "SYSADMIN");

        TROVA_OPEN_SCREEN(f, s, SYS_USER, "SEC_USER_INFO", "CLERK1", "CLERK1");
        QCOMPARE(testing::comboItems(s->cboGP), QStringList({"ADMIN", "CLERK"}));

        // A plain user may not put anyone into ADMIN, nor edit an
        // administrator's account, nor delete SYSADMIN.
        typeNewUser(s, "NEWA", "New admin", "ADMIN");
        s->cmdSave->click();
        s->cmdCancel->click();
        for (const char* id : {"ADM1", "BOSS"}) {
            testing::clickCell(s->msfgUser, id);
            s->cmdEdit->click();
        }
        QVERIFY(!s->cmdSave->isEnabled());
        testing::clickCell(s->msfgUser, "SYSADMIN");
        s->cmdDelete->click();
        QCOMPARE(prompter().texts(),
                 QStringList({"You have no permission to assign the Admin Group member", "You cannot modify Admin User ...",
                              "You cannot modify Admin User ...", "System Administrator cannot be deleted ..."}));
        QCOMPARE(userRow("NEWA"), QString());
        QVERIFY(!userRow("SYSADMIN").isEmpty());

        // Nor see or edit the SYSADMIN group; their own is theirs to edit.
        auto* g = f.open<SYS_UGRP>("SEC_USER_GROUP");
        prompter().clear();
        testing::clickRow(g->lvUserGroup, 1, "SYSADMIN");
        g->cmdEdit->click();
        QCOMPARE(prompter().texts(),
                 QStringList({"You cannot delete this Group ...", "You cannot modify this Group ..."}));
        QVERIFY(g->txtUGid->text().isEmpty());
        QVERIFY(!g->cmdSave->isEnabled());
        testing::clickRow(g->lvUserGroup, 1, "CLERK");
        g->cmdEdit->click();
        QCOMPARE(g->EditMode, QString("EDIT"));

        // An ADMIN member may assign ADMIN.
        QVERIFY(f.relogIn("ADM1", "ADM1"));
        s->cmdCancel->click();
        typeNewUser(s, "NEWA", "New admin", "ADMIN");
        s->cmdSave->click();
        QVERIFY(userRow("NEWA").contains("|ADMIN|"));
    }

    // Delete removes the user the boxes show, and a click on any cell shows
    // its row. A row of the SYSADMIN group, reached by keys by a user outside
    // it, empties the boxes: Delete then removes nobody.
    void deleteTakesTheUserShown()
    {
        MainWindowFixture::addUser("ADM1", "Admin", "ADMIN", {"SEC_USER_INFO"});
        testing::addGroup("OPS");
        testing::addUser("BOSS", "OPS", {}, "Boss");
        testing::addUser("CLERK", "OPS", {}, "Clerk");
        testing::addUser("ROOT2", "SYSADMIN", {}, "Root two");
        TROVA_OPEN_SCREEN(f, s, SYS_USER, "SEC_USER_INFO", "ADM1", "ADM1");
        const auto shown = [s] {
            return QStringList({s->txtUserID->text(), s->txtFullName->text(), s->cboGP->currentText()}).join('|');
        };
        const auto users = [] { return testing::queryRows("select user_id from user_list order by user_id"); };

        testing::clickCell(s->msfgUser, "BOSS", 0);
        testing::clickCell(s->msfgUser, "CLERK", 2);
        QCOMPARE(shown(), QStringLiteral("CLERK|Clerk|OPS"));
        s->cmdDelete->click(); // Yes
        QCOMPARE(users(), QStringList({"ADM1", "BOSS", "ROOT2", "SYSADMIN"}));

        testing::clickCell(s->msfgUser, "BOSS", 3);
        QTest::keyClick(s->msfgUser, Qt::Key_Down);
        QCOMPARE(shown(), QStringLiteral("||"));
        s->cmdDelete->click();
        QTest::keyClick(s->msfgUser, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(shown(), QStringLiteral("||"));
        s->cmdDelete->click();
        QCOMPARE(users(), QStringList({"ADM1", "BOSS", "ROOT2", "SYSADMIN"}));
        QCOMPARE(prompter().texts(), QStringList({"Confirm to delete?", "System Administrator cannot be deleted ..."}));
    }

    void editKeepsIdAndGroupAndChecksDates()
    {
        testing::addGroup("OLD", "0"); // suspended: not offered
        testing::addUser("U1", "OLD");
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        TROVA_OPEN_SCREEN(f, s, SYS_USER, "SEC_USER_INFO");
        // Dates read month first whatever the locale.
        const int row = s->msfgUser->findItems("U1", Qt::MatchExactly).value(0)->row();
        QCOMPARE(s->msfgUser->item(row, 4)->text(), QString("03/05/2024"));

        testing::clickCell(s->msfgUser, "U1", 2);
        QCOMPARE(s->dtpEffect->date(), QDate(2024, 3, 5));
        QCOMPARE(s->cboGP->currentIndex(), -1);

        s->cmdEdit->click();
        QVERIFY(!s->txtUserID->isEnabled() && !s->cboGP->isEnabled());
        s->txtFullName->setText("Renamed");
        s->dtpEffect->setDate(QDate(2025, 1, 2));
        s->cmdSave->click();
        QCOMPARE(userRow("U1"), QString("U1|Renamed||2025-01-02 00:00:00|2099-01-31 00:00:00|OLD|%1|1|SYSADMIN")
                                    .arg(*Module1::Encode("U1", "U1")));

        // Date checks refuse a Save without a reload: still editing, nothing
        // stored.
        testing::clickCell(s->msfgUser, "U1");
        s->cmdEdit->click();
        s->dtpExpiry->setDate(Module1::now().date());
        s->cmdSave->click();
        s->dtpEffect->setDate(Module1::now().date().addDays(10));
        s->dtpExpiry->setDate(Module1::now().date().addDays(10));
        s->cmdSave->click();
        QCOMPARE(prompter().texts(), QStringList({"Expiry cannot early than or equal to today...",
                                                  "Expiry date cannot early than or equal to Effective Date..."}));
        QVERIFY(userRow("U1").contains("|2025-01-02 00:00:00|"));
        s->cmdCancel->click();

        // Such dates do not stand in the way of Delete.
        testing::clickCell(s->msfgUser, "U1");
        s->dtpExpiry->setDate(Module1::now().date().addDays(-3));
        s->cmdDelete->click();
        QCOMPARE(userRow("U1"), QString());
    }

    void groupScreensOwnRules()
    {
        TROVA_OPEN_SCREEN(f, s, SYS_UGRP, "SEC_USER_GROUP");
        // New with an empty identifier: Save does nothing and says nothing.
        s->cmdNew->click();
        s->cmdSave->click();
        QVERIFY(prompter().messages.isEmpty());
        QVERIFY(s->cmdSave->isEnabled());

        s->txtUGid->setText("OPS1");
        s->txtUGDesc->setText("Operators");
        s->cmdSave->click();
        QCOMPARE(groupRow("OPS1"), QString("Operators|1|SYSADMIN"));

        // An identifier that exists: refused, still in New.
        s->cmdNew->click();
        s->txtUGid->setText("OPS1");
        s->cmdSave->click();
        QCOMPARE(prompter().last().text, QString("User Group has been found..."));

        // Edit changes the description only; a suspended status stays.
        gConn().exec("update user_group set status = '0', update_user = 'X' where group_id = 'OPS1'");
        s->cmdCancel->click();
        testing::clickRow(s->lvUserGroup, 1, "OPS1");
        s->cmdEdit->click();
        s->txtUGDesc->setText("Line operators");
        s->cmdSave->click();
        QCOMPARE(groupRow("OPS1"), QString("Line operators|0|SYSADMIN"));

        // Delete takes the row clicked.
        testing::clickRow(s->lvUserGroup, 1, "OPS1");
        s->cmdDelete->click();
        QCOMPARE(groupRow("OPS1"), QString());
    }

    // A failed Save stays in its mode with the input; a failed load says why
    // in a plain box and keeps the groups listed.
    void groupErrorsAreShown()
    {
        TROVA_OPEN_SCREEN(f, s, SYS_UGRP, "SEC_USER_GROUP");
        s->cmdNew->click();
        s->txtUGid->setText("NEWG");
        gConn().exec("alter table user_group rename to user_group_gone");
        gConn().exec("create table user_group (group_id varchar(8))");
        s->cmdSave->click();
        QCOMPARE(prompter().messages.size(), 1);
        QCOMPARE(s->EditMode, QString("NEW"));
        QCOMPARE(s->txtUGid->text(), QString("NEWG"));

        prompter().clear();
        s->cmdCancel->click();
        QCOMPARE(prompter().messages.size(), 1);
        QVERIFY(!prompter().last().text.isEmpty());
        QCOMPARE(prompter().last().icon, msg::Icon::None);
        QCOMPARE(prompter().last().title, msg::applicationTitle());
        QCOMPARE(s->lvUserGroup->topLevelItemCount(), 1);
        QVERIFY(!s->cmdSave->isEnabled());
    }

    void changeOwnPassword()
    {
        MainWindowFixture::addUser("OP1", "Operator", "OPS", {});
        // Always there, though the group holds no code at all.
        TROVA_OPEN_SCREEN(f, s, SYS_PWD, "SEC_USER_CHGPWD", "OP1", "OP1");
        const QString before = passwordOf("OP1");

        // Differing only in case is still a mismatch.
        changePassword(s, "OP1", "Secret", "secret");
        QCOMPARE(prompter().texts(), QStringList({"The Confirm password is not match,Please try again."}));

        // A wrong old password, an empty one and one the digest cannot take.
        for (const QString& old : {QString("nope"), QString(), QString::fromUtf8("口令")}) {
            prompter().clear();
            changePassword(s, old, "Secret", "Secret");
            QCOMPARE(prompter().texts(), QStringList({"Password not match."}));
        }

        // A new password the digest cannot take is refused, not stored.
        changePassword(s, "op1", QString::fromUtf8("新口令"), QString::fromUtf8("新口令"));
        QVERIFY(prompter().last().text.startsWith("The new password cannot be used"));
        QCOMPARE(passwordOf("OP1"), before);

        // The old password in another case; blanks around the new one do not count.
        changePassword(s, "op1", "  Secret", "  Secret");
        QCOMPARE(prompter().last().text, QString("Change password success!"));
        QCOMPARE(passwordOf("OP1"), *Module1::Encode("OP1", "SECRET"));

        // Every password update is skipped: the statement changes no row, and
        // that is no success.
        gConn().exec(gConn().engine() == db::Engine::SQLite
                         ? "create trigger skip before update on user_list begin select raise(ignore); end"
                         : "create rule skip as on update to user_list do instead nothing");
        prompter().clear();
        changePassword(s, "Secret", "Other", "Other");
        QCOMPARE(prompter().messages.size(), 1);
        QCOMPARE(prompter().last().title, QString("ERROR"));
        QCOMPARE(passwordOf("OP1"), *Module1::Encode("OP1", "SECRET"));

        // A reset of an id the digest cannot take as its own password, and a
        // reset the database skips.
        gConn().exec("insert into user_list (user_id, user_name, password) values ('A B', 'x', '1')");
        QVERIFY(f.relogIn("SYSADMIN", "SYSADMIN"));
        auto* r = f.open<SYS_RESETPWD>("SEC_USER_RESETPWD");
        for (const char* id : {"A B", "OP1"}) {
            r->lvUser->setCurrentItem(r->lvUser->findItems(id, Qt::MatchExactly).value(0));
            prompter().clear();
            r->cmdReassign->click();
            QCOMPARE(prompter().messages.size(), 2);
            QCOMPARE(prompter().last().title, QString("ERROR"));
        }
        QCOMPARE(passwordOf("A B"), QString("1"));
    }

    void resetToTheUserId()
    {
        testing::addGroup("OPS");
        testing::addUser("OP1", "OPS", "lost");
        testing::addUser("BOSS", "SYSADMIN");
        TROVA_OPEN_SCREEN(f, r, SYS_RESETPWD, "SEC_USER_RESETPWD");
        r->cmdReassign->click();
        QCOMPARE(prompter().texts(), QStringList({"Please select user at first ..."}));

        // Anything but Yes leaves the password.
        testing::clickRow(r->lvUser, 0, "OP1");
        prompter().answers << msg::Answer::No << msg::Answer::Cancel;
        r->cmdReassign->click();
        r->cmdReassign->click();
        QCOMPARE(passwordOf("OP1"), *Module1::Encode("OP1", "lost"));
        r->cmdReassign->click();
        QCOMPARE(passwordOf("OP1"), *Module1::Encode("OP1", "OP1"));

        // A member of the SYSADMIN group is not the user SYSADMIN.
        gConn().exec("update user_list set password = ? where user_id = 'SYSADMIN'",
                     {*Module1::Encode("SYSADMIN", "other")});
        QVERIFY(f.relogIn("BOSS", "BOSS"));
        testing::clickRow(r->lvUser, 0, "SYSADMIN");
        r->cmdReassign->click();
        QCOMPARE(prompter().last().text,
                 QString("You have no permission to reassign system administrator password ..."));
        QCOMPARE(passwordOf("SYSADMIN"), *Module1::Encode("SYSADMIN", "other"));

        // SYSADMIN resets its own and logs in with the id, in any case.
        QVERIFY(f.relogIn("SYSADMIN", "other"));
        testing::clickRow(r->lvUser, 0, "SYSADMIN");
        r->cmdReassign->click();
        QVERIFY(f.relogIn("SYSADMIN", "sysadmin"));
    }
};

TROVA_TEST(AccountTest)
#include "tst_Accounts.moc"
