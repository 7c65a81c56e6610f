#include "DbRows.h"
#include "ExportCatcher.h"
#include "MainWindowFixture.h"
#include "OPT_Component.h"
#include "SetupTestKit.h"
#include "TestDb.h"
#include "TestMain.h"
#include "Widgets.h"
#include "app/Module1.h"
#include "frmMain.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>

using Module1::gConn;
using testing::comboItems;
using testing::prompter;

namespace {

void seedLineSet()
{
    gConn().exec("insert into line_set (line_id, proj_id, part_no, mc_id, gw21_ip, dt200_id) values "
                 "('L1', 'PR1', 'P1', 'M1', '10.0.0.5', '005'), ('L1', 'PR1', 'P2', 'M1', '10.0.0.5', '012'), "
                 "('L2', 'PR2', 'P3', 'M3', '10.0.0.6', '001')");
}

void store(const QString& md, const QString& slot, const QString& comp, const QString& part = "P1")
{
    gConn().exec("insert into component_set (line_id, part_no, mc_id, md_id, slot_code, comp_code, update_user, "
                 "update_time) values ('L1', ?, 'M1', ?, ?, ?, 'OLD', sysdate)",
        { part, md, slot, comp });
}

QStringList stored()
{
    return testing::queryRows("select part_no, md_id, slot_code, comp_code from component_set "
                              "order by part_no, md_id, slot_code");
}

QStringList journal()
{
    return testing::queryRows("select action, line_id, part_no, mc_id, md_id, slot_code, from_comp, to_comp, "
                              "update_user from set_hist order by slot_code, action");
}

QTreeWidgetItem* node(const OPT_Component& s, const QString& text)
{
    const auto found = s.TV->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.first();
}

} // namespace

// The component set-up screen: the overview of a machine, the cascade of
// the selectors, marking and assigning through the tree, Save in its three
// modes with the journal, its failures and the import.
class ComponentTest : public testdb::Case {
    Q_OBJECT

    testing::ExportCatcher m_exports;

    void prepare() override
    {
        kit::seedPlant();
        seedLineSet();
    }

private Q_SLOTS:
    void newSetsEverySlotOfTheModule()
    {
        store("MD1", "S1", "C100");
        store("MD1", "S2", "C200");
        OPT_Component s;
        s.cmdNew->click();
        s.cmdSave->click();
        QCOMPARE(prompter().texts(), QStringList({ "The Parameter cannot be null ..." }));

        testing::choose(s.cboLine, "L1");
        QCOMPARE(comboItems(s.cboPart), QStringList({ "P1", "P2" }));
        testing::choose(s.cboPart, "P1");
        QCOMPARE(comboItems(s.cboMC), QStringList({ "M1" }));
        testing::choose(s.cboMC, "M1");
        testing::choose(s.cboMD, "MD1");
        QCOMPARE(testing::gridRows(s.MFGdata, 2), QStringList({ "S1|C100", "S2|C200", "S3|" }));

        // A component sets the marked slot (one at a time), a group clears it.
        s.MFGdata_Click(2);
        s.TV_NodeClick(node(s, "C300"));
        s.MFGdata_Click(1);
        s.TV_NodeClick(node(s, "G1"));
        s.MFGdata_Click(0);
        s.TV_NodeClick(node(s, "C200"));
        QCOMPARE(testing::gridRows(s.MFGdata, 2), QStringList({ "S1|C200", "S2|", "S3|C300" }));

        s.cmdSave->click();
        QCOMPARE(journal(),
            QStringList({ "Update|L1|P1|M1|MD1|S1|C100|C200|SYSADMIN", "Delete|L1|P1|M1|MD1|S2|C200||SYSADMIN",
                "Insert|L1|P1|M1|MD1|S3||C300|SYSADMIN" }));
    }

    // The overview of a machine. Edit and Delete act on the module of the
    // overview row clicked last, also when two part numbers are set up on one
    // module of the same name. Then the import over what is stored.
    void editDeleteAndImport()
    {
        store("MD1", "S1", "C100");
        store("MD1", "S2", "C200");
        store("MD1", "S9", "C300"); // a slot the module no longer has
        store("MD2", "S1", "C100");
        store("MD1", "S1", "C200", "P2");
        OPT_Component s;
        testing::choose(s.cboMC, "M1");
        QCOMPARE(testing::gridRows(s.msfgInfo, 6),
            QStringList({ "L1|P1|M1|MD1|S1|C100", "L1|P1|M1|MD1|S2|C200", "L1|P1|M1|MD1|S9|C300",
                "L1|P1|M1|MD2|S1|C100", "L1|P2|M1|MD1|S1|C200" }));
        // Equal neighbours are shown as one cell, never across a module.
        QCOMPARE(s.msfgInfo->rowSpan(0, 4), 3);
        QCOMPARE(s.msfgInfo->rowSpan(3, 5), 1); // S1 again, but of another module
        s.msfgInfo->setCurrentCell(0, 6);
        s.cmdEdit->click();
        // The stored slots only.
        QCOMPARE(testing::gridRows(s.MFGdata, 2), QStringList({ "S1|C100", "S2|C200", "S9|C300" }));
        s.MFGdata_Click(0);
        s.TV_NodeClick(node(s, "C300"));
        s.cmdSave->click();
        QCOMPARE(journal(), QStringList({ "Update|L1|P1|M1|MD1|S1|C100|C300|SYSADMIN" }));

        // Delete with no row marked writes nothing.
        testing::choose(s.cboMC, "M1");
        s.msfgInfo->setCurrentCell(0, 6);
        s.cmdDelete->click();
        QCOMPARE(prompter().texts(), QStringList({ "Confirm to delete?" }));
        QCOMPARE(stored().size(), 5);

        // A row shows its module's slots with what is stored on them.
        testing::choose(s.cboMC, "M1");
        s.msfgInfo->setCurrentCell(0, 6);
        QCOMPARE(testing::gridRows(s.MFGdata, 2), QStringList({ "S1|C300", "S2|C200", "S3|" }));
        s.msfgInfo->setCurrentCell(4, 6);
        QCOMPARE(testing::gridRows(s.MFGdata, 2), QStringList({ "S1|C200", "S2|", "S3|" }));
        s.MFGdata_Click(0);
        s.cmdDelete->click();
        QCOMPARE(stored(), QStringList({ "P1|MD1|S1|C300", "P1|MD1|S2|C200", "P1|MD1|S9|C300", "P1|MD2|S1|C100" }));

        // Another machine: its overview, and the old module's slots are gone.
        testing::choose(s.cboMC, "M3");
        QCOMPARE(s.msfgInfo->rowCount(), 0);
        QCOMPARE(s.MFGdata->rowCount(), 0);
        QCOMPARE(s.cboLine->currentText(), QString());

        // The import checks each row, replaces a stored component and
        // writes no journal.
        const QString file = m_exports.writeSheet("components.xlsx",
            { { "Line", "Part", "Machine", "Module", "Slot", "Comp" }, { "L1", "P1", "M1", "MD1", "S1", "C100" },
                { "L1", "P1", "M1", "MD1", "S2", "C300" } });
        prompter().files.enqueue(file);
        s.cmdImport->click();
        QVERIFY(testing::errorLogText().contains("  Cannot found the Part No P1 and the Component C300 relations"));
        QCOMPARE(stored(), QStringList({ "P1|MD1|S1|C100", "P1|MD1|S2|C200", "P1|MD1|S9|C300", "P1|MD2|S1|C100" }));
        QCOMPARE(journal().size(), 2);
    }

    // At the size the work area opens it, every code in the tree shows
    // whole; a slot row is marked with Space and given a component with
    // Return, as clicks do.
    void wholeCodesAndTheKeyboard()
    {
        // Codes as long as the column holds, differing in the last digit.
        const QString one = "C" + QString(28, '0') + "1", two = "C" + QString(28, '0') + "2";
        for (const QString& code : { one, two })
            testing::addRow("component_list", { "comp_code", "group_id", "method_type", "vender_name" },
                { code, "G2", "MP", "NIL" });
        OPT_Component s;
        s.resize(s.sizeHint());
        s.show();
        QVERIFY(QTest::qWaitForWindowExposed(&s));
        s.cmdNew->click();
        for (auto [box, text] :
            { std::pair { s.cboLine, "L1" }, { s.cboPart, "P1" }, { s.cboMC, "M1" }, { s.cboMD, "MD1" } })
            testing::choose(box, text);
        s.TV->expandAll();
        QCoreApplication::processEvents();
        const int icon = s.TV->style()->pixelMetric(QStyle::PM_SmallIconSize);
        for (const QString& code : { one, two }) {
            const int need = s.TV->fontMetrics().horizontalAdvance(code) + icon;
            const int shown = s.TV->visualItemRect(node(s, code)).width();
            QVERIFY2(shown >= need, qPrintable(QString("%1 < %2").arg(shown).arg(need)));
        }
        QVERIFY(s.TV->columnWidth(0) > s.TV->viewport()->width());
        QVERIFY(s.TV->horizontalScrollBar()->maximum() > 0);

        s.MFGdata->setFocus();
        s.MFGdata->setCurrentCell(0, 1);
        QTest::keyClick(s.MFGdata, Qt::Key_Down);
        QTest::keyClick(s.MFGdata, Qt::Key_Space);
        s.TV->setFocus();
        s.TV->setCurrentItem(node(s, two));
        QTest::keyClick(s.TV, Qt::Key_Return);
        QCOMPARE(testing::gridRows(s.MFGdata, 2), QStringList({ "S1|", "S2|" + two, "S3|" }));
        QCOMPARE(s.MFGdata->item(1, 0)->text(), OPT_Component::markText());
        QVERIFY(s.MFGdata->columnWidth(2) > s.MFGdata->fontMetrics().horizontalAdvance(two));
        s.cmdSave->click();
        testing::choose(s.cboMC, "M1");
        QVERIFY(testing::gridRows(s.msfgInfo, 6).contains("L1|P1|M1|MD1|S2|" + two));
        QVERIFY(s.msfgInfo->columnWidth(6) > s.msfgInfo->fontMetrics().horizontalAdvance(two));
    }

    // Through the main window by keys alone: New leaves the focus in the
    // line box; Tab goes from box to box into the slot grid, Space marks a
    // slot, Tab reaches the tree, whose Return assigns the component, and
    // Shift+Tab leads back.
    void keyboardAlone()
    {
        TROVA_OPEN_SCREEN(f, s, OPT_Component, "OPR_Comp_SET");
        QVERIFY(QTest::qWaitForWindowActive(f.main()));
        s->cmdNew->setFocus();
        QTest::keyClick(s->cmdNew, Qt::Key_Space);
        QCOMPARE(QApplication::focusWidget(), s->cboLine);
        for (auto [box, text] :
            { std::pair { s->cboLine, "L1" }, { s->cboPart, "P1" }, { s->cboMC, "M1" }, { s->cboMD, "MD1" } })
            testing::choose(box, text);
        auto press = [](std::initializer_list<Qt::Key> keys) {
            for (Qt::Key key : keys)
                QTest::keyClick(QApplication::focusWidget(), key);
            return QApplication::focusWidget();
        };
        QCOMPARE(press({ Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab }), s->MFGdata); // the overview is off
        press({ Qt::Key_Down, Qt::Key_Space });
        QCOMPARE(press({ Qt::Key_Tab }), s->TV);
        // The last group, opened: its first component.
        press({ Qt::Key_End, Qt::Key_Right, Qt::Key_Down, Qt::Key_Return });
        QCOMPARE(testing::gridRows(s->MFGdata, 2), QStringList({ "S1|", "S2|C300", "S3|" }));
        QCOMPARE(press({ Qt::Key_Backtab }), s->MFGdata);
        QCOMPARE(press({ Qt::Key_Backtab }), s->cboMD);
    }

    // Another workstation holds the set-up while Edit reads the module's
    // slots: one error, the screen as it was, and Edit works once it lets go.
    void editWhileTheSetupIsLocked()
    {
        if (gConn().engine() != db::Engine::PostgreSQL)
            QSKIP("readers never wait on SQLite");
        store("MD1", "S1", "C100");
        OPT_Component s;
        testing::choose(s.cboMC, "M1");
        s.msfgInfo->setCurrentCell(0, 6);
        const auto shown = [&s] {
            QStringList state{s.EditMode};
            for (QWidget* w : std::initializer_list<QWidget*>{s.cmdNew, s.cmdEdit, s.cmdDelete, s.cmdSave,
                                                             s.cmdCancel, s.cmdImport, s.msfgInfo, s.TV, s.cboLine})
                state << QString::number(w->isEnabled());
            return state + testing::gridRows(s.MFGdata, 2);
        };
        const QStringList before = shown();
        {
            testdb::TableLock lock("component_set");
            QTest::mouseClick(s.cmdEdit, Qt::LeftButton);
            QCOMPARE(prompter().messages.size(), 1);
            QCOMPARE(prompter().last().title, QStringLiteral("ERROR"));
            QCOMPARE(shown(), before);
            QCOMPARE(lock.release(), QString());
        }
        QTest::mouseClick(s.cmdEdit, Qt::LeftButton);
        QCOMPARE(s.EditMode, QStringLiteral("Edit"));
        QVERIFY(s.cmdSave->isEnabled());
        QCOMPARE(testing::gridRows(s.MFGdata, 2), QStringList({"S1|C100"}));
    }

    void saveFailures()
    {
        // A write the database refuses: its text is shown, and the screen
        // keeps the user's work.
        OPT_Component s;
        s.cmdNew->click();
        for (auto [box, text] :
            { std::pair { s.cboLine, "L1" }, { s.cboPart, "P1" }, { s.cboMC, "M1" }, { s.cboMD, "MD1" } })
            testing::choose(box, text);
        s.MFGdata->item(0, 2)->setText(QString(40, 'X'));
        s.cmdSave->click();
        QCOMPARE(prompter().messages.size(), 1);
        QCOMPARE(s.EditMode, QStringLiteral("New"));
        QCOMPARE(s.MFGdata->rowCount(), 3);

        // A duplicate the database refuses (here a journal row it already
        // holds): the rows before stay, and the screen shows what is stored.
        gConn().exec("create unique index ux_test_hist on set_hist (slot_code)");
        gConn().exec("insert into set_hist (action, slot_code) values ('Insert', 'S2')");
        s.MFGdata->item(0, 2)->setText("C100");
        s.MFGdata->item(1, 2)->setText("C200");
        s.cmdSave->click();
        QCOMPARE(prompter().messages.size(), 1);
        QCOMPARE(stored(), QStringList({ "P1|MD1|S1|C100" }));
        QCOMPARE(s.MFGdata->rowCount(), 0);
    }
};

TROVA_TEST(ComponentTest)
#include "tst_Component.moc"
