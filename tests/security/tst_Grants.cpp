#include "DbRows.h"
#include "MainWindowFixture.h"
#include "SYS_Function.h"
#include "SYS_Grant.h"
#include "SYS_UGRP.h"
#include "Style.h"
#include "SYS_USER.h"
#include "TestDb.h"
#include "TestMain.h"
#include "frmMain.h"
#include "Widgets.h"
#include "app/Module1.h"
#include "security/Grants.h"

#include <QApplication>
#include <QComboBox>
#include <QMdiArea>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

using Module1::gConn;
using testing::prompter;

namespace {

QStringList grantsOf(const QString& group)
{
    return testing::queryRows("select func_id from function_grant where group_id = ? order by func_id", {group});
}

QStringList markedCodes(const SYS_Grant* s)
{
    QStringList out;
    for (int r = 0; r < s->msfgFunc->rowCount(); ++r) {
        if (s->isMarked(r))
            out << s->msfgFunc->item(r, 1)->text();
    }
    return out;
}

} // namespace

// The security walk from a fresh database to a new user's menu, the function
// list, and the grant screen: ticks that show, toggle and save a group's
// grants, also when a Save fails half-way.
class GrantTest : public testdb::Case
{
    Q_OBJECT

private Q_SLOTS:
    // An administrator on a fresh database sets up a new group and user; the
    // user logs in with the user id and sees only what the group was granted.
    void fromAdministratorToNewUser()
    {
        TROVA_OPEN_SCREEN(f, groups, SYS_UGRP, "SEC_USER_GROUP");
        groups->cmdNew->click();
        QTest::keyClicks(groups->txtUGid, "pack");
        groups->cmdSave->click();

        auto* grant = f.open<SYS_Grant>("SEC_FUNCTION_GRANT");
        QVERIFY(grant);
        grant->cboGroup->setCurrentIndex(grant->cboGroup->findText("PACK"));
        for (const char* code : {"SEC_FUNCTION_LIST", "SEC_USER_RESETPWD"})
            testing::clickCell(grant->msfgFunc, code);
        grant->cmdSave->click();

        auto* users = f.open<SYS_USER>("SEC_USER_INFO");
        QVERIFY(users);
        users->cmdNew->click();
        QTest::keyClicks(users->txtUserID, "pk01");
        QTest::keyClicks(users->txtFullName, "Pat Packer");
        users->cboGP->setCurrentIndex(users->cboGP->findText("PACK"));
        users->cmdSave->click();
        QCOMPARE(prompter().texts(), QStringList({"User Group has been added ...", "Save completed!"}));
        QCOMPARE(grantsOf("PACK"), QStringList({"SEC_FUNCTION_LIST", "SEC_USER_RESETPWD"}));

        QVERIFY(f.relogIn("PK01", "pk01"));
        QVERIFY(f.open("SEC_USER_RESETPWD"));
        QVERIFY(!f.open("SEC_USER_INFO"));
    }

    // The list is the shared cycle on its table: reached from the menu, it
    // stores a new code.
    void functionList()
    {
        TROVA_OPEN_SCREEN(f, s, SYS_Function, "SEC_FUNCTION_LIST");
        s->cmdNew->click();
        s->txtID->setText("Z_TEST");
        s->txtDesc->setText("A test code");
        s->cmdSave->click();
        QCOMPARE(testing::queryRows("select func_desc from function_list where func_id = 'Z_TEST'"),
                 QStringList({"A test code"}));
    }

    void marksToggleAndSave()
    {
        testing::addGroup("AAA");
        testing::addGroup("ZZZ", "0");
        testing::grant("AAA", {"MAN_LINE", "NO_SUCH_CODE", "QY_WIP"});
        TROVA_OPEN_SCREEN(f, s, SYS_Grant, "SEC_FUNCTION_GRANT");
        QCOMPARE(testing::comboItems(s->cboGroup), QStringList({"AAA", "SYSADMIN"}));
        // The grant without a function row does not stop the later marks.
        QCOMPARE(markedCodes(s), QStringList({"MAN_LINE", "QY_WIP"}));
        s->cboGroup->setCurrentIndex(1);
        QCOMPARE(markedCodes(s).size(), int(grants::kFunctionCodes.size()));
        s->cboGroup->setCurrentIndex(0);

        testing::clickCell(s->msfgFunc, "QY_WIP", 2);
        testing::clickCell(s->msfgFunc, "OPR_RUN", 2);
        QVERIFY(grantsOf("AAA").contains("QY_WIP")); // only the grid changed
        s->cmdSave->click();
        QCOMPARE(grantsOf("AAA"), QStringList({"MAN_LINE", "OPR_RUN"}));

        // A Save that fails half-way, at the insert of QY_WIP after OPR_RUN
        // went in, leaves the stored grants and the ticks whole.
        testing::clickCell(s->msfgFunc, "MAN_LINE", 2);
        testing::clickCell(s->msfgFunc, "QY_WIP", 2);
        gConn().exec(gConn().engine() == db::Engine::SQLite
                         ? "create trigger refuse before insert on function_grant when new.func_id = 'QY_WIP' "
                           "begin select raise(abort, 'grant refused'); end"
                         : "alter table function_grant add constraint refuse check (func_id <> 'QY_WIP') not valid");
        prompter().clear();
        s->cmdSave->click();
        QCOMPARE(prompter().messages.size(), 1);
        QCOMPARE(prompter().last().icon, msg::Icon::Exclamation);
        QCOMPARE(grantsOf("AAA"), QStringList({"MAN_LINE", "OPR_RUN"}));
        QCOMPARE(markedCodes(s), QStringList({"OPR_RUN", "QY_WIP"}));

        // Saving a group with no ticks takes all of its grants.
        testing::clickCell(s->msfgFunc, "OPR_RUN", 2);
        testing::clickCell(s->msfgFunc, "QY_WIP", 2);
        s->cmdSave->click();
        QCOMPARE(grantsOf("AAA"), QStringList());
        QCOMPARE(grantsOf("SYSADMIN").size(), int(grants::kFunctionCodes.size()));

        // By keys: Space ticks the current row and unticks it, as a click
        // does; Tab leaves the grid for Save.
        QVERIFY(QTest::qWaitForWindowActive(f.main()));
        s->msfgFunc->setFocus();
        QTest::keyClick(s->msfgFunc, Qt::Key_Down);
        const QString code = s->msfgFunc->item(s->msfgFunc->currentRow(), 1)->text();
        QTest::keyClick(s->msfgFunc, Qt::Key_Space);
        QCOMPARE(markedCodes(s), QStringList({code}));
        QTest::keyClick(s->msfgFunc, Qt::Key_Space);
        QCOMPARE(markedCodes(s), QStringList());
        QTest::keyClick(s->msfgFunc, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), s->cmdSave);
    }

    // The grant screen opens with its three columns whole and a good part of
    // the list in sight.
    void grantScreenOpensLargeEnough()
    {
        TROVA_OPEN_SCREEN(f, s, SYS_Grant, "SEC_FUNCTION_GRANT");
        QVERIFY(QTest::qWaitForWindowExposed(s));
        QTableWidget* grid = s->msfgFunc;
        const int columns = (300 + 2000 + 4200) / Module1::kTwipsPerPixel;
        int shown = 0;
        for (int c = 0; c < grid->columnCount(); ++c)
            shown += grid->isColumnHidden(c) ? 0 : grid->columnWidth(c);
        QVERIFY2(shown >= columns, qPrintable(QString::number(shown)));
        QVERIFY2(grid->viewport()->width() >= shown, qPrintable(QString::number(grid->viewport()->width())));
        const int rows = grid->viewport()->height() / grid->rowHeight(0);
        QVERIFY2(rows >= 18, qPrintable(QString::number(rows)));
        QVERIFY(s->parentWidget()->geometry().bottom() <= f.main()->mdiArea()->viewport()->height());
    }

    void noActiveGroupNoSave()
    {
        gConn().exec("update user_group set status = '0'");
        TROVA_OPEN_SCREEN(f, s, SYS_Grant, "SEC_FUNCTION_GRANT");
        QCOMPARE(s->cboGroup->count(), 0);
        QVERIFY(!s->cmdSave->isEnabled());
        QCOMPARE(markedCodes(s), QStringList());
    }
};

TROVA_TEST(GrantTest)
#include "tst_Grants.moc"
