#include "ExportCatcher.h"
#include "OPT_Slot_Link.h"
#include "SetupTestKit.h"
#include "TestDb.h"
#include "TestMain.h"
#include "app/Module1.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

using Module1::gConn;
using kit::prompter;

namespace {

const QList<bool> kBrowseRows = {true, true, true, false, false};
const QList<bool> kEditing = {false, false, false, true, true};

QList<bool> buttons(const OPT_Slot_Link& s)
{
    return kit::enabled({s.cmdNew, s.cmdEdit, s.cmdDelete, s.cmdSave, s.cmdCancel});
}

void addLink(const QString& link, const QString& mc, const QString& md, const QString& slot)
{
    gConn().exec("insert into slot_link (link_no, mc_id, md_id, slot_code, update_user, update_time) "
                 "values (?, ?, ?, ?, 'OLD', sysdate)",
                 {link, mc, md, slot});
}

QStringList links()
{
    return kit::rows("select link_no, mc_id, md_id, slot_code, update_user from slot_link order by link_no, mc_id");
}

void leave(QWidget* box)
{
    QFocusEvent out(QEvent::FocusOut);
    QCoreApplication::sendEvent(box, &out);
}

} // namespace

// The slot link screen: the barcode box, the machine, module and slot
// lists, the cycle, the import and the export.
class SlotLinkTest : public QObject
{
    Q_OBJECT

    testing::ExportCatcher m_exports;

private Q_SLOTS:
    void initTestCase_data() { testdb::addBackendRows(); }
    void init()
    {
        TESTDB_INIT();
        prompter().clear();
        kit::seedPlant();
    }

    void listsAndRowCopy()
    {
        addLink("B2", "M2", "MD1", "S7");
        OPT_Slot_Link s;
        kit::pick(s.cboMC, "M1");
        QCOMPARE(kit::entries(s.cboMD), QStringList({"MD1", "MD2"}));
        // Slots by module alone: M2's MD1 adds S7.
        kit::pick(s.cboMD, "MD1");
        QCOMPARE(kit::entries(s.cboSlot), QStringList({"S1", "S2", "S3", "S7"}));

        s.msfgLink->setCurrentCell(0, 1);
        QCOMPARE(s.txtID->text(), QStringLiteral("B2"));
        QCOMPARE(s.cboMC->currentText(), QStringLiteral("M2"));
        QCOMPARE(kit::entries(s.cboMD), QStringList({"MD1"}));
        QCOMPARE(s.cboSlot->currentText(), QStringLiteral("S7"));
        QCOMPARE(kit::gridRows(s.msfgLink, 6), QStringList({"B2|M2|MD1|S7|OLD|"}));
    }

    void cycleByLinkNumber()
    {
        OPT_Slot_Link s;
        s.cmdNew->click();
        QTest::keyClicks(s.txtID, "b\t1");
        leave(s.txtID);
        QCOMPARE(s.txtID->text(), QStringLiteral("B1"));
        kit::pick(s.cboMC, "M1");
        kit::pick(s.cboMD, "MD1");
        s.cmdSave->click(); // no slot
        QCOMPARE(prompter().texts(), QStringList({"The Parameter cannot be null ..."}));
        QCOMPARE(buttons(s), kEditing);
        kit::pick(s.cboSlot, "S2");
        s.cmdSave->click();
        QCOMPARE(links(), QStringList({"B1|M1|MD1|S2|SYSADMIN"}));
        QCOMPARE(buttons(s), kBrowseRows);
        QCOMPARE(s.txtID->text(), QStringLiteral("B1")); // kept after Save

        // New starts from what the boxes hold. A barcode names one slot: a
        // second row for it is refused and the reason shown; the screen
        // stays in New.
        s.cmdNew->click();
        QCOMPARE(s.txtID->text(), QStringLiteral("B1"));
        s.cboMC->setEditText("M2");
        s.cboMD->setEditText("MD1");
        s.cboSlot->setEditText("S7");
        s.cmdSave->click();
        QCOMPARE(prompter().messages.size(), 2);
        QVERIFY(prompter().last().text.endsWith(" ..."));
        QCOMPARE(buttons(s), kEditing);
        QCOMPARE(links(), QStringList({"B1|M1|MD1|S2|SYSADMIN"}));

        // Edit moves the barcode; the barcode itself cannot change.
        s.cmdCancel->click();
        s.msfgLink->setCurrentCell(0, 1);
        s.cmdEdit->click();
        QVERIFY(!s.txtID->isEnabled() && s.cboMC->isEnabled());
        s.cboMC->setEditText("M2");
        s.cboMD->setEditText("MD1");
        s.cboSlot->setEditText("S7");
        s.cmdSave->click();
        QCOMPARE(links(), QStringList({"B1|M2|MD1|S7|SYSADMIN"}));

        // Delete takes only the row that all four boxes name.
        s.cboSlot->setEditText("S1");
        s.cmdDelete->click();
        QCOMPARE(links().size(), 1);
        QCOMPARE(prompter().texts().last(), QStringLiteral("Confirm to delete?"));
        s.msfgLink->setCurrentCell(0, 1);
        s.cmdDelete->click();
        QVERIFY(links().isEmpty());
    }

    void importAndStarredExport()
    {
        addLink("B1", "M1", "MD1", "S1");
        const QString file = kit::writeSheet("links.xlsx", {{"Link", "Machine", "Module", "Slot"},
                                                            {"B1", "M2", "MD1", "S7"},
                                                            {"B2", "M1", "MD1", "S2"},
                                                            {"B3", "M9", "MD1", "S3"}});
        OPT_Slot_Link s;
        prompter().files.enqueue(file);
        s.cmdImport->click();
        QCOMPARE(prompter().texts().value(0), QStringLiteral("The success import 2 records."));
        QVERIFY(kit::logText().contains("  Cannot found the Machine M9"));
        QCOMPARE(links(), QStringList({"B1|M2|MD1|S7|SYSADMIN", "B2|M1|MD1|S2|SYSADMIN"}));
        QCOMPARE(s.msfgLink->rowCount(), 2);

        s.cmdexport->click();
        const workbook::Rows sheet = m_exports.lastRows();
        QCOMPARE(sheet.size(), 3);
        QCOMPARE(sheet[1].mid(0, 4), QStringList({"*B1*", "M2", "MD1", "S7"}));
        QCOMPARE(sheet[2].first(), QStringLiteral("*B2*"));
    }
};

TROVA_TEST(SlotLinkTest)
#include "tst_SlotLink.moc"
