#include "MainWindowFixture.h"
#include "ScriptedPrompter.h"
#include "TestDb.h"
#include "TestMain.h"
#include "app/AppControl.h"
#include "app/Module1.h"
#include "frmLogin.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using Module1::gConn;
using testing::prompter;

// The login dialog: the identity it sets, the logins it refuses and the
// failures on the way, each leaving the identity of the last login.
class LoginTest : public testdb::Case
{
    Q_OBJECT

private:
    int m_ended = 0;

    void type(frmLogin& dlg, const QString& user, const QString& password)
    {
        dlg.txtUserName()->clear();
        QTest::keyClicks(dlg.txtUserName(), user);
        dlg.txtPassword()->setText(password);
    }

    void prepare() override
    {
        Module1::gUserID = Module1::gGroupID = Module1::gUserName = QStringLiteral("BEFORE");
        m_ended = 0;
        app::setEndProgramHandler([this](int) { ++m_ended; });
    }

private Q_SLOTS:
    void cleanup() { app::setEndProgramHandler(nullptr); }

    void refusedLogins_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QStringList>("said");
        const QStringList invalid{"User ID or password is invalid ..."};
        QTest::newRow("wrong password") << "SYSADMIN" << "WRONG" << invalid;
        QTest::newRow("unknown user") << "NOBODY" << "SYSADMIN" << invalid;
        QTest::newRow("password the digest refuses") << "SYSADMIN" << QString::fromUtf8("口令") << invalid;
        QTest::newRow("no user") << "" << "SYSADMIN" << QStringList{"User ID cannot be null ..."};
        QTest::newRow("no password: focus only") << "SYSADMIN" << "" << QStringList();
    }
    void refusedLogins()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QStringList, said);
        frmLogin dlg;
        dlg.show();
        QSignalSpy spy(&dlg, &frmLogin::loginSucceeded);
        type(dlg, user, password);
        dlg.cmdOK_Click();
        QCOMPARE(spy.count(), 0);
        QCOMPARE(prompter().texts(), said);
        QCOMPARE(Module1::gUserID, QString("BEFORE"));
        QVERIFY(dlg.isVisible());
    }

    // A login whose grants cannot be read leaves the identity as it was;
    // once they load again, the login completes and sets it.
    void failedGrantQueryKeepsTheIdentity()
    {
        MainWindowFixture::addUser("OP-1", "Operator One", "OPS", {"QY_WIP"});
        gConn().exec("alter table function_grant rename to function_grant_gone");
        frmLogin dlg;
        dlg.show();
        QSignalSpy spy(&dlg, &frmLogin::loginSucceeded);
        // Typed in lower case with a blank and a slip mended by Home, Right
        // and Delete (with the text X11 gives it): the key filter upper-cases
        // the letters and drops the blank; the password's case does not count.
        type(dlg, "opx-1 ", "op-1");
        QLineEdit* user = dlg.txtUserName();
        for (const Qt::Key k : {Qt::Key_Home, Qt::Key_Right, Qt::Key_Right})
            QTest::keyClick(user, k);
        QKeyEvent x11Delete(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier, QStringLiteral("\x7f"));
        QApplication::sendEvent(user, &x11Delete);
        QCOMPARE(dlg.txtUserName()->text(), QString("OP-1"));
        dlg.cmdOK_Click();
        QCOMPARE(spy.count(), 0);
        QCOMPARE(prompter().messages.size(), 1);
        QCOMPARE(prompter().last().title, QString("ERROR"));
        QCOMPARE(QStringList({Module1::gUserID, Module1::gGroupID, Module1::gUserName}),
                 QStringList({"BEFORE", "BEFORE", "BEFORE"}));
        QVERIFY(dlg.isVisible());
        QCOMPARE(m_ended, 0);

        gConn().exec("alter table function_grant_gone rename to function_grant");
        QTest::mouseClick(dlg.cmdOK(), Qt::LeftButton);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(QStringList({Module1::gUserID, Module1::gGroupID, Module1::gUserName}),
                 QStringList({"OP-1", "OPS", "Operator One"}));
        QVERIFY(dlg.txtUserName()->text().isEmpty() && dlg.txtPassword()->text().isEmpty());
        QVERIFY(dlg.isHidden());
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
        // The connection's own box, then the login's.
        QCOMPARE(prompter().messages.size(), 2);
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
