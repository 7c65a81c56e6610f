#include "LayoutRows.h"
#include "Mtc_DT200.h"
#include "Mtc_Line.h"
#include "Mtc_Machine.h"
#include "Mtc_Project.h"
#include "ScriptedPrompter.h"
#include "TestDb.h"
#include "TestMain.h"
#include "app/Module1.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

using Module1::gConn;
using testing::prompter;

namespace {

QStringList column(const QTableWidget* grid, int c)
{
    QStringList out;
    for (int r = 0; r < grid->rowCount(); ++r)
        out << (grid->item(r, c) ? grid->item(r, c)->text() : QString());
    return out;
}

void leave(QLineEdit* box)
{
    QFocusEvent out(QEvent::FocusOut);
    QCoreApplication::sendEvent(box, &out);
}

// New, then the boxes, then Save.
void addThrough(PlantScreen& s, const QList<std::pair<QWidget*, QString>>& boxes)
{
    s.cmdNew->click();
    for (const auto& [box, text] : boxes) {
        if (auto* e = qobject_cast<QLineEdit*>(box)) {
            e->setText(text);
            leave(e);
        } else if (auto* c = qobject_cast<QComboBox*>(box)) {
            c->setEditText(text);
        }
    }
    s.cmdSave->click();
}

} // namespace

// The four plant-layout screens on the maintenance cycle: what each stores,
// which boxes it cleans and requires, and which rows keep a key from being
// deleted.
class PlantScreensTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data() { testdb::addBackendRows(); }
    void init()
    {
        TESTDB_INIT();
        prompter().clear();
    }

    void lines()
    {
        Mtc_Line s;

        s.cmdNew->click();
        s.cmdSave->click();
        QCOMPARE(prompter().last().text, QStringLiteral("The Line ID cannot be null ..."));
        QCOMPARE(prompter().last().icon, msg::Icon::Information);
        QVERIFY(s.cmdSave->isEnabled());

        // Lower case and control characters are cleaned when the box is left.
        addThrough(s, {{s.txtID, "smt\x01" "2"}, {s.txtDesc, "second"}});
        addThrough(s, {{s.txtID, "SMT1"}, {s.txtDesc, "first"}});
        QCOMPARE(tableRows("line_info", {"line_id", "line_desc", "update_user"}),
                 QStringList({"SMT1|first|SYSADMIN", "SMT2|second|SYSADMIN"}));
        QCOMPARE(column(s.msfgLine, 1), QStringList({"SMT1", "SMT2"}));
        QCOMPARE(column(s.msfgLine, 4), QStringList({"System Administrator", "System Administrator"}));
        QCOMPARE(s.txtID->text(), QStringLiteral("SMT1")); // Save keeps the boxes

        // A duplicate key is refused by the database and shown; nothing changes.
        prompter().clear();
        addThrough(s, {{s.txtID, "SMT1"}, {s.txtDesc, "again"}});
        QCOMPARE(prompter().messages.size(), 1);
        QCOMPARE(prompter().last().icon, msg::Icon::Critical);
        QCOMPARE(tableRows("line_info", {"line_id", "line_desc"}), QStringList({"SMT1|first", "SMT2|second"}));

        s.msfgLine->setCurrentCell(1, 1);
        s.cmdEdit->click();
        QVERIFY(!s.txtID->isEnabled());
        s.txtDesc->setText("renamed");
        s.cmdSave->click();
        QCOMPARE(tableRows("line_info", {"line_id", "line_desc"}), QStringList({"SMT1|first", "SMT2|renamed"}));

        // A line with check records stays; one with machines only goes, and
        // its machines keep the line id.
        addChecks(3, "SMT1", "MC1");
        addMachine("MC2", "SMT2");
        s.msfgLine->setCurrentCell(0, 1);
        s.cmdDelete->click();
        QCOMPARE(prompter().last().text, QStringLiteral("3 records are using this Line ID, it cannot be removed ..."));
        QCOMPARE(prompter().last().title, QStringLiteral("ERROR"));
        s.msfgLine->setCurrentCell(1, 1);
        s.cmdDelete->click();
        QCOMPARE(tableRows("line_info", {"line_id"}), QStringList({"SMT1"}));
        QCOMPARE(tableRows("mc_info", {"mc_id", "line_id"}), QStringList({"MC2|SMT2"}));

        // Cancel (of a New) reloads and empties the text boxes.
        s.cmdNew->click();
        s.txtID->setText("SMT3");
        s.txtDesc->setText("third");
        s.cmdCancel->click();
        QCOMPARE(s.txtID->text(), QString());
        QCOMPARE(s.txtDesc->text(), QString());
        QVERIFY(s.msfgLine->isEnabled() && !s.cmdSave->isEnabled());
    }

    void machines()
    {
        addLine("L1");
        addLine("L2");
        Mtc_Machine s;
        QCOMPARE(s.cboLine->count(), 2);
        QCOMPARE(s.cboLine->itemText(1), QStringLiteral("L2"));

        // A machine needs a line; the line is not checked against line_info.
        addThrough(s, {{s.txtID, "mc1"}, {s.txtDesc, "mounter"}, {s.cboLine, ""}});
        QCOMPARE(prompter().last().text, QStringLiteral("The Machine ID or Line ID cannot be null ..."));
        QVERIFY(tableRows("mc_info", {"mc_id"}).isEmpty());
        s.cboLine->setEditText("L9");
        s.cmdSave->click();
        addThrough(s, {{s.txtID, "MC0"}, {s.txtDesc, "placer"}, {s.cboLine, "L2"}});
        QCOMPARE(tableRows("mc_info", {"mc_id", "mc_desc", "line_id"}), QStringList({"MC0|placer|L2", "MC1|mounter|L9"}));
        QCOMPARE(column(s.msfgMachine, 1), QStringList({"MC0", "MC1"})); // by line, then machine

        // A row whose line is gone still shows its own line in the box, and
        // Edit moves a machine to another line.
        s.msfgMachine->setCurrentCell(1, 1);
        QCOMPARE(s.cboLine->currentText(), QStringLiteral("L9"));
        s.cmdEdit->click();
        QVERIFY(s.cboLine->isEnabled());
        s.cboLine->setEditText("L1");
        s.cmdSave->click();
        QCOMPARE(tableRows("mc_info", {"mc_id", "line_id"}), QStringList({"MC0|L2", "MC1|L1"}));
        QCOMPARE(s.cboLine->currentText(), QStringLiteral("L1")); // kept across the reload

        addChecks(12, "L1", "MC1");
        s.msfgMachine->setCurrentCell(0, 1);
        QCOMPARE(s.txtID->text(), QStringLiteral("MC1"));
        s.cmdDelete->click();
        QCOMPARE(prompter().last().text,
                 QStringLiteral("12 records are using this Machine ID, it cannot be removed ..."));
        QCOMPARE(tableRows("mc_info", {"mc_id"}).size(), 2);
        s.msfgMachine->setCurrentCell(1, 1);
        s.cmdDelete->click();
        QCOMPARE(tableRows("mc_info", {"mc_id"}), QStringList({"MC1"}));
    }

    void terminals()
    {
        Mtc_DT200 s;

        addThrough(s, {{s.txtIP, "10.0.0.5"}, {s.txtID, " "}});
        QCOMPARE(prompter().last().text, QStringLiteral("The GW21 IP or DT200 ID cannot be null ..."));
        // The gateway address is upper-cased, the terminal id kept as typed.
        s.txtIP->setText("gw-a");
        leave(s.txtIP);
        s.txtID->setText("t7");
        leave(s.txtID);
        s.cmdSave->click();
        addThrough(s, {{s.txtIP, "GW-A"}, {s.txtID, "t8"}, {s.txtDesc, "second"}});
        QCOMPARE(tableRows("dt200_info", {"gw21_ip", "dt200_id", "dt200_desc"}),
                 QStringList({"GW-A|t7|", "GW-A|t8|second"}));

        // Edit needs the terminal id, not the gateway box.
        s.cmdNew->click();
        s.cmdCancel->click();
        QCOMPARE(s.txtIP->text(), QString());
        s.txtIP->setText("GW-A");
        s.cmdEdit->click();
        QCOMPARE(s.EditMode, QStringLiteral("New"));
        s.msfgDT200->setCurrentCell(0, 1);
        QCOMPARE(s.txtID->text(), QStringLiteral("t7"));
        s.cmdEdit->click();
        QVERIFY(!s.txtIP->isEnabled() && !s.txtID->isEnabled());
        s.txtDesc->setText("first");
        s.cmdSave->click();
        QCOMPARE(tableRows("dt200_info", {"dt200_id", "dt200_desc"}), QStringList({"t7|first", "t8|second"}));

        // The guard counts the pair: records of another terminal on the same
        // gateway do not keep this one.
        addChecks(2, "L1", "MC1", "GW-A", "t8");
        s.msfgDT200->setCurrentCell(1, 1);
        s.cmdDelete->click();
        QCOMPARE(prompter().last().text, QStringLiteral("2 records are using this DT-200, it cannot be removed ..."));
        s.msfgDT200->setCurrentCell(0, 1);
        s.cmdDelete->click();
        QCOMPARE(tableRows("dt200_info", {"dt200_id"}), QStringList({"t8"}));
    }

    void projects()
    {
        Mtc_Project s;
        addThrough(s, {{s.txtID, ""}});
        QCOMPARE(prompter().last().text, QStringLiteral("The Project ID cannot be null ..."));
        s.cmdCancel->click();
        addThrough(s, {{s.txtID, "p1"}, {s.txtDesc, "one"}});
        addThrough(s, {{s.txtID, "P2"}, {s.txtDesc, "two"}});
        gConn().exec("insert into line_set (line_id, proj_id, part_no, mc_id, gw21_ip, dt200_id, update_user, "
                     "update_time) values ('L1', 'P1', 'PN1', 'MC1', 'GW', '1', 'U', sysdate)");
        gConn().exec("insert into part_info (part_no, part_desc, proj_id, approve, update_user, update_time) "
                     "values ('PN2', 'x', 'P2', '0', 'U', sysdate)");

        // Used by a line set-up: refused. Used only by part numbers: goes.
        s.msfgProject->setCurrentCell(0, 1);
        s.cmdDelete->click();
        QCOMPARE(prompter().last().text, QStringLiteral("1 records are using this Project, it cannot be removed ..."));
        s.msfgProject->setCurrentCell(1, 1);
        s.cmdDelete->click();
        QCOMPARE(tableRows("proj_info", {"proj_id", "proj_desc"}), QStringList({"P1|one"}));
    }
};

TROVA_TEST(PlantScreensTest)
#include "tst_PlantScreens.moc"
