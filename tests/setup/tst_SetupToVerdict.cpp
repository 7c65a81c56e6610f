#include "DbRows.h"
#include "MainWindowFixture.h"
#include "OPT_Component.h"
#include "OPT_Line_Set.h"
#include "OPT_Slot_Link.h"
#include "SetupTestKit.h"
#include "SimGateway.h"
#include "TestDb.h"
#include "TestMain.h"
#include "Widgets.h"
#include "app/Module1.h"
#include "terminal/ScanDialogue.h"

#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>

using gwsim::dataFrame;
using gwsim::startupFrame;
using Module1::gConn;
using testing::prompter;

// From set-up to verdict: a user sets up a line, links slot barcodes and
// puts a component on each slot, all from the main window's menus; the
// terminal's scan dialogue then records the right reel as a match.
class SetupToVerdictTest : public testdb::Case {
    Q_OBJECT

    void prepare() override { kit::seedPlant(); }

private Q_SLOTS:
    void setUpThenScan()
    {
        MainWindowFixture app;
        QVERIFY(app.logIn());

        auto* line = app.open<OPT_Line_Set>("OPR_Line_SET");
        QVERIFY(line && line->isVisible());
        line->cmdNew->click();
        for (auto [box, text] : { std::pair { line->cboLine, "L1" }, { line->cboProj, "PR1" }, { line->cboPart, "P1" },
                 { line->cboMC, "M1" }, { line->cboGW21, "10.0.0.5" }, { line->cboDT, "005" } })
            testing::choose(box, text);
        line->cmdSave->click();

        auto* link = app.open<OPT_Slot_Link>("OPR_Slot_Link");
        QVERIFY(link && link->isVisible());
        link->cmdNew->click();
        QTest::keyClicks(link->txtID, "b1"); // stored in upper case, as terminals scan it
        QFocusEvent out(QEvent::FocusOut);
        QCoreApplication::sendEvent(link->txtID, &out);
        for (auto [box, text] : { std::pair { link->cboMC, "M1" }, { link->cboMD, "MD1" }, { link->cboSlot, "S1" } })
            testing::choose(box, text);
        link->cmdSave->click();

        auto* comp = app.open<OPT_Component>("OPR_Comp_SET");
        QVERIFY(comp && comp->isVisible());
        comp->cmdNew->click();
        for (auto [box, text] : { std::pair { comp->cboLine, "L1" }, { comp->cboPart, "P1" }, { comp->cboMC, "M1" },
                 { comp->cboMD, "MD1" } })
            testing::choose(box, text);
        QApplication::processEvents();
        QTest::mouseClick(comp->MFGdata->viewport(), Qt::LeftButton, {},
                          comp->MFGdata->visualItemRect(comp->MFGdata->item(0, 1)).center());
        QTreeWidgetItem* c100 = comp->TV->findItems("C100", Qt::MatchExactly | Qt::MatchRecursive).value(0);
        QVERIFY(c100);
        comp->TV->scrollToItem(c100);
        QTest::mouseClick(comp->TV->viewport(), Qt::LeftButton, {}, comp->TV->visualItemRect(c100).center());
        comp->cmdSave->click();

        // The terminal behind the gateway: user, part number, no panels; on
        // slot B1 the right reel.
        monitor::TerminalTable table;
        table.LoadDevices(gConn());
        monitor::ScanDialogue dialogue(gConn(), table);
        struct : monitor::TerminalLink {
            bool sendFrame(const QByteArray&, QString*) override { return true; }
        } terminal;
        for (const QByteArray& frame : { startupFrame(5), dataFrame(5, "SYSADMIN"), dataFrame(5, "P1"),
                 dataFrame(5, "0"), dataFrame(5, "B1"), dataFrame(5, "LK1") })
            dialogue.ProcessTerminalData(frame, "10.0.0.5", terminal);
        QCOMPARE(testing::queryRows("select line_id, part_no, mc_id, md_id, slot_code, comp_code, gw21_ip, dt200_id, "
                                    "check_value, link_id from check_history"),
            QStringList({ "L1|P1|M1|MD1|S1|C100|10.0.0.5|005|0|LK1" }));
        QCOMPARE(prompter().messages.size(), 0);
    }
};

TROVA_TEST(SetupToVerdictTest)
#include "tst_SetupToVerdict.moc"
