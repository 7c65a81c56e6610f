#include "DbRows.h"
#include "ExportCatcher.h"
#include "OPT_Slot_Link.h"
#include "SetupTestKit.h"
#include "TestDb.h"
#include "TestMain.h"
#include "Widgets.h"
#include "app/Module1.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

using Module1::gConn;
using testing::comboItems;
using testing::prompter;

namespace {

void addLink(const QString& link, const QString& mc, const QString& md, const QString& slot)
{
    gConn().exec("insert into slot_link (link_no, mc_id, md_id, slot_code, update_user, update_time) "
                 "values (?, ?, ?, ?, 'OLD', sysdate)",
        { link, mc, md, slot });
}

QStringList links()
{
    return testing::queryRows("select link_no, mc_id, md_id, slot_code, update_user from slot_link "
                              "order by link_no, mc_id");
}

void setBoxes(OPT_Slot_Link& s, const QString& mc, const QString& md, const QString& slot)
{
    s.cboMC->setEditText(mc);
    s.cboMD->setEditText(md);
    s.cboSlot->setEditText(slot);
}

} // namespace

// What the slot link screen adds to the shared cycle: the machine, module
// and slot lists, one slot per barcode, the delete by all four boxes, the
// import and the starred export.
class SlotLinkTest : public testdb::Case {
    Q_OBJECT

    testing::ExportCatcher m_exports;

    void prepare() override { kit::seedPlant(); }

private Q_SLOTS:
    void linksThroughTheCycleAndTheImport()
    {
        OPT_Slot_Link s;
        s.cmdNew->click();
        s.txtID->setText("B1");
        testing::choose(s.cboMC, "M1");
        QCOMPARE(comboItems(s.cboMD), QStringList({ "MD1", "MD2" }));
        // Slots by module alone: M2's MD1 adds S7.
        testing::choose(s.cboMD, "MD1");
        QCOMPARE(comboItems(s.cboSlot), QStringList({ "S1", "S2", "S3", "S7" }));
        s.cmdSave->click(); // no slot
        QCOMPARE(prompter().texts(), QStringList({ "The Parameter cannot be null ..." }));
        s.cboSlot->setEditText("S2");
        s.cmdSave->click();

        // A second row for the barcode is refused with the database's reason;
        // the screen stays in New with the user's input.
        s.cmdNew->click();
        setBoxes(s, "M2", "MD1", "S7");
        s.cmdSave->click();
        QCOMPARE(prompter().messages.size(), 2);
        QVERIFY(prompter().last().text.endsWith(" ..."));
        QCOMPARE(s.EditMode, QStringLiteral("New"));
        QCOMPARE(links(), QStringList({ "B1|M1|MD1|S2|SYSADMIN" }));

        // Edit moves the barcode; the barcode itself cannot change.
        s.cmdCancel->click();
        s.msfgLink->setCurrentCell(0, 1);
        s.cmdEdit->click();
        setBoxes(s, "M2", "MD1", "S7");
        s.cmdSave->click();
        QCOMPARE(links(), QStringList({ "B1|M2|MD1|S7|SYSADMIN" }));

        // Delete takes only the row that all four boxes name, and says so
        // when none is left to take.
        s.cboSlot->setEditText("S1");
        s.cmdDelete->click();
        QCOMPARE(links().size(), 1);
        QCOMPARE(
            prompter().last().text, QStringLiteral("The record as shown was not found any more; nothing was changed."));
        s.msfgLink->setCurrentCell(0, 1);
        s.cmdDelete->click();
        QVERIFY(links().isEmpty());

        // The import: a row whose machine is unknown, or whose link number
        // another slot holds, is refused and logged; a typed link number is
        // stored upper-cased, as the screen stores it.
        addLink("B1", "M1", "MD1", "S1");
        const QString file = m_exports.writeSheet("links.xlsx",
            { { "Link", "Machine", "Module", "Slot" }, { "B1", "M2", "MD1", "S7" }, { "b2", "M1", "MD1", "S2" },
                { "B3", "M9", "MD1", "S3" }, { "B4", "M1", "", "" } });
        prompter().files.enqueue(file);
        s.cmdImport->click();
        QTRY_COMPARE(links(), QStringList({ "B1|M1|MD1|S1|OLD", "B2|M1|MD1|S2|SYSADMIN", "B4|M1|||SYSADMIN" }));
        QVERIFY(testing::errorLogText().contains("  Cannot found the Machine M9"));
        QVERIFY(testing::errorLogText().contains("  The Link No B1 is already linked to another slot"));

        // A row without module and slot (stored as Null) can still be deleted.
        s.msfgLink->setCurrentCell(s.msfgLink->findItems("B4", Qt::MatchExactly).value(0)->row(), 1);
        s.cmdDelete->click();
        QCOMPARE(links().size(), 2);

        // The list export stars the barcodes; imported again it brings back
        // the same links, only renewed.
        s.cmdexport->click();
        const workbook::Rows sheet = m_exports.lastRows();
        QCOMPARE(sheet.size(), 3);
        QCOMPARE(sheet[1].mid(0, 4), QStringList({ "*B1*", "M1", "MD1", "S1" }));
        prompter().files.enqueue(m_exports.last());
        s.cmdImport->click();
        QTRY_COMPARE(links(), QStringList({ "B1|M1|MD1|S1|SYSADMIN", "B2|M1|MD1|S2|SYSADMIN" }));
    }
};

TROVA_TEST(SlotLinkTest)
#include "tst_SlotLink.moc"
