#include "DbRows.h"
#include "ExportCatcher.h"
#include "MainPlacement.h"
#include "MainWindowFixture.h"
#include "Mtc_Comp.h"
#include "Mtc_Comp_Link.h"
#include "Mtc_Line.h"
#include "Mtc_Machine.h"
#include "OPT_Line_Set.h"
#include "Mtc_Part.h"
#include "Mtc_Slot1.h"
#include "OPT_Load_SN.h"
#include "OPT_Run.h"
#include "OPT_Throw_QTY.h"
#include "QUERY_WIP.h"
#include "SYS_Grant.h"
#include "SYS_PWD.h"
#include "SYS_RESETPWD.h"
#include "SYS_UGRP.h"
#include "SYS_USER.h"
#include "ScriptedPrompter.h"
#include "SimGateway.h"
#include "Style.h"
#include "TestDb.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "Widgets.h"
#include "app/AppControl.h"
#include "app/Module1.h"
#include "ExcelImport.h"
#include "frmAbout.h"
#include "frmLogin.h"
#include "frmMain.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QEventLoop>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTableWidget>
#include <QToolBar>
#include <QTreeWidget>
#include <memory>

using testing::prompter;

namespace {

// Stand-in screens for the given items only.
ScreenRegistry fakeScreens(const QStringList& items = {})
{
    ScreenRegistry r;
    for (const QString& item : items)
        r.add(item, [] { return new QWidget; });
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

// Runs act; while the box with the text waits for its answer, Exit is
// pressed through the accessibility interface, as a screen reader does, and
// events run as under a real box. The screen outlives the box, then closes.
void exitWhileBoxOpen(QWidget* screen, QAbstractButton* exit, const QString& text, const std::function<void()>& act)
{
    QPointer<QWidget> alive(screen);
    QStringList seen;
    prompter().onMessage = [&](const msg::Message& m) {
        if (m.text != text)
            return;
        QEventLoop box;
        QObject::connect(exit, &QAbstractButton::clicked, &box,
                         [&box] { QTimer::singleShot(50, &box, &QEventLoop::quit); });
        QTimer::singleShot(5000, &box, &QEventLoop::quit);
        QAccessibleInterface* button = QAccessible::queryAccessibleInterface(exit);
        button->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        box.exec();
        seen << (alive ? "open" : "gone");
    };
    act();
    prompter().onMessage = nullptr;
    QCOMPARE(seen, QStringList{"open"});
    QTRY_VERIFY(!alive);
}

QList<int> enabledButtons(const frmMain& main)
{
    QList<int> on;
    for (int i = 1; i <= 13; ++i) {
        if (!main.toolbarButton(i)->isSeparator() && main.toolbarButton(i)->isEnabled())
            on << i;
    }
    return on;
}

} // namespace

// The main window: what each login may use and what a new login closes, the
// toolbar, the one instance of every screen, Exit, the user panel and the
// window's first placement.
class ShellTest : public testdb::Case
{
    Q_OBJECT

private:
    QList<int> m_ended;
    QTemporaryDir m_settingsDir;
    testing::ExportCatcher m_exports;

    void prepare() override { m_ended.clear(); }

private Q_SLOTS:
    void initTestCase()
    {
        // Keep the user's own settings out of reach.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsDir.path());
        app::setEndProgramHandler([this](int code) { m_ended << code; });
    }

    void cleanupTestCase() { app::setEndProgramHandler(nullptr); }

    void partialGrantsEnableTheirItemsAndButtons()
    {
        // The traceability query and the component set-up have no screen:
        // granted, they stay off, and so does the set-up's button.
        frmMain main(fakeScreens({"OPR_RUN", "QY_WIP", "mnuHelpAbout"}));
        main.applyGrants(grants::fromCodes({"OPR_RUN", "Qy_Wip", "QY_TRACE", "OPR_COMP_SET"}));
        QCOMPARE(enabledGatedItems(main), (QStringList{"OPR_RUN", "QY_WIP"}));
        QCOMPARE(enabledButtons(main), (QList<int>{1, 9, 12, 13}));
        for (const char* item : {"OPR_RELOGIN", "OPR_EXIT", "mnuHelpContents", "mnuHelpAbout"})
            QVERIFY2(main.menuItem(item)->isEnabled(), item);
        QVERIFY(!main.menuItem("SEC_USER_CHGPWD")->isEnabled());
        // Nor can the toolbar be switched off from a context menu.
        std::unique_ptr<QMenu> popup(main.createPopupMenu());
        QVERIFY(!popup || popup->isEmpty());
    }

    // An administrator's screens when a user without their grants logs in:
    // the grant screen closes, a screen the user may use stays as it was, and
    // the monitor goes on serving its started gateway, its buttons off until
    // a user holding its grant logs in.
    void reloginClosesWhatTheNewUserMayNotUse()
    {
        gwsim::SimGateway gw;
        QVERIFY(gw.listen(gwsim::loopbackAddress(0), 0));
        Module1::settings().gatewayPort = gw.port();
        Module1::gConn().exec("insert into line_set (line_id, proj_id, part_no, mc_id, gw21_ip, dt200_id) "
                              "values ('L1', 'PR1', 'P1', 'M1', ?, '001')",
                              {gw.address().toString()});
        MainWindowFixture::addUser("OP1", "Operator", "OPS", {"QY_WIP"});
        TROVA_OPEN_SCREEN(f, wip, QUERY_WIP, "QY_WIP");
        QPointer<QWidget> grant = f.open("SEC_FUNCTION_GRANT");
        QPointer<OPT_Run> run = f.open<OPT_Run>("OPR_RUN");
        QVERIFY(grant && run);
        const QDateTime from(QDate(2024, 3, 5), QTime(7, 0));
        wip->DTfrom()->setDateTime(from);
        QTest::mouseClick(run->cmdStart(1), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(gw.hasClient(), 5000);

        QVERIFY(f.relogIn("OP1", "OP1"));
        QCOMPARE(f.main()->statusPanel(2)->text(), QStringLiteral("Operator"));
        QTRY_VERIFY(!grant);
        QCOMPARE(f.main()->screenInstance("QY_WIP"), wip);
        QCOMPARE(wip->DTfrom()->dateTime(), from);
        QVERIFY(run && run->isVisible());
        QVERIFY(!run->cmdStart(1)->isEnabled());
        QVERIFY(!run->cmdexit()->isEnabled());
        QVERIFY(gw.sendStartup(1));
        QTRY_VERIFY_WITH_TIMEOUT(!gw.terminal(1).displays.isEmpty(), 5000);

        QVERIFY(f.relogIn("SYSADMIN", "SYSADMIN"));
        QVERIFY(run->cmdStart(1)->isEnabled());
        QTest::mouseClick(run->cmdStart(1), Qt::LeftButton);
        QTest::mouseClick(run->cmdexit(), Qt::LeftButton);
        QTRY_VERIFY(!run);
    }

    // What one user left pending is not the next user's: each screen with
    // work of its user that stays open is as the new user opens it (modes
    // cancelled, boxes emptied, lists with the new user's filters, unsaved
    // ticks and trees gone), and Save asks for the grant when it runs, not
    // only when the mode was entered.
    void reloginDropsThePreviousUsersPendingWork()
    {
        testing::addRow("component_list", {"comp_code", "comp_desc", "group_id", "method_type", "vender_name"},
                        {"C1", "old", "G1", "MP", "V1"});
        testing::addRow("mc_info", {"mc_id", "line_id"}, {"M1", "L1"});
        MainWindowFixture::addUser("ADM1", "Admin one", "ADMIN",
                                   {"MAN_COMP", "SEC_USER_GROUP", "SEC_USER_INFO", "SEC_FUNCTION_GRANT", "MAN_SLOT",
                                    "OPR_THROW", "OPR_LOAD_SN"});
        TROVA_OPEN_SCREEN(f, comp, Mtc_Comp, "Man_Comp");
        auto* groups = f.open<SYS_UGRP>("SEC_USER_GROUP");
        auto* users = f.open<SYS_USER>("SEC_USER_INFO");
        auto* pwd = f.open<SYS_PWD>("SEC_USER_CHGPWD");
        auto* grant = f.open<SYS_Grant>("SEC_FUNCTION_GRANT");
        auto* slots = f.open<Mtc_Slot1>("Man_Slot1");
        auto* scrap = f.open<OPT_Throw_QTY>("OPR_Throw_QTY");
        auto* load = f.open<OPT_Load_SN>("OPR_Load");
        QVERIFY(groups && users && pwd && grant && slots && scrap && load);
        auto storedDesc = [] { return testing::queryRows("select comp_desc from component_list"); };

        testing::clickRow(comp->LvData, 1, "C1");
        comp->cmdEdit->click();
        comp->txtDesc->setText("edited");
        const QString revoke = "delete from function_grant where func_id = 'Man_Edit_List'";
        Module1::gConn().exec(revoke);
        comp->cmdSave->click();
        QCOMPARE(prompter().texts(), QStringList{"You have no permission to use."});
        QCOMPARE(storedDesc(), QStringList{"old"});
        testing::addRow("function_grant", {"func_id", "group_id"}, {"Man_Edit_List", "SYSADMIN"});
        testing::clickRow(groups->lvUserGroup, 1, "SYSADMIN");
        QCOMPARE(groups->txtUGid->text(), QStringLiteral("SYSADMIN"));
        QCOMPARE(testing::gridRows(users->msfgUser, 1), QStringList{"ADM1"});
        pwd->OldPWD->setText("SYSADMIN");
        QCOMPARE(grant->cboGroup->currentText(), QStringLiteral("ADMIN"));
        const int run = grant->msfgFunc->findItems("OPR_RUN", Qt::MatchExactly).value(0)->row();
        grant->msfgFunc_Click(run);
        QVERIFY(grant->isMarked(run));
        slots->cboMC->setCurrentIndex(0);
        QCOMPARE(slots->TV->topLevelItemCount(), 1);
        scrap->txtQTY->setText("5");
        load->txtBatch->setText("B1");

        QVERIFY(f.relogIn("ADM1", "ADM1"));
        QVERIFY(!comp->cmdSave->isEnabled() && comp->cmdNew->isEnabled());
        QCOMPARE(comp->txtID->text() + comp->txtDesc->text(), QString());
        QCOMPARE(groups->txtUGid->text(), QString());
        prompter().clear();
        groups->cmdDelete->click(); // answered Yes
        QCOMPARE(testing::queryRows("select group_id from user_group order by group_id"),
                 QStringList({"ADMIN", "SYSADMIN"}));
        QCOMPARE(testing::gridRows(users->msfgUser, 1), QStringList{"SYSADMIN"});
        QCOMPARE(storedDesc(), QStringList{"old"});
        QCOMPARE(pwd->OldPWD->text(), QString());
        QVERIFY(!grant->isMarked(run));
        QCOMPARE(slots->cboMC->currentIndex() + slots->TV->topLevelItemCount(), -1);
        QCOMPARE(scrap->txtQTY->text() + load->txtBatch->text(), QString());
    }

    // A pending New on the lot screen, then a login as another user: no
    // stored lot stands in the boxes for Print, Edit or Delete to act on.
    void reloginLeavesNoRowInTheBoxes()
    {
        testing::addRow("component_link", {"link_id", "comp_code", "vender_name", "lot_no"},
                        {"1000000001", "C1", "V1", "LOT1"});
        MainWindowFixture::addUser("OP1", "Operator", "OPS", {"MAN_COMP_LINK"});
        TROVA_OPEN_SCREEN(f, lots, Mtc_Comp_Link, "Man_Link");
        lots->cmdNew->click();
        QVERIFY(lots->cmdSave->isEnabled());

        QVERIFY(f.relogIn("OP1", "OP1"));
        QApplication::processEvents();
        QCOMPARE(lots->txtLink->text() + lots->cboComp->currentText() + lots->cboVD->currentText()
                     + lots->txtLot->text(),
                 QString());
        QVERIFY(lots->LvData->selectedItems().isEmpty());
    }

    // A login as another user while a screen waits for the workbook reader:
    // the previous user's import stores nothing and says nothing, and the
    // screen is left browsing; a screen the new user may not use closes
    // without asking about the import.
    void reloginDropsAnImportBeingRead()
    {
        QTemporaryDir dir;
        const QString reader = testing::slowReader(dir.path(), 2);
        QVERIFY(!reader.isEmpty());
        Module1::setImportReader(reader);
        const auto restore = qScopeGuard([] { Module1::setImportReader(QString()); });
        testing::addRow("line_info", {"line_id"}, {"L1"});
        MainWindowFixture::addUser("OP1", "Operator", "OPS", {"MAN_MACHINE", "MAN_LINE"});
        MainWindowFixture::addUser("OP2", "Operator two", "OPS2", {"QY_WIP"});
        TROVA_OPEN_SCREEN(f, machines, Mtc_Machine, "Man_Machine");
        const auto importWhileLoggingIn = [&](const QString& user) {
            prompter().clear();
            prompter().files.enqueue(testing::dataFile("machines.xlsx"));
            QTimer::singleShot(300, f.main(), [&f, user] { QVERIFY(f.relogIn(user, user)); });
            machines->cmdImport->click();
        };
        const auto stored = [] { return testing::queryRows("select mc_id from mc_info"); };

        importWhileLoggingIn("OP1");
        QCOMPARE(stored(), QStringList());
        QCOMPARE(prompter().texts(), QStringList());
        QVERIFY(machines->cmdImport->isEnabled() && machines->cmdNew->isEnabled() && !machines->cmdSave->isEnabled());
        QVERIFY(!machines->findChild<QWidget*>("importBusy"));

        // The same user with one grant fewer: only the screen that closes
        // loses its import.
        QPointer<QWidget> lines = f.open("Man_Line");
        QVERIFY(lines);
        Module1::gConn().exec("delete from function_grant where func_id = 'MAN_LINE'");
        importWhileLoggingIn("OP1");
        QTRY_VERIFY(!lines);
        QVERIFY(!stored().isEmpty());
        Module1::gConn().exec("delete from mc_info");

        QPointer<Mtc_Machine> open(machines);
        importWhileLoggingIn("OP2");
        QTRY_VERIFY(!open);
        QCOMPARE(prompter().texts(), QStringList());
        QCOMPARE(stored(), QStringList());
    }

    // A screen whose own box waits for its answer is not destroyed under
    // it: Exit pressed meanwhile closes the screen once the box is answered.
    void closeWaitsForTheScreensBox()
    {
        testing::addUser("U1");
        MainWindowFixture f;
        QVERIFY(f.logIn());
        auto* groups = f.open<SYS_UGRP>("SEC_USER_GROUP");
        exitWhileBoxOpen(groups, groups->cmdExit, "User Group has been added ...", [groups] {
            groups->cmdNew->click();
            groups->txtUGid->setText("NEWG");
            groups->cmdSave->click();
        });
        QCOMPARE(testing::queryRows("select group_id from user_group where group_id = 'NEWG'"), QStringList{"NEWG"});

        auto* reset = f.open<SYS_RESETPWD>("SEC_USER_RESETPWD");
        exitWhileBoxOpen(reset, reset->cmdExit, "Reassign Password is success ...", [reset] {
            testing::clickRow(reset->lvUser, 0, "U1");
            reset->cmdReassign->click();
        });
    }

    // Relogin pressed while a box waits for its answer: the window and the
    // box stay until it is answered, then the login shows and takes typing.
    void reloginWaitsForTheBox()
    {
        MainWindowFixture f;
        QVERIFY(f.logIn());
        const auto loginShown = [] {
            const QWidgetList windows = QApplication::topLevelWidgets();
            return std::any_of(windows.begin(), windows.end(),
                               [](QWidget* w) { return qobject_cast<frmLogin*>(w) && w->isVisible(); });
        };
        QStringList seen;
        prompter().onMessage = [&](const msg::Message&) {
            f.main()->menuItem("OPR_RELOGIN")->trigger();
            QTest::qWait(50); // events run as under a real box
            seen << (f.main()->isVisible() && !loginShown() ? "waits" : "login");
        };
        f.main()->menuItem("mnuHelpContents")->trigger();
        prompter().onMessage = nullptr;
        QCOMPARE(seen, QStringList{"waits"});
        QTRY_VERIFY(loginShown());
        QVERIFY(!f.main()->isVisible());
        QVERIFY(f.logIn());
    }

    // Each button opens its item's screen; a screen opens once, and afresh
    // after it or its frame was closed.
    void toolbarAndOneInstancePerScreen()
    {
        MainWindowFixture f;
        QVERIFY(f.logIn());
        const QList<QPair<int, const char*>> buttons = {{1, "OPT_Run"},       {3, "OPT_Line_Set"}, {4, "OPT_Component"},
                                                        {5, "OPT_Slot_Link"}, {6, "Mtc_Comp_Link"}, {8, "QUERY_COMP"},
                                                        {9, "QUERY_WIP"},     {10, "QUERY_DT200"}};
        auto press = [&](int number) {
            QTest::mouseClick(f.main()->toolbar()->widgetForAction(f.main()->toolbarButton(number)), Qt::LeftButton);
            return f.main()->mdiArea()->activeSubWindow()->widget();
        };
        for (const auto& [number, screen] : buttons)
            QCOMPARE(press(number)->metaObject()->className(), screen);
        QMdiArea* area = f.main()->mdiArea();
        QCOMPARE(area->subWindowList().size(), buttons.size());
        QPointer<QWidget> lineSet = f.main()->screenInstance("OPR_Line_SET");
        QCOMPARE(press(3), lineSet.data());
        QCOMPARE(area->subWindowList().size(), buttons.size());

        QPointer<QWidget> loading = f.main()->screenInstance("QY_Comp");
        lineSet->close();
        qobject_cast<QMdiSubWindow*>(loading->parentWidget())->close();
        QTRY_VERIFY(!lineSet && !loading);
        QTRY_COMPARE(area->subWindowList().size(), buttons.size() - 2);
        QVERIFY(press(3) && press(8));
        QCOMPARE(area->subWindowList().size(), buttons.size());
    }

    // Every editable list box of the program keeps what was typed: an entry
    // that begins with it neither completes it nor, differing in case only,
    // takes its place when the box is left, and Enter adds it to no list.
    void editableBoxesKeepWhatWasTyped()
    {
        MainWindowFixture f;
        QVERIFY(f.logIn());
        QVERIFY(QTest::qWaitForWindowActive(f.main()));
        int boxes = 0;
        for (const grants::MenuGrant& m : grants::kMenuGrants) {
            QWidget* screen = f.open(QString::fromLatin1(m.menuItem));
            for (QComboBox* box : screen ? screen->findChildren<QComboBox*>() : QList<QComboBox*>()) {
                if (!box->isEditable())
                    continue;
                // Only the box itself: the screen's reactions to its text and
                // focus are left out.
                const QSignalBlocker quiet(box);
                box->removeEventFilter(screen);
                box->setEnabled(true);
                box->addItems({"100", "abc"});
                const int entries = box->count();
                for (const QString typed : {"1", "AB"}) {
                    box->setEditText(QString());
                    box->setFocus();
                    QTest::keyClicks(box->lineEdit(), typed);
                    QTest::keyClick(box->lineEdit(), Qt::Key_Return);
                    QTest::keyClick(box->lineEdit(), Qt::Key_Tab);
                    QVERIFY2(box->currentText() == typed, qPrintable(QString(m.menuItem) + " " + box->objectName()));
                }
                QVERIFY2(box->count() == entries, qPrintable(QString(m.menuItem) + " " + box->objectName()));
                ++boxes;
            }
        }
        QVERIFY(boxes >= 20);
    }

    // Opened from the menu by keys, every screen takes the focus, also one
    // whose first boxes are disabled until New: its access keys work at once.
    void screensOpenedByKeysTakeTheFocus()
    {
        MainWindowFixture f;
        QVERIFY(f.logIn());
        QVERIFY(QTest::qWaitForWindowActive(f.main()));
        QTest::keyClick(f.main(), Qt::Key_O, Qt::AltModifier);
        QVERIFY(QApplication::activePopupWidget());
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Return);
        auto* lineSet = qobject_cast<OPT_Line_Set*>(f.main()->screenInstance("OPR_Line_SET"));
        QVERIFY(lineSet && lineSet->isAncestorOf(QApplication::focusWidget()));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_N, Qt::AltModifier);
        QTRY_COMPARE(lineSet->EditMode, QStringLiteral("New"));

        f.main()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.main()));
        for (const grants::MenuGrant& m : grants::kMenuGrants) {
            f.main()->menuBar()->setFocus(Qt::MenuBarFocusReason);
            QWidget* screen = f.open(QString::fromLatin1(m.menuItem));
            QVERIFY2(screen && screen->isAncestorOf(QApplication::focusWidget()), m.menuItem);
        }
    }

    // The active screen's access keys work wherever the focus is in the main
    // window: from the menu bar Alt+N presses New, and Alt+X while the rows
    // of an import are stored presses Exit, which asks whether to stop.
    void accessKeysWorkWithTheFocusOutsideTheScreen()
    {
        QList<QStringList> sheet = {{"Line", "Description"}};
        for (int r = 0; r < 20000; ++r)
            sheet << QStringList{QStringLiteral("L%1").arg(r), "d"};
        QTemporaryDir dir;
        const QString path = testing::writeSheet(dir.filePath("lines.xlsx"), sheet);
        MainWindowFixture f;
        QVERIFY(f.logIn());
        QVERIFY(QTest::qWaitForWindowActive(f.main()));
        QPointer<Mtc_Line> lines = f.open<Mtc_Line>("Man_Line");
        QVERIFY(lines);
        const auto fromTheMenuBar = [&f](Qt::Key key) {
            f.main()->menuBar()->setFocus(Qt::MenuBarFocusReason);
            QTest::keyClick(QApplication::focusWidget(), key, Qt::AltModifier);
        };
        fromTheMenuBar(Qt::Key_N);
        QTRY_COMPARE(lines->EditMode, QStringLiteral("New"));
        lines->cmdCancel->click();

        prompter().files.enqueue(path);
        bool pressed = false;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] {
            const QWidget* bar = lines->findChild<QWidget*>("importBusy");
            const QLabel* doing = bar ? bar->findChild<QLabel*>() : nullptr;
            if (!pressed && doing && doing->text() == "Storing the rows ...") {
                pressed = true;
                fromTheMenuBar(Qt::Key_X);
            }
        });
        ticker.start(1);
        lines->cmdImport->click();
        QVERIFY(pressed);
        QCOMPARE(prompter().texts().value(0), QStringLiteral("The rows are still being stored. Stop the import?"));
        QTRY_VERIFY(!lines);
    }

    // Access keys typed in the active screen's grid: Alt+E is "&Export",
    // "&Edit" and the Enquiry menu, so it moves the focus between the two
    // buttons and presses neither; Alt+N, New's alone, presses New. A
    // literal "&" in a menu caption shows as itself.
    void accessKeysAsOnTheDesktop()
    {
        testing::addRow("proj_info", {"proj_id"}, {"P1"});
        testing::addPart("PN-1", "P1");
        MainWindowFixture f;
        QVERIFY(f.logIn());
        QVERIFY(QTest::qWaitForWindowActive(f.main()));
        auto* part = f.open<Mtc_Part>("Man_Part");
        QVERIFY(part);
        testing::clickCell(part->msfgModule, "PN-1");
        QVERIFY(part->cmdexport->isEnabled() && part->cmdEdit->isEnabled());
        const QList<QWidget*> carriers = {part->cmdexport, part->cmdEdit};
        QWidget* before = QApplication::focusWidget();
        QVERIFY(before == part->msfgModule);
        for (int press = 0; press < 3; ++press) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_E, Qt::AltModifier);
            QWidget* now = QApplication::focusWidget();
            QVERIFY2(carriers.contains(now) && now != before, qPrintable(QString::number(press)));
            QVERIFY(!part->cmdexport->isDown() && !part->cmdEdit->isDown());
            before = now;
        }
        QCoreApplication::processEvents();
        QVERIFY(m_exports.opened.isEmpty());
        QVERIFY(!part->cmdSave->isEnabled());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_N, Qt::AltModifier);
        QTRY_VERIFY(part->cmdSave->isEnabled());
        part->cmdCancel->click();

        auto shown = [](QString caption) { return caption.replace("&&", "\x01").remove('&').replace('\x01', '&'); };
        QCOMPARE(shown(f.main()->menuItem("Man_Slot1")->text()), QStringLiteral("Module & Slot Define "));
        for (const QAction* a : f.main()->findChildren<QAction*>())
            QVERIFY2(QKeySequence::mnemonic(a->text()) != QKeySequence(Qt::ALT | Qt::Key_Space), qPrintable(a->text()));
    }

    // About and Help; then Exit, the toolbar's Exit and the close box, each
    // ending the program without asking, with a screen open.
    void aboutHelpAndExit()
    {
        frmMain main;
        main.applyGrants(grants::fromCodes({"MAN_LINE"}));
        main.show();
        main.menuItem("mnuHelpAbout")->trigger();
        QPointer<frmAbout> about = qobject_cast<frmAbout*>(main.screenInstance("mnuHelpAbout"));
        QVERIFY(about && about->isVisible());
        QTemporaryDir empty;
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", empty.path().toLocal8Bit());
        QTest::mouseClick(about->cmdSysInfo(), Qt::LeftButton);
        qputenv("PATH", path);
        QCOMPARE(prompter().texts(), QStringList{"System Information Is Unavailable At This Time"});
        QTest::mouseClick(about->cmdOK(), Qt::LeftButton);
        QTRY_VERIFY(!about);
        main.menuItem("mnuHelpContents")->trigger();
        QCOMPARE(prompter().messages.size(), 2);

        main.menuItem("Man_Line")->trigger();
        main.menuItem("OPR_EXIT")->trigger();
        main.Toolbar_ButtonClick("Exit");
        main.close();
        QCOMPARE(m_ended, (QList<int>{0, 0, 0}));
        QCOMPARE(prompter().messages.size(), 2);
        QVERIFY(main.screenInstance("Man_Line"));
    }

    // "User:" until the window is first activated, then the user's name; a
    // lookup that finds no name or no database never ends the program.
    void userPanelNeverEndsTheProgram()
    {
        frmMain main(fakeScreens());
        QCOMPARE(main.statusPanel(2)->text(), QStringLiteral("User:"));
        const QString name = testing::queryRows("select user_name from user_list where user_id = 'SYSADMIN'").value(0);
        QVERIFY(!name.isEmpty());
        main.show();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        QCOMPARE(main.statusPanel(2)->text(), name);
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

    // A screen is centred unless it is maximised, on its own or in the work area.
    void centerFormLeavesAMaximisedScreen()
    {
        QWidget own;
        own.resize(200, 100);
        own.move(3, 4);
        Module1::CenterForm(&own);
        QVERIFY(own.pos() != QPoint(3, 4));
        own.showMaximized();
        QVERIFY(QTest::qWaitForWindowExposed(&own));
        const QRect screen = own.geometry();
        Module1::CenterForm(&own);
        QCOMPARE(own.geometry(), screen);

        QMdiArea area;
        area.resize(800, 600);
        area.show();
        QMdiSubWindow* frame = area.addSubWindow(new QWidget);
        frame->resize(200, 100);
        frame->show();
        frame->move(3, 4);
        Module1::CenterForm(frame);
        QVERIFY(frame->pos() != QPoint(3, 4));
        frame->showMaximized();
        const QRect full = frame->geometry();
        Module1::CenterForm(frame);
        QCOMPARE(frame->geometry(), full);
    }

    void placement()
    {
        using namespace mainplacement;
        QCOMPARE(storedTwips(QVariant()), 1000.0f);
        QCOMPARE(storedTwips(QVariant("-150.5")), -150.5f);
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
