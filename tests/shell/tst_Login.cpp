#include "app/AppControl.h"
#include "app/Module1.h"
#include "ScriptedPrompter.h"
#include "TestDb.h"
#include "TestMain.h"
#include "frmLogin.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using Module1::gConn;

using testing::prompter;

class LoginTest : public QObject
{
    Q_OBJECT

private:
    int m_ended = 0;

    void type(frmLogin& dlg, const QString& user, const QString& password)
    {
        dlg.txtUserName()->clear();
        dlg.txtPassword()->clear();
        QTest::keyClicks(dlg.txtUserName(), user);
        dlg.txtPassword()->setText(password);
    }

private Q_SLOTS:
    void initTestCase_data() { testdb::addBackendRows(); }
    void init()
    {
        TESTDB_INIT();
        Module1::gUserID = Module1::gGroupID = Module1::gUserName = QString();
        prompter().clear();
        m_ended = 0;
        app::setEndProgramHandler([this](int) { ++m_ended; });
    }
    void cleanup() { app::setEndProgramHandler(nullptr); }

    void successSetsIdentityAndGrants()
    {
        gConn().exec("insert into user_group (group_id, status) values ('OPS', '1')");
        gConn().exec("insert into user_list (user_id, user_name, group_id, password) values (?, ?, ?, ?)",
                     {"OP-1", "Operator One", "OPS", *Module1::Encode("OP-1", "Secret")});
        gConn().exec("insert into function_grant (func_id, group_id) values ('QY_WIP', 'OPS')");
        gConn().exec("insert into function_grant (func_id, group_id) values ('MAN_SLOT', 'OPS')");

        frmLogin dlg;
        dlg.show();
        QSignalSpy spy(&dlg, &frmLogin::loginSucceeded);
        // Typed in lower case with a blank: the key filter upper-cases the
        // letters and drops the blank.
        type(dlg, "op-1 ", "secret");
        QCOMPARE(dlg.txtUserName()->text(), QString("OP-1"));
        QTest::mouseClick(dlg.cmdOK(), Qt::LeftButton);

        QCOMPARE(spy.count(), 1);
        const auto g = spy.at(0).at(0).value<grants::GrantSet>();
        QCOMPARE(g.menuItems, QSet<QString>({"QY_WIP", "Man_Slot1"}));
        QCOMPARE(g.toolbarButtons, QSet<int>({9}));
        QCOMPARE(Module1::gUserID, QString("OP-1"));
        QCOMPARE(Module1::gGroupID, QString("OPS"));
        QCOMPARE(Module1::gUserName, QString("Operator One"));
        QVERIFY(dlg.txtUserName()->text().isEmpty());
        QVERIFY(dlg.txtPassword()->text().isEmpty());
        QVERIFY(dlg.isHidden());
        QVERIFY(prompter().messages.isEmpty());
        QCOMPARE(m_ended, 0);
    }

    void refusedLogins_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::newRow("wrong password") << "SYSADMIN" << "WRONG";
        QTest::newRow("unknown user") << "NOBODY" << "SYSADMIN";
        QTest::newRow("password the digest refuses") << "SYSADMIN" << QString::fromUtf8("口令");
        QTest::newRow("quote in password") << "SYSADMIN" << "x' or '1'='1";
    }
    void refusedLogins()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        Module1::gUserID = "BEFORE";
        frmLogin dlg;
        dlg.show();
        QSignalSpy spy(&dlg, &frmLogin::loginSucceeded);
        type(dlg, user, password);
        dlg.cmdOK_Click();
        QCOMPARE(spy.count(), 0);
        QCOMPARE(prompter().texts(), QStringList({"User ID or password is invalid ..."}));
        QCOMPARE(prompter().last().icon, msg::Icon::Exclamation);
        QCOMPARE(prompter().last().title, QString("Information"));
        QCOMPARE(Module1::gUserID, QString("BEFORE"));
        QCOMPARE(dlg.txtUserName()->text(), user);
        QCOMPARE(dlg.txtPassword()->text(), password);
        QVERIFY(dlg.isVisible());
    }

    void failedGrantQueryKeepsTheIdentity()
    {
        Module1::gUserID = "BEFORE";
        Module1::gGroupID = "BEFORE-G";
        Module1::gUserName = "Before";
        gConn().exec("alter table function_grant rename to function_grant_gone");
        frmLogin dlg;
        dlg.show();
        QSignalSpy spy(&dlg, &frmLogin::loginSucceeded);
        type(dlg, "SYSADMIN", "SYSADMIN");
        dlg.cmdOK_Click();
        QCOMPARE(spy.count(), 0);
        QCOMPARE(prompter().messages.size(), 1);
        QCOMPARE(prompter().last().title, QString("ERROR"));
        QCOMPARE(Module1::gUserID, QString("BEFORE"));
        QCOMPARE(Module1::gGroupID, QString("BEFORE-G"));
        QCOMPARE(Module1::gUserName, QString("Before"));
        QVERIFY(dlg.isVisible());
        QCOMPARE(m_ended, 0);

        // Once the grants load again, the login completes.
        gConn().exec("alter table function_grant_gone rename to function_grant");
        dlg.cmdOK_Click();
        QCOMPARE(spy.count(), 1);
        QCOMPARE(Module1::gUserID, QString("SYSADMIN"));
    }

    void emptyBoxes()
    {
        frmLogin dlg;
        dlg.show();
        QSignalSpy spy(&dlg, &frmLogin::loginSucceeded);
        dlg.cmdOK_Click();
        QCOMPARE(prompter().texts(), QStringList({"User ID cannot be null ..."}));
        QCOMPARE(prompter().last().icon, msg::Icon::Exclamation);
        prompter().clear();
        type(dlg, "SYSADMIN", "");
        dlg.cmdOK_Click();
        QVERIFY(prompter().messages.isEmpty()); // focus only
        QCOMPARE(spy.count(), 0);
    }

    void connectionFailureEndsTheProgram()
    {
        AppSettings s = Module1::settings();
        if (s.connection.driver == "QPSQL")
            s.connection.port = 1;
        else
            s.connection.database = "/nonexistent-folder/x/y.db";
        Module1::setSettings(s);
        frmLogin dlg;
        type(dlg, "SYSADMIN", "SYSADMIN");
        dlg.cmdOK_Click();
        QCOMPARE(prompter().messages.size(), 2);
        QVERIFY(prompter().messages.at(0).text.endsWith(" ..."));
        QCOMPARE(prompter().messages.at(1).text, QString("The database connect failed,please try again."));
        QCOMPARE(prompter().messages.at(1).title, QString("Login"));
        QCOMPARE(prompter().messages.at(1).icon, msg::Icon::None);
        QCOMPARE(m_ended, 1);
    }

    void tabAndEscape()
    {
        frmLogin dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        dlg.activateWindow();
        dlg.txtUserName()->setFocus();
        QTest::keyClick(dlg.txtUserName(), Qt::Key_Tab);
        QTRY_VERIFY(dlg.txtPassword()->hasFocus());
        dlg.txtUserName()->setFocus();
        QTest::keyClick(dlg.txtUserName(), Qt::Key_Escape);
        QCOMPARE(m_ended, 1);
        QVERIFY(dlg.isHidden());
    }
};

TROVA_TEST(LoginTest)
#include "tst_Login.moc"
