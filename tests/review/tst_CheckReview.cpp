#include "MainWindowFixture.h"
#include "OPT_Approve_Report.h"
#include "OPT_Throw_QTY.h"
#include "ExcelExport.h"
#include "ScriptedPrompter.h"
#include "TestDb.h"
#include "TestMain.h"
#include "TraceFixture.h"
#include "app/Module1.h"
#include "workbook/Workbook.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using Module1::gConn;
using namespace tracefix;

namespace {

testing::ScriptedPrompter& prompter()
{
    return *testing::ScriptedPrompter::current();
}

void selectRow(QTreeWidget* list, int r)
{
    list->setCurrentItem(list->topLevelItem(r));
}

QString approverOf(qlonglong id)
{
    return gConn().query("select approve_user from check_history where check_id = ?", {id}).text("approve_user");
}

} // namespace

// The approval and throw-quantity screens, opened from the main window.
class CheckReviewTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QStringList m_opened;

private Q_SLOTS:
    void initTestCase_data() { testdb::addBackendRows(); }
    void initTestCase()
    {
        Module1::setExportFolder(m_dir.path());
        Module1::setWorkbookOpener([this](const QString& path) {
            m_opened << path;
            return true;
        });
    }
    void cleanupTestCase()
    {
        Module1::setExportFolder(QString());
        Module1::setWorkbookOpener([](const QString&) { return false; });
    }
    void init()
    {
        TESTDB_INIT();
        prompter().clear();
        m_opened.clear();
        masterData();
        Module1::setClock([] { return kT0.addSecs(3600); });
    }
    void cleanup() { Module1::setClock(nullptr); }

    void approveExactlyTheChosenRecord()
    {
        // The same second, machine, module, slot, part number and user on two
        // terminals of the gateway.
        const qlonglong mine = addCheck({.at = 5});
        const qlonglong twin = addCheck({.at = 5, .terminal = "012"});
        const qlonglong free = addCheck({.part = "P2", .at = 6});
        addCheck({.at = 7, .user = "GHOST"});
        addCheck({.at = 8, .value = "1"});

        MainWindowFixture w;
        QVERIFY(w.logIn());
        auto* s = w.open<OPT_Approve_Report>("OPR_Approve");
        QVERIFY(s);
        QCOMPARE(s->windowTitle(), QString("Operation - Approve Report"));
        QCOMPARE(s->DTfrom->dateTime(), QDateTime(QDate(2026, 3, 9), QTime(0, 0, 1)));
        QCOMPARE(s->DTto->dateTime(), kT0.addSecs(3600));
        QCOMPARE(s->cboGW21->count(), 2);
        QCOMPARE(s->cboGW21->currentText(), QString("10.0.0.5"));
        QCOMPARE(s->cboDT200->currentText(), QString("005"));
        QCOMPARE(s->txtDesc->text(), QString("L1  M1"));

        s->cmdsearch->click();
        QCOMPARE(s->LvData->topLevelItemCount(), 3);
        QCOMPARE(row(s->LvData, 0).mid(0, 8),
                 QStringList({"03/10/2026 08:00:05", "Line one", "M1", "MD1", "S1", "P1", "Board", "C1"}));
        QCOMPARE(row(s->LvData, 0).mid(17), QStringList({"U1", "Operator", "Not approved", "1"}));
        QCOMPARE(row(s->LvData, 1).mid(19), QStringList({"Need not be approved", "0"}));
        QCOMPARE(row(s->LvData, 2).mid(17), QStringList({"GHOST", "", "Not approved", "1"}));
        QVERIFY(s->LvData->isColumnHidden(21));

        // Needs no approval: nothing asked, nothing written.
        selectRow(s->LvData, 1);
        s->cmdApprove->click();
        QCOMPARE(prompter().messages.size(), 0);
        QCOMPARE(approverOf(free), QString());

        selectRow(s->LvData, 0);
        prompter().answers << msg::Answer::No;
        s->cmdApprove->click();
        QCOMPARE(prompter().texts(), QStringList({"Are you sure approve this record?"}));
        QCOMPARE(approverOf(mine), QString());

        prompter().clear();
        s->cmdApprove->click();
        QCOMPARE(prompter().texts(), QStringList({"Are you sure approve this record?", "Update successful!"}));
        QCOMPARE(approverOf(mine), QString("SYSADMIN"));
        QCOMPARE(approverOf(twin), QString());
        QCOMPARE(row(s->LvData, 0).at(19), QString("Approved by System Administrator"));

        // The record vanished since the search: said, not reported as done.
        gConn().exec("delete from check_history where check_id = ?", {mine});
        prompter().clear();
        selectRow(s->LvData, 0);
        s->cmdApprove->click();
        QCOMPARE(prompter().messages.size(), 2);
        QVERIFY(prompter().last().text.contains("nothing was updated"));
        QCOMPARE(s->LvData->topLevelItemCount(), 2);

        // Export leaves out the hidden flag column.
        s->cmdExport->click();
        QCOMPARE(m_opened.size(), 1);
        const auto sheet = workbook::readFirstSheet(m_opened.last());
        QVERIFY(sheet);
        QCOMPARE(sheet->size(), 3);
        QCOMPARE(sheet->at(0).size(), 20);
        QCOMPARE(sheet->at(0).first(), QString("Update Time"));
        QCOMPARE(sheet->at(0).last(), QString("Approve Status"));

        // A failing search is shown, not taken for an empty result.
        gConn().exec("drop table part_info");
        prompter().clear();
        s->cmdsearch->click();
        QCOMPARE(prompter().messages.size(), 1);
        QCOMPARE(prompter().last().icon, msg::Icon::Critical);
        QCOMPARE(s->LvData->topLevelItemCount(), 0);

        // A gateway without terminals: the search only clears the list.
        s->cboGW21->setCurrentIndex(1);
        QCOMPARE(s->cboDT200->count(), 0);
        QCOMPARE(s->txtDesc->text(), QString());
        s->cmdsearch->click();
        QCOMPARE(s->LvData->topLevelItemCount(), 0);
    }

    void throwQuantityOfTheChosenRecord()
    {
        const qlonglong mine = addCheck({.at = 5});
        const qlonglong twin = addCheck({.at = 5, .terminal = "012"});
        addCheck({.at = 7, .user = "GHOST"}); // unknown user: not listed here

        MainWindowFixture w;
        QVERIFY(w.logIn());
        auto* s = w.open<OPT_Throw_QTY>("OPR_Throw_QTY");
        QVERIFY(s);
        QCOMPARE(s->windowTitle(), QString("Operation - Throw QTY"));
        QCOMPARE(s->cboProj->currentText(), QString("PRJ"));
        QCOMPARE(s->cboPart->count(), 2);
        QCOMPARE(s->cboPart->currentText(), QString("P1"));
        s->cmdsearch->click();
        QCOMPARE(s->LvData->topLevelItemCount(), 2);
        QCOMPARE(s->LvData->columnCount(), 20);
        QCOMPARE(row(s->LvData, 1).at(17), QString("U1"));

        // Digits only, typed or pasted.
        s->txtQTY->clear();
        QTest::keyClicks(s->txtQTY, "1a-2.");
        QCOMPARE(s->txtQTY->text(), QString("12"));
        QApplication::clipboard()->setText("4x");
        s->txtQTY->paste();
        QCOMPARE(s->txtQTY->text(), QString("12"));
        QApplication::clipboard()->setText("5");
        s->txtQTY->paste();
        QCOMPARE(s->txtQTY->text(), QString("125"));

        selectRow(s->LvData, 1);
        s->cmdSave->click();
        QCOMPARE(prompter().texts(), QStringList({"Update successful!"}));
        QCOMPARE(gConn().query("select throw_qty, throw_user from check_history where check_id = ?", {twin}).text(0),
                 QString("125"));
        QVERIFY(gConn().query("select throw_qty from check_history where check_id = ?", {mine}).isNull("throw_qty"));
        QCOMPARE(s->txtQTY->text(), QString("125"));
        QCOMPARE(row(s->LvData, 1).at(16), QString("125"));

        // A row click copies its quantity; an empty one empties the box, and
        // saving it clears the record's quantity.
        QTreeWidgetItem* item = s->LvData->topLevelItem(1);
        s->LvData->setCurrentItem(item);
        Q_EMIT s->LvData->itemClicked(item, 1);
        QCOMPARE(s->txtQTY->text(), QString("125"));
        s->txtQTY->clear();
        s->cmdSave->click();
        QVERIFY(gConn().query("select throw_qty from check_history where check_id = ?", {twin}).isNull("throw_qty"));
        QCOMPARE(gConn().query("select throw_user from check_history where check_id = ?", {twin}).text(0),
                 QString("SYSADMIN"));

        // A project without part numbers: the search only clears the list.
        s->cboProj->setCurrentText("PRJ2");
        QCOMPARE(s->cboPart->count(), 0);
        s->cmdsearch->click();
        QCOMPARE(s->LvData->topLevelItemCount(), 0);
        prompter().clear();
        s->cmdSave->click();
        QCOMPARE(prompter().messages.size(), 0);
    }
};

TROVA_TEST(CheckReviewTest)
#include "tst_CheckReview.moc"
