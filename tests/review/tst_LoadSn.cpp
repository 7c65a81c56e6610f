#include "MainWindowFixture.h"
#include "OPT_Load_SN.h"
#include "TestDb.h"
#include "TestMain.h"
#include "TraceFixture.h"
#include "app/Module1.h"

#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

using Module1::gConn;
using namespace tracefix;

namespace {

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
void history()
{
    masterData();
    addCheck({.slot = "S1", .comp = "C1", .at = -8 * 86400, .panel = "1", .lot = "ANCIENT"});
    addCheck({.slot = "S1", .comp = "C1", .at = 10, .panel = "4", .lot = "A1"});
    addCheck({.slot = "S1", .comp = "C1", .at = 10, .value = "1", .panel = "4", .lot = "WRONG"});
    addCheck({.slot = "S2", .comp = "C2", .at = 20, .panel = "5", .lot = "A2"});
    addCheck({.slot = "S1", .comp = "C1", .at = 30, .panel = "6", .lot = "A3"});
}

} // namespace

// The serial-number loading screen, opened from the main window.
class LoadSnTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<MainWindowFixture> window;
    OPT_Load_SN* s = nullptr;

private Q_SLOTS:
    void initTestCase_data() { testdb::addBackendRows(); }
    void init()
    {
        TESTDB_INIT();
        prompter().clear();
        Module1::setClock([] { return kT0.addSecs(3600); });
        history();
        window = std::make_unique<MainWindowFixture>();
        QVERIFY(window->logIn());
        s = window->open<OPT_Load_SN>("OPR_Load");
        QVERIFY(s);
    }
    void cleanup()
    {
        window.reset();
        prompter().onMessage = nullptr;
        Module1::setClock(nullptr);
    }

    void panelCycle()
    {
        // The good checks with a panel of the last seven days, newest first.
        QCOMPARE(s->LvData->topLevelItemCount(), 3);
        QCOMPARE(row(s->LvData, 0).mid(0, 5), QStringList({"6", "03/10/2026 08:00:30", "P1", "M1", "LK-A3"}));
        QCOMPARE(row(s->LvData, 2).at(0), QString("4"));

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
        QCOMPARE(prompter().texts(), QStringList({"Are you sure save it?", "Save Successful!"}));
        QCOMPARE(rows("select self_no, slot_code, lot_no, update_time from trace_path order by slot_code"),
                 QStringList({"2603100001|S1|A1|2026-03-10 08:00:10", "2603100001|S2|A2|2026-03-10 08:00:20"}));
        QCOMPARE(rows("select batch_no, panel_no, sn_no, self_no, update_user, proj_id, part_no from trace_info "
                      "order by sn_no"),
                 QStringList({"B 1|5|SN1|2603100001|SYSADMIN|PRJ|P1", "B 1|5|SN2|2603100001|SYSADMIN|PRJ|P1"}));
        QCOMPARE(s->lstSN->count(), 0);
        QCOMPARE(s->txtPanel->text(), QString());
        QCOMPARE(s->txtBatch->text(), QString("B 1"));

        // A serial number kept under the project is refused.
        prompter().clear();
        enterSerial(s, "SN2");
        QCOMPARE(prompter().texts(), QStringList({"The S/N SN2 already exist..."}));
        QCOMPARE(s->lstSN->count(), 0);

        // Back to the saved panel: asked once, even when the box itself
        // takes the focus or the box is left again while it is open.
        prompter().clear();
        prompter().onMessage = [this](const msg::Message&) {
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
        QCOMPARE(serials(s->lstSN), QStringList({"SN2"}));
        s->txtPanel->setText("5");
        s->cmdSave->click();
        QCOMPARE(rows("select sn_no, self_no from trace_info"), QStringList({"SN2|2603100001"}));
        QCOMPARE(gConn().count("select count(*) from trace_path"), 2);

        // No to the question empties only the panel box.
        prompter().clear();
        prompter().answers << msg::Answer::No;
        s->txtPanel->setText("5");
        leave(s->txtPanel);
        QCOMPARE(s->txtPanel->text(), QString());
        QCOMPARE(s->lstSN->count(), 0);
    }

    void saveRefusesWhatItCannotStore()
    {
        s->cmdSave->click();
        s->txtBatch->setText("B1");
        s->cmdSave->click();
        s->txtPanel->setText(" ");
        s->cmdSave->click();
        s->txtPanel->setText("0");
        s->cmdSave->click();
        s->lstSN->addItem("SN1");
        s->cmdSave->click();
        QCOMPARE(prompter().texts(), QStringList({"Please input the Batch No.", "Please input the Panel No.",
                                                  "Please input the Panel No.", "Please input the S/N.",
                                                  "Can not find any component setting."}));
        QCOMPARE(prompter().last().icon, msg::Icon::None);

        s->txtPanel->setText("5");
        prompter().clear();
        prompter().answers << msg::Answer::No;
        s->cmdSave->click();
        QCOMPARE(prompter().texts(), QStringList({"Are you sure save it?"}));
        QCOMPARE(gConn().count("select count(*) from trace_path"), 0);
        s->cmdSave->click();
        QCOMPARE(gConn().count("select count(*) from trace_info"), 1);
        const QStringList saved = rows("select self_no, slot_code, lot_no from trace_path order by slot_code");

        // Panel 6 with a serial number panel 5 holds: refused as a whole,
        // panel 5 stays, panel 6 gets nothing.
        s->txtPanel->setText("6");
        s->lstSN->clear();
        s->lstSN->addItems({"SN6", "SN1"});
        prompter().clear();
        s->cmdSave->click();
        QCOMPARE(prompter().texts(), QStringList({"Are you sure save it?", "The SN SN1 already exist."}));
        QCOMPARE(rows("select self_no, slot_code, lot_no from trace_path order by slot_code"), saved);
        QCOMPARE(rows("select panel_no, sn_no from trace_info"), QStringList({"5|SN1"}));
        QCOMPARE(serials(s->lstSN), QStringList({"SN6", "SN1"}));
    }
};

TROVA_TEST(LoadSnTest)
#include "tst_LoadSn.moc"
