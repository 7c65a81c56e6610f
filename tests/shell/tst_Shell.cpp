#include "app/AppControl.h"
#include "AppShell.h"
#include "security/Digest.h"
#include "MainPlacement.h"
#include "app/Module1.h"
#include "ScriptedPrompter.h"
#include "TestDb.h"
#include "TestMain.h"
#include "frmAbout.h"
#include "frmLogin.h"
#include "frmMain.h"
#include "MainWindowFixture.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using testing::prompter;

namespace {

// Every item that opens a screen, in menu order.
const QStringList kScreenItems = {
    "OPR_Line_SET", "OPR_Comp_SET", "OPR_Slot_Link", "OPR_Throw_QTY", "OPR_Approve", "OPR_Load", "OPR_RUN",
    "QY_WIP", "QY_DT200", "QY_Comp", "QY_Trace", "Man_Project", "Man_Part", "Man_Line", "Man_Machine",
    "Man_Slot1", "Man_DT200", "Man_CGRP", "Man_Comp", "Man_Proj", "Man_Link", "SEC_USER_INFO",
    "SEC_USER_RESETPWD", "SEC_USER_CHGPWD", "SEC_USER_GROUP", "SEC_FUNCTION_LIST", "SEC_FUNCTION_GRANT",
    "mnuHelpAbout"};

// A stand-in screen that counts how often each item's screen was created.
QHash<QString, int> g_created;

ScreenRegistry fakeScreens(const QStringList& except = {})
{
    ScreenRegistry r;
    for (const QString& item : kScreenItems) {
        if (except.contains(item))
            continue;
        r.add(item, [item] {
            ++g_created[item];
            auto* w = new QWidget;
            w->setObjectName(item);
            w->setWindowTitle(item);
            auto* box = new QLineEdit(w);
            box->setObjectName(QStringLiteral("txtData"));
            return w;
        });
    }
    return r;
}

QStringList enabledGatedItems(const frmMain& main)
{
    QStringList on;
    for (const grants::MenuGrant& m : grants::kMenuGrants) {
        if (main.menuItem(QString::fromLatin1(m.menuItem))->isEnabled())
            on << QString::fromLatin1(m.menuItem);
    }
    on.sort();
    return on;
}

QList<int> enabledButtons(const frmMain& main)
{
    QList<int> on;
    for (int i = 1; i <= 13; ++i) {
        QAction* a = main.toolbarButton(i);
        if (!a->isSeparator() && a->isEnabled())
            on << i;
    }
    return on;
}

void logIn(AppShell& shell, const QString& user, const QString& password)
{
    shell.showLogin();
    shell.login()->txtUserName()->setText(user);
    shell.login()->txtPassword()->setText(password);
    QTest::mouseClick(shell.login()->cmdOK(), Qt::LeftButton);
}

} // namespace

// The main window: what each login may use, the one instance of every
// screen, Relogin, Exit, the user panel and the window's first placement.
class ShellTest : public QObject
{
    Q_OBJECT

private:
    QList<int> m_ended;
    QTemporaryDir m_settingsDir;

private Q_SLOTS:
    void initTestCase_data() { testdb::addBackendRows(); }

    void initTestCase()
    {
        // Keep the user's own settings out of reach.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsDir.path());
        app::setEndProgramHandler([this](int code) { m_ended << code; });
    }

    void cleanupTestCase() { app::setEndProgramHandler(nullptr); }

    void init()
    {
        TESTDB_INIT();
        prompter().clear();
        m_ended.clear();
        g_created.clear();
    }

    void partialGrantsEnableTheirItemsAndButtons()
    {
        MainWindowFixture::addUser("QA1", "Quality One", "QA", {"opr_run", "QY_WIP", "MAN_COMP_LINK", "OPR_THROW", "QY_TRACE",
                                             "OPR_COMP_SET", "Man_New_Link", "NOT_A_CODE"});
        // The traceability query and the component set-up have no screen:
        // granted, they stay off, and so does the set-up's button.
        AppShell shell(fakeScreens({"QY_Trace", "OPR_Comp_SET", "SEC_USER_CHGPWD"}));
        logIn(shell, "QA1", "QA1");
        frmMain* main = shell.mainWindow();
        QVERIFY(main && main->isVisible());
        QVERIFY(!shell.login()->isVisible());
        QCOMPARE(enabledGatedItems(*main), (QStringList{"Man_Link", "OPR_RUN", "OPR_Throw_QTY", "QY_WIP"}));
        QCOMPARE(enabledButtons(*main), (QList<int>{1, 6, 9, 12, 13}));
        for (const char* item : {"OPR_RELOGIN", "OPR_EXIT", "mnuHelpContents", "mnuHelpAbout"})
            QVERIFY2(main->menuItem(item)->isEnabled(), item);
        QVERIFY(!main->menuItem("SEC_USER_CHGPWD")->isEnabled());
        for (const char* m : {"TROVA_OPERATION", "TROVA_ENQUIRY", "TROVA_MAINTANCE", "TROVA_SECURITY", "mnuHelp",
                              "Man_Componet"})
            QVERIFY2(main->menu(m)->menuAction()->isEnabled(), m);
        // Nor can the toolbar be switched off from a context menu.
        std::unique_ptr<QMenu> popup(main->createPopupMenu());
        QVERIFY(!popup || popup->isEmpty());
        QCOMPARE(main->statusPanel(2)->text(), QStringLiteral("Quality One"));
    }

    void reloginAsAnotherUserKeepsOpenScreens()
    {
        MainWindowFixture::addUser("QA2", "Quality Two", "QA", {"QY_WIP"});
        AppShell shell(fakeScreens());
        logIn(shell, "SYSADMIN", "SYSADMIN");
        frmMain* main = shell.mainWindow();
        QVERIFY(main);
        QCOMPARE(main->statusPanel(2)->text(), QStringLiteral("System Administrator"));
        main->menuItem("Man_Line")->trigger();
        QPointer<QWidget> line = main->screenInstance("Man_Line");
        QVERIFY(line && line->isVisible());
        line->findChild<QLineEdit*>("txtData")->setText("kept");

        main->menuItem("OPR_RELOGIN")->trigger();
        QVERIFY(!main->isVisible());
        QVERIFY(!line->isVisible());
        QVERIFY(shell.login()->isVisible());
        // The password box shows a star for every character typed.
        QTest::keyClicks(shell.login()->txtPassword(), "QA2");
        QCOMPARE(shell.login()->txtPassword()->displayText(), QStringLiteral("***"));

        logIn(shell, "QA2", "QA2");
        QCOMPARE(shell.mainWindow(), main);
        QVERIFY(main->isVisible());
        QVERIFY(line && line->isVisible());
        QCOMPARE(line->findChild<QLineEdit*>("txtData")->text(), QStringLiteral("kept"));
        QCOMPARE(enabledGatedItems(*main), QStringList{"QY_WIP"});
        QCOMPARE(enabledButtons(*main), (QList<int>{9, 12, 13}));
        QCOMPARE(main->statusPanel(2)->text(), QStringLiteral("Quality Two"));
        QCOMPARE(Module1::gUserID, QStringLiteral("QA2"));
        QCOMPARE(g_created.value("Man_Line"), 1);
    }

    void oneInstancePerScreen()
    {
        frmMain main(fakeScreens());
        main.applyGrants(grants::fromCodes({"OPR_LINE_SET", "QY_COMP", "MAN_COMP_LINK", "OPR_COMP_SET"}));
        main.show();
        main.menuItem("OPR_Line_SET")->trigger();
        QWidget* first = main.screenInstance("OPR_Line_SET");
        QVERIFY(first);
        main.Toolbar_ButtonClick("Line Set");
        main.menuItem("OPR_Line_SET")->trigger();
        QCOMPARE(main.screenInstance("OPR_Line_SET"), first);
        QCOMPARE(g_created.value("OPR_Line_SET"), 1);

        // Toolbar buttons open the screens of their menu items, side by side.
        main.Toolbar_ButtonClick("Loading");
        main.Toolbar_ButtonClick("Component");
        main.Toolbar_ButtonClick("Link ID");
        main.Toolbar_ButtonClick("line set"); // captions compare exactly
        QVERIFY(main.screenInstance("QY_Comp"));
        QVERIFY(main.screenInstance("Man_Link"));
        QVERIFY(main.screenInstance("OPR_Comp_SET"));
        QCOMPARE(main.mdiArea()->subWindowList().size(), 4);
        QCOMPARE(main.mdiArea()->activeSubWindow()->widget(), main.screenInstance("Man_Link"));

        // Asking again brings the open one to the front.
        main.menuItem("OPR_Line_SET")->trigger();
        QCOMPARE(main.mdiArea()->activeSubWindow()->widget(), first);

        // A screen that closed itself is loaded afresh next time.
        QPointer<QWidget> gone = first;
        first->close();
        QTRY_VERIFY(!gone);
        QTRY_COMPARE(main.mdiArea()->subWindowList().size(), 3);
        QVERIFY(!main.screenInstance("OPR_Line_SET"));
        main.menuItem("OPR_Line_SET")->trigger();
        QVERIFY(main.screenInstance("OPR_Line_SET"));
        QCOMPARE(g_created.value("OPR_Line_SET"), 2);

        // Closing the child window's frame does the same.
        QPointer<QWidget> loading = main.screenInstance("QY_Comp");
        qobject_cast<QMdiSubWindow*>(loading->parentWidget())->close();
        QTRY_VERIFY(!loading);
        main.Toolbar_ButtonClick("Loading");
        QCOMPARE(g_created.value("QY_Comp"), 2);
    }

    void aboutBoxAndHelp()
    {
        frmMain main;
        main.show();
        main.menuItem("mnuHelpAbout")->trigger();
        QPointer<frmAbout> about = qobject_cast<frmAbout*>(main.screenInstance("mnuHelpAbout"));
        QVERIFY(about && about->isVisible());
        QCOMPARE(about->lblVersion()->text(), QStringLiteral("Version 1.0.0"));
        main.menuItem("mnuHelpAbout")->trigger();
        QCOMPARE(main.screenInstance("mnuHelpAbout"), about.data());

        QTemporaryDir empty;
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", empty.path().toLocal8Bit());
        QTest::mouseClick(about->cmdSysInfo(), Qt::LeftButton);
        qputenv("PATH", path);
        QCOMPARE(prompter().texts(), QStringList{"System Information Is Unavailable At This Time"});
        QCOMPARE(prompter().last().icon, msg::Icon::None);

        QTest::mouseClick(about->cmdOK(), Qt::LeftButton);
        QTRY_VERIFY(!about);
        main.menuItem("mnuHelpAbout")->trigger();
        QVERIFY(main.screenInstance("mnuHelpAbout"));

        prompter().clear();
        main.menuItem("mnuHelpContents")->trigger();
        QCOMPARE(prompter().texts(),
                 QStringList{"Thank you for using This system. The System Help file is working in progress"});
        QCOMPARE(prompter().last().title, main.windowTitle());
        QCOMPARE(prompter().last().icon, msg::Icon::Information);
    }

    void exitAndCloseEndTheProgramWithoutAsking()
    {
        frmMain main(fakeScreens());
        main.applyGrants(grants::fromCodes({"MAN_LINE"}));
        main.show();
        main.menuItem("Man_Line")->trigger();
        main.menuItem("OPR_EXIT")->trigger();
        main.Toolbar_ButtonClick("Exit");
        main.close();
        QCOMPARE(m_ended, (QList<int>{0, 0, 0}));
        QVERIFY(prompter().messages.isEmpty());
        QVERIFY(main.screenInstance("Man_Line"));
    }

    void userPanelNeverEndsTheProgram()
    {
        frmMain main(fakeScreens());
        QCOMPARE(main.statusPanel(2)->text(), QStringLiteral("User:"));
        Module1::gConn().exec("update user_list set user_name = NULL where user_id = 'SYSADMIN'");
        main.MDIForm_Activate();
        QCOMPARE(main.statusPanel(2)->text(), QString());
        Module1::gUserID = QStringLiteral("GONE");
        main.MDIForm_Activate();
        QCOMPARE(main.statusPanel(2)->text(), QStringLiteral("GONE"));
        Module1::gUserID = QStringLiteral("SYSADMIN");
        Module1::gConn().close();
        main.MDIForm_Activate();
        QCOMPARE(main.statusPanel(2)->text(), QStringLiteral("SYSADMIN"));
        QVERIFY(prompter().messages.isEmpty());
    }

    void placement()
    {
        using namespace mainplacement;
        QCOMPARE(storedTwips(QVariant()), 1000.0f);
        QCOMPARE(storedTwips(QVariant("2500")), 2500.0f);
        QCOMPARE(storedTwips(QVariant("-150.5")), -150.5f);
        QCOMPARE(storedTwips(QVariant("left")), 1000.0f);
        QCOMPARE(storedTwips(QVariant("")), 1000.0f);
        QCOMPARE(toPixels(1000.0f), 67);
        QVERIFY(toPixels(1.0e30f) > 0);
        // Only the height counts, and only when lower than the window.
        QVERIFY(!maximise(746));
        QVERIFY(maximise(745));

        {
            QSettings s(QStringLiteral("TROVA"), QStringLiteral("TROVA"));
            s.setValue("Settings/MainLeft", "3000");
            s.setValue("Settings/MainTop", "x");
        }
        frmMain main(fakeScreens());
        const QRect normal = main.isMaximized() ? main.normalGeometry() : main.geometry();
        QCOMPARE(normal.topLeft(), QPoint(200, 67));
        QCOMPARE(normal.size(), QSize(1032, 746));
        QCOMPARE(main.isMaximized(), maximise(main.screen()->size().height()));
        QSettings(QStringLiteral("TROVA"), QStringLiteral("TROVA")).remove("Settings");
    }
};

TROVA_TEST(ShellTest)
#include "tst_Shell.moc"
