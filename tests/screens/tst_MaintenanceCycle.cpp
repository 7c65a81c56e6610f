#include "DbRows.h"
#include "ListTools.h"
#include "MainWindowFixture.h"
#include "Mtc_Comp.h"
#include "Mtc_Line.h"
#include "Mtc_Machine.h"
#include "SYS_UGRP.h"
#include "ScriptedPrompter.h"
#include "TestDb.h"
#include "TestMain.h"
#include "Widgets.h"
#include "app/Module1.h"
#include "frmMain.h"

#include <QApplication>
#include <QScopeGuard>
#include <QTimer>

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>

using Module1::gConn;
using testing::addLine;
using testing::addMachine;
using testing::prompter;

namespace {

// The machine screen, counting its loads.
class MachineScreen : public Mtc_Machine {
public:
    int loads = 0;
    void LoadData() override
    {
        ++loads;
        Mtc_Machine::LoadData();
    }
};

// Components C0000000000, C0000000001 ... of group G, each a minute newer.
void addComponents(int n, int first = 0)
{
    db::Transaction t(gConn());
    const QDateTime base(QDate(2024, 1, 1), QTime(0, 0));
    for (int i = first; i < first + n; ++i)
        gConn().exec(
            "insert into component_list (comp_code, comp_desc, group_id, method_type, vender_name, update_user, "
            "update_time) values (?, ?, 'G', 'MP', 'NIL', 'SYSADMIN', ?)",
            { QStringLiteral("C%1").arg(i, 10, 10, QLatin1Char('0')), QStringLiteral("comp %1").arg(i),
                base.addSecs(i * 60) });
    t.commit();
}

} // namespace

// The maintenance cycle where the real screens' tests leave it: trimmed keys,
// Edit and Delete on an empty key, a refused delete confirmation, a failed
// Save, the row limit, the column sort and the Save endings. The steps a
// screen adds (its checks, refusals and mode steps) are tested with it.
class MaintenanceCycleTest : public testdb::Case {
    Q_OBJECT

private Q_SLOTS:
    // Whatever action reads a list again (opening the screen, Save, Cancel,
    // Delete, View All, a login as another user), the program's timers and
    // sockets run while it fills: seen with the list part filled.
    void everyFillLetsTimersRun_data()
    {
        QTest::addColumn<QString>("action");
        for (const char* a : { "open", "save", "cancel", "delete", "view all", "another user" })
            QTest::newRow(a) << QString(a);
    }
    void everyFillLetsTimersRun()
    {
        QFETCH(QString, action);
        constexpr int lines = 2500;
        constexpr int components = 1500;
        Module1::setSliceMs(0);
        const auto restore = qScopeGuard([] { Module1::setSliceMs(50); });
        gConn().exec(QStringLiteral("with recursive n(i) as (select 0 union all select i + 1 from n where i < ?) "
                                    "insert into line_info (line_id) select 'L' || i from n"),
            { lines - 1 });
        addComponents(components);
        MainWindowFixture::addUser("KEEPER", "Keeper", "KEEP", { "MAN_LINE" });
        int midFill = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&midFill] {
            for (QWidget* w : QApplication::allWidgets()) {
                const auto* grid = qobject_cast<QTableWidget*>(w);
                const auto* list = qobject_cast<QTreeWidget*>(w);
                if ((grid && w->objectName() == "msfgLine" && grid->rowCount() > 0 && grid->rowCount() < lines)
                    || (list && list->topLevelItemCount() > 0 && list->topLevelItemCount() < components))
                    ++midFill;
            }
        });
        ticker.start(0);
        MainWindowFixture f;
        QVERIFY(f.logIn());
        if (action == "view all") {
            auto* s = f.open<Mtc_Comp>("Man_Comp");
            QVERIFY(s);
            midFill = 0;
            s->CHK_ALL->click();
            QCOMPARE(s->LvData->topLevelItemCount(), components);
            QVERIFY(midFill > 0);
            return;
        }
        if (action == "open")
            midFill = 0;
        auto* s = f.open<Mtc_Line>("Man_Line");
        QVERIFY(s);
        if (action != "open")
            midFill = 0;
        if (action == "save") {
            QTest::mouseClick(s->cmdNew, Qt::LeftButton);
            s->txtID->setText("NEW");
            QTest::mouseClick(s->cmdSave, Qt::LeftButton);
        } else if (action == "cancel") {
            QTest::mouseClick(s->cmdNew, Qt::LeftButton);
            QTest::mouseClick(s->cmdCancel, Qt::LeftButton);
        } else if (action == "delete") {
            QTest::mouseClick(s->cmdDelete, Qt::LeftButton);
        } else if (action == "another user") {
            QVERIFY(f.relogIn("KEEPER", "KEEPER"));
        }
        QCOMPARE(s->msfgLine->rowCount(), int(gConn().count("select count(*) from line_info")));
        QVERIFY(midFill > 0);
    }

    void saveEditAndFailedSave()
    {
        addLine("L1");
        MachineScreen s;
        // Edit with an empty key box does nothing.
        s.cmdEdit_Click();
        QCOMPARE(s.EditMode, QString());

        // A key typed with blanks is stored trimmed; other boxes as typed.
        s.cmdNew_Click();
        s.txtID->setText("  MC1 ");
        s.txtDesc->setText(" first ");
        s.cboLine->setEditText("L1");
        s.cmdSave_Click();
        QCOMPARE(s.msfgMachine->item(0, 1)->text() + "|" + s.msfgMachine->item(0, 2)->text(), "MC1| first ");
        // The update time in the form every list shows, on both engines.
        QVERIFY2(QRegularExpression("^\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d$")
                     .match(s.msfgMachine->item(0, 6)->text())
                     .hasMatch(),
            qPrintable(s.msfgMachine->item(0, 6)->text()));

        // A box takes no more than its column holds.
        s.msfgMachine->setCurrentCell(0, 1);
        s.cmdEdit_Click();
        s.txtDesc->setText("changed");
        s.cboLine->setEditText("TOOLONG99");
        QCOMPARE(s.cboLine->currentText(), QStringLiteral("TOOLONG9"));

        // A failed Save is shown and keeps the mode and the boxes as typed,
        // to be saved again once the database takes it.
        gConn().exec("alter table mc_info rename to mc_gone");
        const int loads = s.loads;
        s.cmdSave_Click();
        QCOMPARE(prompter().messages.size(), 1);
        QCOMPARE(s.loads, loads);
        QCOMPARE(s.EditMode, QStringLiteral("Edit"));
        QVERIFY(s.cmdSave->isEnabled() && s.cmdCancel->isEnabled() && !s.msfgMachine->isEnabled());
        QCOMPARE(s.txtID->text() + "|" + s.txtDesc->text() + "|" + s.cboLine->currentText(),
                 QStringLiteral("MC1|changed|TOOLONG9"));
        gConn().exec("alter table mc_gone rename to mc_info");
        s.cmdSave_Click();
        QCOMPARE(testing::queryRows("select mc_desc, line_id from mc_info"), QStringList({"changed|TOOLONG9"}));
    }

    // Delete answered No, found by the trimmed key, or pressed with no row
    // shown; an Edit or Delete of a row removed meanwhile is said.
    void deleteAndEditOfRowsNotThere()
    {
        addLine("L1");
        addMachine("MC1", "L1");
        addMachine("MC2", "L1");
        MachineScreen s;
        s.msfgMachine->setCurrentCell(0, 1);
        prompter().answers.enqueue(msg::Answer::No);
        s.cmdDelete_Click();
        QCOMPARE(s.EditMode, QString());
        QCOMPARE(gConn().count("select count(*) from mc_info"), 2);

        // Found by its trimmed key.
        s.txtID->setText(" MC2  ");
        s.cmdDelete_Click();
        QCOMPARE(gConn().count("select count(*) from mc_info where mc_id = 'MC2'"), 0);

        s.txtID->clear();
        s.cmdDelete_Click();
        QCOMPARE(gConn().count("select count(*) from mc_info"), 1);
        QCOMPARE(prompter().texts(), QStringList(3, "Confirm to delete?"));

        s.msfgMachine->setCurrentCell(0, 1);
        gConn().exec("delete from mc_info");
        s.cmdEdit_Click();
        s.txtDesc->setText("changed");
        s.cmdSave_Click();
        s.cmdDelete_Click();
        const QString gone = QStringLiteral("The record as shown was not found any more; nothing was changed.");
        QCOMPARE(prompter().texts().mid(3), QStringList({gone, "Confirm to delete?", gone}));
        QCOMPARE(gConn().count("select count(*) from mc_info"), 0);
    }

    // Edit and Delete act on the row the user sees highlighted, however it
    // was reached: a click, arrows, Home/End, Ctrl+End. A group the user may
    // not see leaves the boxes empty, never showing the row before it.
    void boxesFollowTheHighlightedRow()
    {
        testing::addGroup("AAA");
        testing::addGroup("BBB");
        for (const char* line : {"L1", "L2", "L3"})
            addLine(line);
        MainWindowFixture::addUser("ADM1", "Admin one", "ADMIN", {"SEC_USER_GROUP", "Man_Line"});
        TROVA_OPEN_SCREEN(f, groups, SYS_UGRP, "SEC_USER_GROUP", "ADM1", "ADM1");
        QTreeWidget* list = groups->lvUserGroup;
        const auto stored = [] { return testing::queryRows("select group_id from user_group order by group_id"); };
        QWidget* keys = list; // where the keys go
        const auto key = [&keys](int k, Qt::KeyboardModifiers m = Qt::NoModifier) {
            QTest::keyClick(keys, Qt::Key(k), m);
        };

        // Focused, nothing highlighted: no row in the boxes.
        list->setFocus(Qt::TabFocusReason);
        QCOMPARE(groups->txtUGid->text(), QString());
        testing::clickRow(list, 1, "AAA");
        key(Qt::Key_Down);
        QCOMPARE(list->currentItem()->text(1), QStringLiteral("ADMIN"));
        QCOMPARE(groups->txtUGid->text() + "|" + groups->txtUGDesc->text(), QStringLiteral("ADMIN|ADMIN group"));
        key(Qt::Key_Down);
        groups->cmdDelete->click(); // Yes
        QCOMPARE(stored(), QStringList({"AAA", "ADMIN", "SYSADMIN"}));

        // The forbidden group, clicked or reached by keys.
        key(Qt::Key_Home);
        QCOMPARE(groups->txtUGid->text(), QStringLiteral("AAA"));
        testing::clickRow(list, 1, "SYSADMIN");
        QCOMPARE(groups->txtUGid->text(), QString());
        key(Qt::Key_Home);
        key(Qt::Key_End);
        QCOMPARE(groups->txtUGid->text(), QString());
        QCOMPARE(prompter().texts().filter("You cannot delete this Group ...").size(), 2);
        groups->cmdDelete->click();
        groups->cmdCancel->click();
        QCOMPARE(stored(), QStringList({"AAA", "ADMIN", "SYSADMIN"}));

        // A grid screen.
        auto* lines = f.open<Mtc_Line>("Man_Line");
        QVERIFY(lines);
        keys = lines->msfgLine;
        testing::clickCell(lines->msfgLine, "L1");
        key(Qt::Key_Down);
        QCOMPARE(lines->txtID->text(), QStringLiteral("L2"));
        // Delete by its access key, the whole road by keyboard.
        QVERIFY(QTest::qWaitForWindowActive(f.main()));
        key(Qt::Key_D, Qt::AltModifier);
        QTRY_COMPARE(testing::queryRows("select line_id from line_info order by line_id"), QStringList({"L1", "L3"}));
        // After the reload the first key lands on the first row.
        key(Qt::Key_Down);
        QCOMPARE(lines->txtID->text(), QStringLiteral("L1"));
        key(Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(lines->txtID->text(), QStringLiteral("L3"));
    }

    // One pick per click, on the highlighted row too, and per move of the
    // highlight by keys, a right click or a drag; none for the focus alone.
    void rowPicksFollowTheHighlight()
    {
        QTreeWidget list;
        Module1::InitList(&list, {"Row"}, {1500});
        for (int i = 0; i < 5; ++i)
            new QTreeWidgetItem(&list, {QString(), QString::number(i)});
        list.resize(300, 300);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        QList<int> picks;
        Module1::OnRowPicked(&list, [&picks](int row, int, bool) { picks << row; });
        const auto at = [&list](int row) { return list.visualItemRect(list.topLevelItem(row)).center(); };
        QWidget* area = list.viewport();

        list.setFocus(Qt::TabFocusReason);
        QTest::mouseClick(area, Qt::LeftButton, {}, at(1));
        QTest::mouseClick(area, Qt::LeftButton, {}, at(1));
        QTest::keyClick(&list, Qt::Key_Down);
        QTest::keyClick(&list, Qt::Key_End);
        QTest::mouseClick(area, Qt::RightButton, {}, at(0));
        QTest::mousePress(area, Qt::LeftButton, {}, at(1));
        QTest::mouseMove(area, at(3));
        QTest::mouseRelease(area, Qt::LeftButton, {}, at(3));
        QCOMPARE(list.currentItem()->text(1), QStringLiteral("3"));
        QCOMPARE(picks, QList<int>({1, 1, 2, 4, 0, 3}));
    }

    void formLoadCentresTheFrameOnce()
    {
        QMdiArea area;
        area.resize(1200, 900);
        area.show();
        auto* s = new MachineScreen;
        s->resize(400, 300);
        QMdiSubWindow* sub = area.addSubWindow(s);
        sub->show();
        // In the work area, not on the display.
        const QSize free = area.viewport()->size() - sub->size();
        QCOMPARE(sub->pos(), QPoint(free.width() / 2, free.height() / 8));
        sub->move(5, 5);
        sub->hide();
        sub->show();
        QCOMPARE(sub->pos(), QPoint(5, 5));
        // A frame larger than the area keeps its title bar in reach.
        QMdiSubWindow* big = area.addSubWindow(new MachineScreen);
        big->resize(1600, 1000);
        big->show();
        QCOMPARE(big->pos(), QPoint(0, 0));
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
    }

    // The list-view side, on the component screen: the row limit and "View
    // All", one sort order for all columns, Save ending in Cancel.
    void listViewLimitSortAndCancelEnding()
    {
        gConn().exec("insert into component_group (group_id) values ('G')");
        addComponents(100);
        Mtc_Comp s;
        addComponents(1, 100);
        const auto top = [&s] { return s.LvData->topLevelItem(0)->text(1); };
        // A list of exactly the limit reloads when ticked; a longer one stays
        // until the next reload, which has the limit again.
        s.CHK_ALL->click();
        QCOMPARE(s.LvData->topLevelItemCount(), 101);
        s.CHK_ALL->click();
        QCOMPARE(s.LvData->topLevelItemCount(), 101);
        s.cmdCancel_Click();
        QCOMPARE(s.LvData->topLevelItemCount(), 100);
        QCOMPARE(top(), QStringLiteral("C0000000100"));

        s.LvData->header()->sectionClicked(2); // first click: descending by description
        QCOMPARE(top(), QStringLiteral("C0000000099"));
        s.LvData->header()->sectionClicked(1); // any column next: ascending
        QCOMPARE(top(), QStringLiteral("C0000000001"));

        s.cmdNew_Click();
        s.txtID->setText("C0000000999");
        s.cboGP->setCurrentIndex(s.cboGP->findText("G"));
        s.txtDesc->setText("new");
        s.cmdSave_Click();
        QCOMPARE(s.txtID->text() + s.txtDesc->text(), QString());
        QCOMPARE(top(), QStringLiteral("C0000000999"));
    }
};

TROVA_TEST(MaintenanceCycleTest)
#include "tst_MaintenanceCycle.moc"
