#include "MainWindowFixture.h"
#include "OPT_Approve_Report.h"
#include "OPT_Load_SN.h"
#include "OPT_Throw_QTY.h"
#include "ScriptedPrompter.h"
#include "TestDb.h"
#include "TestMain.h"
#include "TraceFixture.h"
#include "app/Module1.h"
#include "terminal/ScanDialogue.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

using Module1::gConn;

namespace {

struct Link : monitor::TerminalLink
{
    bool sendFrame(const QByteArray&, QString*) override { return true; }
};

QByteArray dataFrame(int terminal, const QByteArray& payload)
{
    QByteArray f = QByteArray(7, '\0') + char(terminal) + char(0x01) + payload + "\r\n";
    f[0] = char(f.size());
    return f;
}

QByteArray f7(int terminal)
{
    QByteArray f = QByteArray(7, '\0') + char(terminal) + char(0) + char(0x3A + 7);
    f[0] = char(f.size());
    return f;
}

} // namespace

// Scans through the terminal dialogue, then the checks they recorded
// listed, approved and taken into a panel's snapshot on the review screens.
class ScanToReviewTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data() { testdb::addBackendRows(); }
    void init()
    {
        TESTDB_INIT();
        testing::ScriptedPrompter::current()->clear();
    }
    void cleanup() { Module1::setClock(nullptr); }

    void scansAreApprovedAndTraced()
    {
        tracefix::masterData();
        db::Database& c = gConn();
        c.exec("insert into slot_link (link_no, mc_id, md_id, slot_code) values ('B1', 'M1', 'MD1', 'S1')");
        c.exec("insert into slot_link (link_no, mc_id, md_id, slot_code) values ('B2', 'M1', 'MD1', 'S2')");
        for (const char* l : {"LK1|C1|LOT1", "LK2|C2|LOT2", "LKX|C2|LOTX"}) {
            const QStringList f = QString(l).split('|');
            c.exec("insert into component_link (link_id, comp_code, vender_name, lot_no) values (?, ?, 'VEND', ?)",
                   {f[0], f[1], f[2]});
        }

        monitor::TerminalTable table;
        QCOMPARE(table.LoadDevices(c).loaded, 3);
        monitor::ScanDialogue dialogue(c, table);
        Link link;
        auto scan = [&](int terminal, const QList<QByteArray>& payloads) {
            dialogue.ProcessTerminalData(f7(terminal), "10.0.0.5", link);
            for (const QByteArray& p : payloads)
                dialogue.ProcessTerminalData(dataFrame(terminal, p), "10.0.0.5", link);
        };
        // Panel 5 on terminal 005: a wrong reel on S1, then the right ones.
        scan(5, {"U1", "P1", "1", "5", "B1", "LKX", "LK1", "5", "B2", "LK2"});
        // Terminal 012 reloads S1 without panel numbers.
        scan(12, {"U1", "P1", "0", "B1", "LK1"});
        QCOMPARE(c.count("select count(*) from check_history where check_value = '0'"), 3);
        QCOMPARE(c.count("select count(*) from check_history where check_value = '1'"), 1);

        // The server may round a check's time up to the next second: the
        // screens' windows end a minute later.
        const QDateTime later = QDateTime::currentDateTime().addSecs(60);
        Module1::setClock([later] { return later; });
        MainWindowFixture w;
        QVERIFY(w.logIn());
        auto* approve = w.open<OPT_Approve_Report>("OPR_Approve");
        QVERIFY(approve);
        QCOMPARE(approve->cboDT200->currentText(), QString("005"));
        approve->cmdsearch->click();
        QCOMPARE(approve->LvData->topLevelItemCount(), 2);
        QCOMPARE(tracefix::row(approve->LvData, 0).at(4), QString("S1"));
        QCOMPARE(tracefix::row(approve->LvData, 0).at(11), QString("LOT1"));
        approve->LvData->setCurrentItem(approve->LvData->topLevelItem(0));
        approve->cmdApprove->click();
        QCOMPARE(c.count("select count(*) from check_history where approve_user = 'SYSADMIN'"), 1);
        QCOMPARE(c.count("select count(*) from check_history where approve_user = 'SYSADMIN' and dt200_id = '005' "
                         "and slot_code = 'S1' and check_value = '0'"),
                 1);

        auto* throwQty = w.open<OPT_Throw_QTY>("OPR_Throw_QTY");
        QVERIFY(throwQty);
        throwQty->cmdsearch->click();
        QCOMPARE(throwQty->LvData->topLevelItemCount(), 3);

        auto* load = w.open<OPT_Load_SN>("OPR_Load");
        QVERIFY(load);
        QCOMPARE(load->LvData->topLevelItemCount(), 3);
        load->txtBatch->setText("LOT-A");
        load->txtPanel->setText("5");
        load->lstSN->addItems({"SN100", "SN101"});
        load->cmdSave->click();
        QCOMPARE(testing::ScriptedPrompter::current()->last().text, QString("Save Successful!"));
        db::ResultSet path = c.query("select slot_code, link_id, lot_no, update_user from trace_path order by slot_code");
        QStringList got;
        for (; !path.eof(); path.moveNext())
            got << path.text(0) + "|" + path.text(1) + "|" + path.text(2) + "|" + path.text(3);
        QCOMPARE(got, QStringList({"S1|LK1|LOT1|U1", "S2|LK2|LOT2|U1"}));
        QCOMPARE(c.count("select count(*) from trace_info where panel_no = '5' and part_no = 'P1'"), 2);
    }
};

TROVA_TEST(ScanToReviewTest)
#include "tst_ScanToReview.moc"
