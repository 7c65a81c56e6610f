#include "Checks.h"
#include "DbRows.h"
#include "ExportCatcher.h"
#include "ListTools.h"
#include "MainWindowFixture.h"
#include "OPT_Approve_Report.h"
#include "OPT_Load_SN.h"
#include "OPT_Throw_QTY.h"
#include "QueryModel.h"
#include "ScriptedPrompter.h"
#include "SimGateway.h"
#include "TestDb.h"
#include "TestMain.h"
#include "Widgets.h"
#include "frmMain.h"
#include "app/Module1.h"
#include "terminal/ScanDialogue.h"
#include "trace/CheckReview.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTreeView>

using Module1::gConn;
using testing::prompter;
using testing::queryRows;

namespace {

const QDateTime kT0(QDate(2026, 3, 10), QTime(8, 0, 0));

// Project PRJ with part numbers P1 (needs approval) and P2 (does not); line
// L1 "Line one"; machine M1 on gateway 10.0.0.1 (terminals 001 and 012);
// component C1 under the vendor "nil"; user U1.
void masterData()
{
    db::Database& c = gConn();
    c.exec("insert into proj_info (proj_id, proj_desc) values ('PRJ', 'Project')");
    c.exec("insert into part_info (part_no, part_desc, proj_id, approve) "
           "values ('P1', 'Board', 'PRJ', '1'), ('P2', 'Cable', 'PRJ', '0')");
    c.exec("insert into line_info (line_id, line_desc) values ('L1', 'Line one')");
    c.exec("insert into component_list (comp_code, comp_desc, group_id, method_type, vender_name) "
           "values ('C1', 'Capacitor', 'G', 'MP', 'nil'), ('C2', 'Resistor', 'G', 'MP', 'NIL')");
    c.exec("insert into user_list (user_id, user_name) values ('U1', 'Operator')");
    c.exec("insert into dt200_info (gw21_ip, dt200_id) values ('10.0.0.1', '001'), ('10.0.0.1', '012')");
    c.exec("insert into line_set (line_id, proj_id, part_no, mc_id, gw21_ip, dt200_id) values "
           "('L1', 'PRJ', 'P1', 'M1', '10.0.0.1', '001'), ('L1', 'PRJ', 'P1', 'M1', '10.0.0.1', '012')");
    c.exec("insert into component_set (line_id, part_no, mc_id, md_id, slot_code, comp_code) "
           "values ('L1', 'P1', 'M1', 'D1', 'S1', 'C1'), ('L1', 'P1', 'M1', 'D1', 'S2', 'C2')");
}

qlonglong addCheck(int at, testing::Check c = {})
{
    c.time = kT0.addSecs(at);
    return testing::addCheck(c);
}

QString approverOf(qlonglong id)
{
    return gConn().scalar("select approve_user from check_history where check_id = ?", {id}).toString();
}

void leave(QLineEdit* box, Qt::FocusReason reason = Qt::TabFocusReason)
{
    QFocusEvent out(QEvent::FocusOut, reason);
    QApplication::sendEvent(box, &out);
}

void enterSerial(OPT_Load_SN* s, const QString& serial)
{
    s->txtSN->setText(serial);
    QTest::keyClick(s->txtSN, Qt::Key_Return);
}

QStringList serials(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

// Two slots of P1 on M1, loaded before panel 4 and 5, a mismatch, and a
// later panel 6 whose new reel must not reach panel 5's snapshot.
void loadHistory()
{
    addCheck(-8 * 86400, {.lot = "ANCIENT", .panel = "1"});
    addCheck(10, {.lot = "A1", .panel = "4"});
    addCheck(10, {.value = "1", .lot = "WRONG", .panel = "4"});
    addCheck(20, {.slot = "S2", .comp = "C2", .lot = "A2", .panel = "5"});
    addCheck(30, {.lot = "A3", .panel = "6"});
}

// Waits until the screen's list has read its last row.
void filled(ReviewScreen* s)
{
    QTRY_VERIFY(!s->runner()->running());
}

template <typename Screen>
void search(Screen* s)
{
    s->cmdsearch->click();
    filled(s);
}

void choose(QTreeView* list, int row)
{
    list->setCurrentIndex(list->model()->index(row, 1));
}

QStringList rowTexts(ReviewScreen* s, int row)
{
    return s->model()->cells(row);
}

struct Link : monitor::TerminalLink
{
    bool sendFrame(const QByteArray&, QString*) override { return true; }
};

} // namespace

// The approval, throw-quantity and serial-number loading screens, opened from
// the main window, and scans through the terminal dialogue whose checks are
// then listed for approval and taken into a panel's snapshot on those screens.
class CheckReviewTest : public testdb::Case
{
    Q_OBJECT

    testing::ExportCatcher m_exports;

    void prepare() override
    {
        m_exports.clear();
        masterData();
        Module1::setClock([] { return kT0.addSecs(3600); });
    }

private Q_SLOTS:
    void cleanup()
    {
        prompter().onMessage = nullptr;
        Module1::setClock(nullptr);
    }

    // Both screens act on exactly the record chosen, also beside a twin of
    // the same second, machine, module, slot, part number and user on
    // another terminal of the gateway.
    void approveAndThrowQuantityOfTheChosenRecord()
    {
        const qlonglong mine = addCheck(5);
        const qlonglong twin = addCheck(5, {.terminal = "012"});
        const qlonglong free = addCheck(6, {.part = "P2"});
        addCheck(7, {.user = "GHOST"}); // unknown user: on the approval list only
        addCheck(8, {.value = "1"});
        addCheck(9, {.approveValue = "0"});

        TROVA_OPEN_SCREEN(w, t, OPT_Throw_QTY, "OPR_Throw_QTY");
        search(t);
        QCOMPARE(t->model()->rowCount(), 3);

        // Digits only, typed or pasted.
        choose(t->LvData, 1);
        QTest::keyClicks(t->txtQTY, "1a-2.");
        QApplication::clipboard()->setText("4x");
        t->txtQTY->paste();
        QApplication::clipboard()->setText("5");
        t->txtQTY->paste();
        QCOMPARE(t->txtQTY->text(), QString("125"));
        t->cmdSave->click();
        filled(t);
        const QString quantity = "select throw_qty, throw_user from check_history where check_id = ?";
        QCOMPARE(queryRows(quantity, {twin}), QStringList({"125|SYSADMIN"}));
        QCOMPARE(queryRows(quantity, {mine}), QStringList({"|"}));

        // A number the column would round is refused; the record keeps its own.
        for (const QString typed : {"99999999999999999999999", "9223372036854775808"}) {
            choose(t->LvData, 1);
            t->txtQTY->setText(typed);
            prompter().clear();
            t->cmdSave->click();
            QCOMPARE(prompter().texts(),
                     QStringList({"The Throw QTY must be a whole number from 0 to 9223372036854775807 ..."}));
            QCOMPARE(queryRows(quantity, {twin}), QStringList({"125|SYSADMIN"}));
        }

        // By keys: a row reached with the arrows shows its own quantity, and
        // Save pressed by its access key stores the box for that row.
        QVERIFY(QTest::qWaitForWindowActive(w.main()));
        testing::clickRow(t->LvData, 0);
        QTest::keyClick(t->LvData, Qt::Key_Down);
        QCOMPARE(t->txtQTY->text(), QString("125"));
        QTest::keyClick(t->LvData, Qt::Key_Up);
        QCOMPARE(t->txtQTY->text(), QString());
        QTest::keyClicks(t->txtQTY, "8");
        QTest::keyClick(t->txtQTY, Qt::Key_V, Qt::AltModifier);
        QTRY_COMPARE(queryRows(quantity, {mine}), QStringList({"8|SYSADMIN"}));
        filled(t);
        QCOMPARE(queryRows(quantity, {twin}), QStringList({"125|SYSADMIN"}));

        // A row click copies its quantity; an empty one empties the box, and
        // saving it clears the record's quantity.
        testing::clickRow(t->LvData, 1);
        QCOMPARE(t->txtQTY->text(), QString("125"));
        t->txtQTY->clear();
        t->cmdSave->click();
        filled(t);
        QCOMPARE(queryRows(quantity, {twin}), QStringList({"|SYSADMIN"}));

        auto* s = w.open<OPT_Approve_Report>("OPR_Approve");
        QVERIFY(s);
        prompter().clear();
        search(s);
        QCOMPARE(s->model()->rowCount(), 3);
        QCOMPARE(rowTexts(s, 0).mid(0, 8),
                 QStringList({"03/10/2026 08:00:05", "Line one", "M1", "D1", "S1", "P1", "Board", "C1"}));
        QCOMPARE(rowTexts(s, 0).mid(17), QStringList({"U1", "Operator", "Not approved", "1"}));
        QCOMPARE(rowTexts(s, 1).mid(19), QStringList({"Need not be approved", "0"}));
        QCOMPARE(rowTexts(s, 2).mid(17), QStringList({"GHOST", "", "Not approved", "1"}));

        // Needs no approval: nothing asked, nothing written.
        choose(s->LvData, 1);
        s->cmdApprove->click();
        QCOMPARE(prompter().messages.size(), 0);
        QCOMPARE(approverOf(free), QString());

        choose(s->LvData, 0);
        prompter().answers << msg::Answer::No;
        s->cmdApprove->click();
        QCOMPARE(approverOf(mine), QString());
        prompter().clear();
        s->cmdApprove->click();
        QCOMPARE(prompter().texts(), QStringList({"Are you sure approve this record?", "Update successful!"}));
        filled(s);
        QCOMPARE(approverOf(mine), QString("SYSADMIN"));
        QCOMPARE(approverOf(twin), QString());

        // The record vanished since the search: said, not reported as done.
        gConn().exec("delete from check_history where check_id = ?", {mine});
        prompter().clear();
        choose(s->LvData, 0);
        s->cmdApprove->click();
        QCOMPARE(prompter().messages.size(), 2);
        QVERIFY(prompter().last().text.contains("nothing was updated"));
        filled(s);

        // Export leaves out the hidden flag column.
        s->cmdExport->click();
        QVERIFY(!m_exports.lastRows().isEmpty());
        QCOMPARE(m_exports.lastRows().at(0).last(), QString("Approve Status"));

        // A failing search is shown, not taken for an empty result.
        gConn().exec("drop table part_info");
        prompter().clear();
        search(s);
        QCOMPARE(prompter().messages.size(), 1);
        QCOMPARE(prompter().last().icon, msg::Icon::Critical);
        QCOMPARE(s->model()->rowCount(), 0);
    }

    // A long list shows its rows as they come and stops like a query's;
    // the export waits for its end, and after a stop for a search that
    // reads to the end; Approve and Save act on the row chosen among the
    // rows listed so far.
    void rowsAreActedOnAsListed()
    {
        gConn().exec("with recursive n(i) as (select 1 union all select i + 1 from n where i < 1000) "
                     "insert into check_history (line_id, part_no, mc_id, md_id, slot_code, comp_code, gw21_ip, "
                     "dt200_id, check_value, approve_value, update_user, update_time, link_id) "
                     "select 'L1', 'P1', 'M1', 'D1', 'S1', 'C1', '10.0.0.1', '001', '0', '1', 'U1', ?, 'LK' || i "
                     "from n",
                     {kT0.addSecs(60)});
        TROVA_OPEN_SCREEN(w, s, OPT_Approve_Report, "OPR_Approve");
        auto* t = w.open<OPT_Throw_QTY>("OPR_Throw_QTY");
        QVERIFY(t);
        QStringList exportWhileFilling;
        const auto stopAtFirstBatch = [&](ReviewScreen* screen, QPushButton* exportButton) {
            return connect(screen->model(), &QAbstractItemModel::rowsInserted, this, [=, &exportWhileFilling] {
                exportWhileFilling << (exportButton->isEnabled() ? "on" : "off");
                screen->runner()->cmdStop()->click();
            });
        };
        QMetaObject::Connection c = stopAtFirstBatch(s, s->cmdExport);
        search(s);
        disconnect(c);
        c = stopAtFirstBatch(t, t->cmdExport);
        search(t);
        disconnect(c);
        QCOMPARE(exportWhileFilling, QStringList({"off", "off"}));
        for (ReviewScreen* screen : std::initializer_list<ReviewScreen*>{s, t}) {
            QCOMPARE(screen->model()->rowCount(), QueryRunner::kBatch);
            QVERIFY(screen->runner()->wasStopped());
        }
        QVERIFY(!s->cmdExport->isEnabled() && !t->cmdExport->isEnabled());

        choose(s->LvData, 150);
        const qlonglong approved = trace::CheckIdOf(s->model()->kind(150));
        s->cmdApprove->click();
        choose(t->LvData, 199);
        t->txtQTY->setText("7");
        const qlonglong thrown = trace::CheckIdOf(t->model()->kind(199));
        t->cmdSave->click();
        QCOMPARE(queryRows("select check_id from check_history where approve_user is not null"),
                 QStringList({QString::number(approved)}));
        QCOMPARE(queryRows("select check_id from check_history where throw_qty is not null"),
                 QStringList({QString::number(thrown)}));
        // Each searched again, to the end this time.
        filled(s);
        filled(t);
        QCOMPARE(s->model()->rowCount(), 1000);
        QCOMPARE(t->model()->rowCount(), 1000);
        QVERIFY(s->cmdExport->isEnabled() && t->cmdExport->isEnabled());
    }

    void loadSnPanelCycle()
    {
        loadHistory();
        addCheck(3600 - 6 * 86400 - 43200, {.lot = "WEEK", .panel = "2"}); // six and a half days old
        TROVA_OPEN_SCREEN(w, s, OPT_Load_SN, "OPR_Load");
        // The good checks with a panel of the last seven days, newest first.
        filled(s);
        QCOMPARE(s->model()->rowCount(), 4);
        QCOMPARE(rowTexts(s, 0).mid(0, 4), QStringList({"6", "03/10/2026 08:00:30", "P1", "M1"}));

        // Typing a project keeps the focus in its box; a project set
        // otherwise moves it on to the batch box.
        s->cboProj->clearEditText();
        s->cboProj->setFocus();
        QTest::keyClicks(s->cboProj, "PR");
        QCOMPARE(s->focusWidget(), s->cboProj);
        QCoreApplication::processEvents();
        s->cboProj->clearEditText();
        QCOMPARE(s->focusWidget(), s->txtBatch);
        s->cboProj->setEditText("PRJ");

        s->txtBatch->setText(QString("b") + QChar(1) + " 1");
        leave(s->txtBatch);
        QCOMPARE(s->txtBatch->text(), QString("B 1"));
        QTest::keyClicks(s->txtPanel, "5a ");
        QTest::keyClick(s->txtPanel, Qt::Key_Return);
        QCOMPARE(s->txtPanel->text(), QString("5"));
        leave(s->txtPanel);
        QCOMPARE(prompter().messages.size(), 0);
        for (const char* sn : {"SN1", " SN2 ", "SN1", ""})
            enterSerial(s, sn);
        QCOMPARE(serials(s->lstSN), QStringList({"SN2", "SN1"}));

        s->cmdSave->click();
        QCOMPARE(queryRows("select batch_no, panel_no, sn_no, self_no, update_user, proj_id, part_no from trace_info "
                           "order by sn_no"),
                 QStringList({"B 1|5|SN1|2603100001|SYSADMIN|PRJ|P1", "B 1|5|SN2|2603100001|SYSADMIN|PRJ|P1"}));

        // A serial number kept under the project is refused.
        prompter().clear();
        enterSerial(s, "SN2");
        QCOMPARE(prompter().texts(), QStringList({"The S/N SN2 already exist..."}));
        QCOMPARE(s->lstSN->count(), 0);

        // Back to the saved panel: asked once, even when the box itself
        // takes the focus or the box is left again while it is open.
        prompter().clear();
        prompter().onMessage = [s](const msg::Message&) {
            leave(s->txtPanel, Qt::ActiveWindowFocusReason);
            leave(s->txtPanel);
        };
        s->txtPanel->setText(" 5");
        leave(s->txtPanel);
        prompter().onMessage = nullptr;
        QCOMPARE(prompter().texts(), QStringList({"Panel No already exist,update it?"}));
        QCOMPARE(serials(s->lstSN), QStringList({"SN1", "SN2"}));

        s->lstSN->setCurrentRow(0);
        Q_EMIT s->lstSN->itemDoubleClicked(s->lstSN->item(0));
        s->txtPanel->setText("5");
        s->cmdSave->click();
        QCOMPARE(queryRows("select sn_no, self_no from trace_info"), QStringList({"SN2|2603100001"}));
    }

    void loadSnRefusesWhatItCannotStore()
    {
        loadHistory();
        TROVA_OPEN_SCREEN(w, s, OPT_Load_SN, "OPR_Load");
        s->cmdSave->click();
        s->txtBatch->setText("B1");
        s->cmdSave->click();
        s->txtPanel->setText("0");
        s->cmdSave->click();
        s->lstSN->addItem("SN1");
        s->cmdSave->click();
        QCOMPARE(prompter().texts(), QStringList({"Please input the Batch No.", "Please input the Panel No.",
                                                  "Please input the S/N.", "Can not find any component setting."}));

        s->txtPanel->setText("5");
        prompter().clear();
        prompter().answers << msg::Answer::No;
        s->cmdSave->click();
        QCOMPARE(prompter().texts(), QStringList({"Are you sure save it?"}));
        QCOMPARE(gConn().count("select count(*) from trace_path"), 0);
        s->cmdSave->click();
        QCOMPARE(gConn().count("select count(*) from trace_path"), 2);

        // Panel 6 with a serial number panel 5 holds, or one too long to
        // store: refused as a whole, panel 5 stays, panel 6 gets nothing.
        s->txtPanel->setText("6");
        s->lstSN->clear();
        s->lstSN->addItems({"SN6", "SN1"});
        prompter().clear();
        s->cmdSave->click();
        QCOMPARE(prompter().texts(), QStringList({"Are you sure save it?", "The SN SN1 already exist."}));
        s->lstSN->item(1)->setText(QString(60, 'X'));
        prompter().clear();
        s->cmdSave->click();
        // The error's number, two blanks and its description, as a plain box.
        const msg::Message failure = prompter().last();
        QVERIFY2(failure.text.contains(QRegularExpression("^\\w+  \\S")), qPrintable(failure.text));
        QCOMPARE(failure.icon, msg::Icon::None);
        QCOMPARE(failure.title, msg::applicationTitle());
        QCOMPARE(s->lstSN->count(), 2);
    }

    void scansAreListedAndTraced()
    {
        Module1::setClock(nullptr);
        db::Database& c = gConn();
        c.exec("insert into slot_link (link_no, mc_id, md_id, slot_code) "
               "values ('B1', 'M1', 'D1', 'S1'), ('B2', 'M1', 'D1', 'S2')");
        c.exec("insert into component_link (link_id, comp_code, vender_name, lot_no) values "
               "('LK1', 'C1', 'VEND', 'LOT1'), ('LK2', 'C2', 'VEND', 'LOT2'), ('LKX', 'C2', 'VEND', 'LOTX')");

        monitor::TerminalTable table;
        table.LoadDevices(c);
        monitor::ScanDialogue dialogue(c, table);
        Link link;
        auto scan = [&](int terminal, const QList<QByteArray>& payloads) {
            dialogue.ProcessTerminalData(gwsim::keyFrame(terminal, 7), "10.0.0.1", link);
            for (const QByteArray& p : payloads)
                dialogue.ProcessTerminalData(gwsim::dataFrame(terminal, p), "10.0.0.1", link);
        };
        // Panel 5 on terminal 001: a wrong reel on S1, then the right ones.
        scan(1, {"U1", "P1", "1", "5", "B1", "LKX", "LK1", "5", "B2", "LK2"});

        // The server may round a check's time up to the next second: the
        // screens' windows end a minute later.
        const QDateTime later = QDateTime::currentDateTime().addSecs(60);
        Module1::setClock([later] { return later; });
        TROVA_OPEN_SCREEN(w, approve, OPT_Approve_Report, "OPR_Approve");
        search(approve);
        QCOMPARE(approve->model()->rowCount(), 2);
        QCOMPARE(rowTexts(approve, 0).at(11), QString("LOT1")); // the lot of the scanned label

        auto* load = w.open<OPT_Load_SN>("OPR_Load");
        QVERIFY(load);
        load->txtBatch->setText("LOT-A");
        load->txtPanel->setText("5");
        load->lstSN->addItems({"SN100", "SN101"});
        load->cmdSave->click();
        QCOMPARE(queryRows("select slot_code, link_id, lot_no, update_user from trace_path order by slot_code"),
                 QStringList({"S1|LK1|LOT1|U1", "S2|LK2|LOT2|U1"}));
    }
};

TROVA_TEST(CheckReviewTest)
#include "tst_CheckReview.moc"
