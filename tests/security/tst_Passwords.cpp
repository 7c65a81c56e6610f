#include "MainWindowFixture.h"
#include "SYS_PWD.h"
#include "SYS_RESETPWD.h"
#include "SecuritySupport.h"
#include "TestDb.h"
#include "TestMain.h"
#include "app/Module1.h"
#include "frmMain.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

using Module1::gConn;
using sec::prompter;

namespace {

void type(SYS_PWD* s, const QString& oldPwd, const QString& newPwd, const QString& confirm)
{
    s->OldPWD->setText(oldPwd);
    s->NewPWD->setText(newPwd);
    s->NewPWD2->setText(confirm);
}

QStringList boxes(const SYS_PWD* s)
{
    return {s->OldPWD->text(), s->NewPWD->text(), s->NewPWD2->text()};
}

} // namespace

// Changing one's own password and resetting another user's: the checks and
// their messages, logging in afterwards, the SYSADMIN rule, and an update
// that stores nothing never reported as a success.
class PasswordTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data() { testdb::addBackendRows(); }
    void init()
    {
        TESTDB_INIT();
        prompter().clear();
        sec::addGroup("OPS");
        sec::addUser("OP1", "OPS");
    }

    void changeOwnPassword()
    {
        MainWindowFixture f;
        QVERIFY(f.logIn("OP1", "OP1"));
        // Always there, though the group holds no code at all.
        QVERIFY(f.main()->menuItem("SEC_USER_CHGPWD")->isEnabled());
        auto* s = f.open<SYS_PWD>("SEC_USER_CHGPWD");
        QVERIFY(s);
        const QString before = sec::passwordOf("OP1");

        type(s, "OP1", " ", "x");
        s->cmdOK->click();
        QVERIFY(prompter().messages.isEmpty()); // focus only

        // Differing only in case is still a mismatch; all boxes are emptied.
        type(s, "OP1", "Secret", "secret");
        s->cmdOK->click();
        QCOMPARE(prompter().texts(), QStringList({"The Confirm password is not match,Please try again."}));
        QCOMPARE(boxes(s), QStringList({"", "", ""}));

        // A wrong old password, an empty one and one the digest cannot take.
        for (const QString& old : {QString("nope"), QString(), QString::fromUtf8("口令")}) {
            prompter().clear();
            type(s, old, "Secret", "Secret");
            s->cmdOK->click();
            QCOMPARE(prompter().texts(), QStringList({"Password not match."}));
            QCOMPARE(boxes(s), QStringList({old, "Secret", "Secret"}));
        }

        // A new password the digest cannot take is refused, not stored.
        prompter().clear();
        type(s, "op1", QString::fromUtf8("新口令"), QString::fromUtf8("新口令"));
        s->cmdOK->click();
        QCOMPARE(prompter().messages.size(), 1);
        QVERIFY(prompter().last().text.startsWith("The new password cannot be used"));
        QCOMPARE(sec::passwordOf("OP1"), before);

        // The old password in another case; blanks around the new one do not count.
        prompter().clear();
        type(s, "op1", "  Secret", "  Secret");
        s->cmdOK->click();
        QCOMPARE(prompter().texts(), QStringList({"Change password success!"}));
        QCOMPARE(boxes(s), QStringList({"", "", ""}));
        QCOMPARE(sec::passwordOf("OP1"), *Module1::Encode("OP1", "SECRET"));
    }

    void anUpdateThatStoresNothingIsNoSuccess()
    {
        MainWindowFixture f;
        QVERIFY(f.logIn("OP1", "OP1"));
        auto* s = f.open<SYS_PWD>("SEC_USER_CHGPWD");
        sec::skipPasswordUpdates();
        type(s, "OP1", "Secret", "Secret");
        s->cmdOK->click();
        QCOMPARE(prompter().messages.size(), 1);
        QCOMPARE(prompter().last().title, QString("ERROR"));
        QCOMPARE(sec::passwordOf("OP1"), *Module1::Encode("OP1", "OP1"));

        // A reset of an id the digest cannot take as its own password.
        gConn().exec("insert into user_list (user_id, user_name, password) values ('A B', 'x', '1')");
        QVERIFY(f.relogIn("SYSADMIN", "SYSADMIN"));
        auto* r = f.open<SYS_RESETPWD>("SEC_USER_RESETPWD");
        r->lvUser->setCurrentItem(r->lvUser->topLevelItem(sec::itemOf(r->lvUser, 0, "A B")));
        prompter().clear();
        r->cmdReassign->click();
        QCOMPARE(prompter().messages.size(), 2);
        QCOMPARE(prompter().last().title, QString("ERROR"));
        QCOMPARE(sec::passwordOf("A B"), QString("1"));

        // An update that stores nothing, for a reset.
        r->lvUser->setCurrentItem(r->lvUser->topLevelItem(sec::itemOf(r->lvUser, 0, "OP1")));
        prompter().clear();
        prompter().answers.enqueue(msg::Answer::Yes);
        r->cmdReassign->click();
        QCOMPARE(prompter().messages.size(), 2);
        QCOMPARE(prompter().last().title, QString("ERROR"));
    }

    void resetToTheUserId()
    {
        gConn().exec("update user_list set password = ? where user_id = 'OP1'", {*Module1::Encode("OP1", "lost")});
        sec::addUser("BOSS", "SYSADMIN");
        MainWindowFixture f;
        QVERIFY(f.logIn());
        auto* r = f.open<SYS_RESETPWD>("SEC_USER_RESETPWD");
        QVERIFY(r);
        QTreeWidget* lv = r->lvUser;
        // Every user, the administrator and the logged-in user included.
        QCOMPARE(lv->topLevelItemCount(), 3);

        r->cmdReassign->click();
        QCOMPARE(prompter().texts(), QStringList({"Please select user at first ..."}));

        // Anything but Yes leaves the password.
        sec::clickItem(lv, sec::itemOf(lv, 0, "OP1"));
        prompter().clear();
        prompter().answers << msg::Answer::No << msg::Answer::Cancel;
        r->cmdReassign->click();
        r->cmdReassign->click();
        QCOMPARE(prompter().texts(), QStringList(2, "Do you confirm reassign selected user's Password ?"));
        QCOMPARE(sec::passwordOf("OP1"), *Module1::Encode("OP1", "lost"));

        prompter().clear();
        r->cmdReassign->click();
        QCOMPARE(prompter().last().text, QString("Reassign Password is success ..."));
        QVERIFY(lv->selectedItems().isEmpty());
        QCOMPARE(sec::passwordOf("OP1"), *Module1::Encode("OP1", "OP1"));

        // A member of the SYSADMIN group is not the user SYSADMIN.
        gConn().exec("update user_list set password = ? where user_id = 'SYSADMIN'",
                     {*Module1::Encode("SYSADMIN", "other")});
        QVERIFY(f.relogIn("BOSS", "BOSS"));
        sec::clickItem(lv, sec::itemOf(lv, 0, "SYSADMIN"));
        prompter().clear();
        r->cmdReassign->click();
        QCOMPARE(prompter().last().text,
                 QString("You have no permission to reassign system administrator password ..."));
        QCOMPARE(sec::passwordOf("SYSADMIN"), *Module1::Encode("SYSADMIN", "other"));

        // SYSADMIN resets its own and logs in with the id, in any case.
        QVERIFY(f.relogIn("SYSADMIN", "other"));
        sec::clickItem(lv, sec::itemOf(lv, 0, "SYSADMIN"));
        r->cmdReassign->click();
        QCOMPARE(prompter().last().text, QString("Reassign Password is success ..."));
        QVERIFY(f.relogIn("SYSADMIN", "sysadmin"));
    }
};

TROVA_TEST(PasswordTest)
#include "tst_Passwords.moc"
