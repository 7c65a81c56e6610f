#include "ExcelExport.h"
#include "MainWindowFixture.h"
#include "Mtc_Comp_Link.h"
#include "ScriptedPrompter.h"
#include "TestDb.h"
#include "TestMain.h"
#include "app/Module1.h"
#include "label/LabelSink.h"
#include "label/Tpcl.h"
#include "material/LinkId.h"
#include "workbook/Workbook.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFocusEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using Module1::gConn;
using testing::ScriptedPrompter;

namespace {

ScriptedPrompter& prompter()
{
    return *ScriptedPrompter::current();
}

QString prefix(material::LotType type)
{
    return material::LinkPrefix(type, gConn().serverNow().date());
}

// Project P1 with part numbers PN1 and PN2; PN1 needs C1 (two designator and
// polarity pairs) and C2; C1 comes from two vendors.
void addMasterData()
{
    for (const char* p : {"P1", "P2"})
        gConn().exec("insert into proj_info (proj_id, proj_desc) values (?, 'x')", {p});
    gConn().exec("insert into part_info (part_no, part_desc, proj_id, approve) values ('PN2', 'x', 'P1', '0')");
    gConn().exec("insert into part_info (part_no, part_desc, proj_id, approve) values ('PN1', 'x', 'P1', '0')");
    gConn().exec("insert into component_proj (proj_id, part_no, group_id, comp_code, ref_designator, polarity_check) "
                 "values ('P1', 'PN1', 'G1', 'C1', 'F', 'Y')");
    gConn().exec("insert into component_proj (proj_id, part_no, group_id, comp_code, ref_designator, polarity_check) "
                 "values ('P1', 'PN1', 'G2', 'C1', 'R', 'N')");
    gConn().exec("insert into component_proj (proj_id, part_no, group_id, comp_code, ref_designator, polarity_check) "
                 "values ('P1', 'PN1', 'G1', 'C2', 'F', 'Y')");
    gConn().exec("insert into component_list (comp_code, group_id, method_type, vender_name, vender_desc) "
                 "values ('C1', 'G1', 'MP', 'V1', 'Vendor one')");
    gConn().exec("insert into component_list (comp_code, group_id, method_type, vender_name, vender_desc) "
                 "values ('C1', 'G1', 'MP', 'V2', 'Vendor two')");
    gConn().exec("insert into component_list (comp_code, group_id, method_type, vender_name, vender_desc) "
                 "values ('C2', 'G1', 'MP', 'V1', 'Vendor one')");
}

void storeLot(const QString& id, const QString& comp, const QString& lot, const QDateTime& time)
{
    gConn().exec("insert into component_link (link_id, comp_code, vender_name, vender_desc, lot_no, proj_id, "
                 "part_no, update_user, update_time) values (?, ?, 'V1', 'Vendor one', ?, 'P1', 'PN1', 'SYSADMIN', ?)",
                 {id, comp, lot, time});
}

// A choice as the user makes it in a drop-down list.
void choose(QComboBox* box, const QString& text)
{
    const int i = box->findText(text);
    QVERIFY2(i >= 0, qPrintable(text));
    box->setCurrentIndex(i);
    Q_EMIT box->activated(i);
}

QStringList entries(const QComboBox* box)
{
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

void leave(QWidget* box)
{
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(box, &out);
}

// Fills a new lot of P1/PN1/C1 from vendor V1.
void fillLot(Mtc_Comp_Link& s, const QString& lot)
{
    choose(s.cboProj, "P1");
    choose(s.cboPN, "PN1");
    choose(s.cboComp, "C1");
    choose(s.cboVD, "V1");
    s.txtLot->setText(lot);
    s.txtShip->setText("2449");
    s.txtRT->setText("RT-9");
}

void click(Mtc_Comp_Link& s, int row)
{
    QTreeWidgetItem* item = s.LvData->topLevelItem(row);
    s.LvData->setCurrentItem(item);
    Q_EMIT s.LvData->itemClicked(item, 1);
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray linkLabel(const QString& comp, const QString& id)
{
    return label::LabelJob(label::LinkLabelLines(comp, id));
}

} // namespace

// The component link screen: identifiers from New and confirmed by Save, the
// cascade of choices, the row click, the cycle's gates and the export.
class CompLinkTest : public QObject
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
    }
    void cleanup() { label::setSink(nullptr); }

    void openedFromTheMaintenanceMenu()
    {
        MainWindowFixture f;
        QVERIFY(f.logIn());
        auto* s = f.open<Mtc_Comp_Link>("Man_Link");
        QVERIFY(s);
        QCOMPARE(s->windowTitle(), QStringLiteral("Maintenance - Component Link Information"));
        QCOMPARE(s->LvData->columnCount(), 15);
        QVERIFY(s->LvData->isColumnHidden(0));
        QCOMPARE(s->LvData->headerItem()->text(14), QStringLiteral("Update Time"));
        QVERIFY(s->optPCBA->isChecked());
        QVERIFY(!s->txtLink->isEnabled());
        QVERIFY(s->cmdNew->isEnabled() && !s->cmdEdit->isEnabled() && !s->cmdSave->isEnabled());
        QVERIFY(s->cmdPrint->isEnabled());
        QCOMPARE(s->selIndex, 0);

        // New, then a lot saved through the real window.
        addMasterData();
        s->cmdCancel_Click();
        s->cmdNew->click();
        QCOMPARE(s->txtLink->text(), prefix(material::LotType::PCBA) + "0001");
        fillLot(*s, "LOT-1");
        s->cmdSave->click();
        QCOMPARE(prompter().messages.size(), 0);
        QCOMPARE(s->LvData->topLevelItemCount(), 1);
        QCOMPARE(s->LvData->topLevelItem(0)->text(1), prefix(material::LotType::PCBA) + "0001");
    }

    void newSaveAndTheCascade()
    {
        addMasterData();
        Mtc_Comp_Link s;
        QCOMPARE(entries(s.cboProj), QStringList({"P1", "P2"}));
        s.cmdNew_Click();
        QCOMPARE(s.EditMode, QStringLiteral("New"));
        QVERIFY(!s.cmdPrint->isEnabled() && !s.optPCBA->isEnabled() && !s.optFPCA->isEnabled());
        QVERIFY(!s.LvData->isEnabled() && !s.txtLink->isEnabled());
        const QString pcba = prefix(material::LotType::PCBA);
        QCOMPARE(s.txtLink->text(), pcba + "0001");

        choose(s.cboProj, "P1");
        QCOMPARE(entries(s.cboPN), QStringList({"PN1", "PN2"}));
        choose(s.cboPN, "PN1");
        QCOMPARE(entries(s.cboComp), QStringList({"C1", "C1", "C2"})); // once per designator and polarity pair
        choose(s.cboComp, "C1");
        QCOMPARE(entries(s.cboVD), QStringList({"V1", "V2"}));
        QCOMPARE(s.txtRef->text() + s.txtPolarity->text(), QStringLiteral("FY"));
        choose(s.cboVD, "V2");
        QCOMPARE(s.txtVDDesc->text(), QStringLiteral("Vendor two"));
        // A new part number empties designator and polarity but leaves the component.
        choose(s.cboPN, "PN2");
        QCOMPARE(s.txtRef->text(), QString());
        QCOMPARE(s.cboComp->count(), 0);

        // Save refuses a lot without component or vendor and stays in New.
        s.cmdSave_Click();
        QCOMPARE(prompter().last().text, QStringLiteral("The Link ID or Component ID or Vender Name cannot be null ..."));
        QCOMPARE(prompter().last().title, QStringLiteral("Information"));
        QCOMPARE(prompter().last().icon, msg::Icon::Information);
        QVERIFY(s.cmdSave->isEnabled());

        fillLot(s, "LOT-1");
        s.cmdSave_Click();
        QCOMPARE(prompter().messages.size(), 1);
        db::ResultSet rs = gConn().query(
            "select link_id, comp_code, vender_name, vender_desc, lot_no, ship_date, rt_no, proj_id, part_no, "
            "ref_designator, polarity_check, update_user from component_link");
        QCOMPARE(rs.recordCount(), 1);
        QStringList stored;
        for (int i = 0; i < 12; ++i)
            stored << rs.text(i);
        QCOMPARE(stored, QStringList({pcba + "0001", "C1", "V1", "Vendor one", "LOT-1", "2449", "RT-9", "P1", "PN1",
                                      "F", "Y", "SYSADMIN"}));
        // Through Cancel: boxes empty, Print and the type options back.
        QCOMPARE(s.txtLink->text(), QString());
        QCOMPARE(s.cboProj->currentIndex(), -1);
        QCOMPARE(s.txtLot->text(), QString());
        QVERIFY(s.cmdPrint->isEnabled() && s.optFPCA->isEnabled());
        QCOMPARE(s.LvData->topLevelItem(0)->text(12), QStringLiteral("SYSADMIN"));
        QCOMPARE(s.LvData->topLevelItem(0)->text(13), QStringLiteral("System Administrator"));

        // The next PCBA lot follows; FPCA counts apart; no project is needed.
        s.cmdNew_Click();
        QCOMPARE(s.txtLink->text(), pcba + "0002");
        s.cmdCancel_Click();
        s.optFPCA->setChecked(true);
        s.cmdNew_Click();
        QCOMPARE(s.txtLink->text(), prefix(material::LotType::FPCA) + "0001");
        s.cboComp->addItem("C9");
        choose(s.cboComp, "C9");
        s.cboVD->addItem("V9");
        choose(s.cboVD, "V9");
        s.cmdSave_Click();
        QCOMPARE(gConn().count("select count(*) from component_link where proj_id is null and part_no is null "
                               "and link_id = ?",
                               {prefix(material::LotType::FPCA) + "0001"}),
                 1);
    }

    void typedComponentAndTheDateCode()
    {
        addMasterData();
        Mtc_Comp_Link s;
        s.cmdNew_Click();
        choose(s.cboProj, "P1");
        choose(s.cboPN, "PN1");
        s.cboComp->setEditText("C2");
        leave(s.cboComp);
        QCOMPARE(s.cboComp->currentText(), QStringLiteral("C2"));
        QCOMPARE(entries(s.cboVD), QStringList({"V1"}));
        QCOMPARE(s.txtRef->text(), QStringLiteral("F"));

        // Compared case-sensitively; a miss empties component, vendors, designator and polarity.
        s.cboComp->setEditText("c2");
        QTest::keyClick(s.cboComp, Qt::Key_Return);
        QCOMPARE(s.cboComp->currentText(), QString());
        QCOMPARE(s.cboVD->count(), 0);
        QCOMPARE(s.txtRef->text() + s.txtPolarity->text(), QString());
        QCOMPARE(s.cboComp->count(), 3); // nothing typed is added to the list

        // Opening the drop-down is no leaving of the box.
        s.cboComp->setEditText("C");
        QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
        QCoreApplication::sendEvent(s.cboComp, &popup);
        QCOMPARE(s.cboComp->currentText(), QStringLiteral("C"));

        // Digits only, at most 10; lot and RT at most 20.
        s.txtShip->setFocus();
        QTest::keyClicks(s.txtShip, "12ab 3\r456789012");
        QCOMPARE(s.txtShip->text(), QStringLiteral("1234567890"));
        QCOMPARE(s.txtLot->maxLength(), 20);
        QCOMPARE(s.txtRT->maxLength(), 20);
    }

    void rowClickEditAndReload()
    {
        addMasterData();
        const QDateTime t(QDate(2024, 5, 1), QTime(8, 0));
        storeLot("0405010001", "C1", "OLD", t);
        storeLot("1405010001", "C2", "NEW", t.addSecs(60));
        gConn().exec("update component_link set vender_desc = 'kept', ref_designator = 'Q', polarity_check = 'Z'");
        Mtc_Comp_Link s;
        QCOMPARE(s.LvData->topLevelItem(0)->text(1), QStringLiteral("1405010001")); // newest first
        QCOMPARE(s.LvData->topLevelItem(1)->text(14), QStringLiteral("05/01/2024 08:00:00"));

        // A row of type "0" selects FPCA; the stored values win over the master data.
        click(s, 1);
        QCOMPARE(s.selIndex, 2);
        QVERIFY(s.optFPCA->isChecked());
        QCOMPARE(s.txtLink->text(), QStringLiteral("0405010001"));
        QCOMPARE(s.cboProj->currentText() + s.cboPN->currentText() + s.cboComp->currentText() + s.cboVD->currentText(),
                 QStringLiteral("P1PN1C1V1"));
        QCOMPARE(entries(s.cboVD), QStringList({"V1", "V2"}));
        QCOMPARE(s.txtVDDesc->text() + s.txtRef->text() + s.txtPolarity->text() + s.txtLot->text(),
                 QStringLiteral("keptQZOLD"));

        // A column sort keeps selIndex on the clicked row.
        s.LvData->header()->sectionClicked(1); // descending by link id: unchanged order
        QCOMPARE(s.selIndex, 2);
        s.LvData->header()->sectionClicked(1); // ascending: the clicked row moves to the top
        QCOMPARE(s.LvData->topLevelItem(0)->text(1), QStringLiteral("0405010001"));
        QCOMPARE(s.selIndex, 1);

        // A reload by "View All" keeps the project, so Edit stores it.
        s.CHK_ALL->click();
        QCOMPARE(s.cboProj->currentText(), QStringLiteral("P1"));
        QCOMPARE(s.selIndex, 1);
        s.cmdEdit_Click();
        QCOMPARE(s.EditMode, QStringLiteral("Edit"));
        QVERIFY(!s.txtLink->isEnabled() && s.cboProj->isEnabled() && !s.cmdPrint->isEnabled());
        s.txtLot->setText("CHANGED");
        s.cmdSave_Click();
        db::ResultSet rs =
            gConn().query("select proj_id, part_no, lot_no, update_user from component_link where link_id = ?",
                          {"0405010001"});
        QCOMPARE(rs.text(0) + rs.text(1) + rs.text(2), QStringLiteral("P1PN1CHANGED"));
        QCOMPARE(gConn().count("select count(*) from component_link"), 2);
        QCOMPARE(s.selIndex, 0); // Cancel
        QCOMPARE(s.txtLink->text(), QString());

        // Edit without an identifier does nothing; a stored project no
        // longer known leaves the project box as it was.
        s.cmdEdit_Click();
        QCOMPARE(s.cmdSave->isEnabled(), false);
        gConn().exec("update component_link set proj_id = 'GONE' where link_id = '1405010001'");
        s.cmdCancel_Click();
        choose(s.cboProj, "P2");
        QCOMPARE(s.LvData->topLevelItem(1)->text(2), QStringLiteral("GONE"));
        click(s, 1);
        QCOMPARE(s.cboProj->currentText(), QStringLiteral("P2"));
        QVERIFY(s.optPCBA->isChecked());
    }

    void deleteAndTheGates()
    {
        storeLot("1405010001", "C1", "A", QDateTime(QDate(2024, 5, 1), QTime(8, 0)));
        storeLot("1405010002", "C1", "B", QDateTime(QDate(2024, 5, 1), QTime(8, 1)));
        Mtc_Comp_Link s;
        click(s, 0);
        prompter().answers.enqueue(msg::Answer::No);
        s.cmdDelete_Click();
        QCOMPARE(prompter().last().text, QStringLiteral("Confirm to delete?"));
        QCOMPARE(gConn().count("select count(*) from component_link"), 2);
        s.cmdDelete_Click();
        QCOMPARE(gConn().scalar("select link_id from component_link").toString(), QStringLiteral("1405010001"));
        QCOMPARE(s.LvData->topLevelItemCount(), 1);
        // With no identifier in the box nothing is deleted.
        s.cmdDelete_Click();
        QCOMPARE(gConn().count("select count(*) from component_link"), 1);

        // A deleted highest identifier of today is given again.
        const QString p = prefix(material::LotType::PCBA);
        storeLot(p + "0001", "C1", "T", QDateTime::currentDateTime());
        storeLot(p + "0002", "C1", "T", QDateTime::currentDateTime());
        gConn().exec("delete from component_link where link_id = ?", {p + "0002"});
        s.cmdNew_Click();
        QCOMPARE(s.txtLink->text(), p + "0002");
        s.cmdCancel_Click();

        prompter().clear();
        for (const char* code : {"Man_New_Link", "Man_Edit_Link", "Man_Delete_Link"})
            gConn().exec("delete from function_grant where func_id = ?", {code});
        click(s, 0);
        s.cmdNew_Click();
        s.cmdEdit_Click();
        s.cmdDelete_Click();
        QCOMPARE(prompter().texts(), QStringList(3, "You have no permission to use."));
        QVERIFY(s.cmdNew->isEnabled() && !s.cmdSave->isEnabled());
        QCOMPARE(gConn().count("select count(*) from component_link"), 2);
    }

    void identifierTakenMeanwhile()
    {
        addMasterData();
        Mtc_Comp_Link s;
        s.cmdNew_Click();
        const QString p = prefix(material::LotType::PCBA);
        QCOMPARE(s.txtLink->text(), p + "0001");
        fillLot(s, "MINE");
        // Another workstation saves the same identifier first.
        storeLot(p + "0001", "C2", "THEIRS", QDateTime::currentDateTime());
        QString shownDuringMessage;
        prompter().onMessage = [&](const msg::Message&) { shownDuringMessage = s.txtLink->text(); };
        s.cmdSave_Click();
        prompter().onMessage = nullptr;
        QCOMPARE(prompter().messages.size(), 1);
        QVERIFY2(prompter().last().text.contains(p + "0002"), qPrintable(prompter().last().text));
        QCOMPARE(shownDuringMessage, p + "0002");
        QCOMPARE(gConn().scalar("select lot_no from component_link where link_id = ?", {p + "0001"}).toString(),
                 QStringLiteral("THEIRS"));
        QCOMPARE(gConn().scalar("select lot_no from component_link where link_id = ?", {p + "0002"}).toString(),
                 QStringLiteral("MINE"));
    }

    void lastIdentifierAndSaveFailures()
    {
        addMasterData();
        const QString p = prefix(material::LotType::PCBA);
        storeLot(p + "9999", "C1", "LAST", QDateTime::currentDateTime());
        Mtc_Comp_Link s;
        s.cmdNew_Click();
        QCOMPARE(prompter().messages.size(), 1);
        QVERIFY(prompter().last().text.contains(p + "9999"));
        QCOMPARE(s.txtLink->text(), QString());
        QVERIFY(!s.cmdSave->isEnabled() && s.cmdNew->isEnabled() && s.cmdPrint->isEnabled());

        // A Save the database refuses is shown, and nothing is stored.
        s.optFPCA->setChecked(true);
        s.cmdNew_Click();
        fillLot(s, "LOT");
        gConn().exec("alter table component_link rename to component_link_away");
        prompter().onMessage = [](const msg::Message&) {
            gConn().exec("alter table component_link_away rename to component_link");
        };
        s.cmdSave_Click();
        prompter().onMessage = nullptr;
        QCOMPARE(prompter().messages.size(), 2);
        QCOMPARE(prompter().last().title, QStringLiteral("ERROR"));
        QVERIFY(!s.cmdSave->isEnabled());
        QCOMPARE(gConn().count("select count(*) from component_link"), 1);
    }

    void hundredNewestUnlessViewAll()
    {
        {
            db::Transaction t(gConn());
            const QDateTime base(QDate(2024, 5, 1), QTime(8, 0));
            for (int i = 1; i <= 101; ++i)
                storeLot(QStringLiteral("140501%1").arg(i, 4, 10, QLatin1Char('0')), "C1", "A", base.addSecs(i));
            t.commit();
        }
        Mtc_Comp_Link s;
        QCOMPARE(s.LvData->topLevelItemCount(), 100);
        QCOMPARE(s.LvData->topLevelItem(0)->text(1), QStringLiteral("1405010101"));
        QVERIFY(!s.PB->isVisible());
        s.CHK_ALL->click();
        QCOMPARE(s.LvData->topLevelItemCount(), 101);
    }

    void printWithAndWithoutOrder()
    {
        const QDateTime t(QDate(2024, 12, 6), QTime(8, 0));
        storeLot("1412060003", "C-3", "A", t);
        storeLot("1412060002", "C-2", "A", t.addSecs(1));
        storeLot("1412060001", "10-0001-234", "A", t.addSecs(2));
        const QString out = m_dir.filePath("links.prn");
        QFile::remove(out);
        label::setSink(std::make_unique<label::FileLabelSink>(out));
        Mtc_Comp_Link s;

        // Nothing in the identifier box: no question either.
        s.cmdPrint->click();
        QVERIFY(prompter().messages.isEmpty() && prompter().inputs.isEmpty());
        QVERIFY(!QFile::exists(out));

        // The boxes' lot, as many copies as asked; the label as the printer expects it.
        click(s, 0);
        prompter().inputs.enqueue(QStringLiteral("2"));
        s.cmdPrint->click();
        const QByteArray golden = readFile(QFileInfo(QStringLiteral(__FILE__)).dir().filePath(
            QStringLiteral("../data/label/link_10-0001-234_1412060001.tpcl")));
        QVERIFY(!golden.isEmpty());
        QCOMPARE(readFile(out), golden.repeated(2));

        // "Order Print": the clicked third row and the rows above it, then stop.
        QFile::remove(out);
        s.CHK_Prn->setChecked(true);
        click(s, 2);
        prompter().inputs.enqueue(QStringLiteral("5"));
        s.cmdPrint->click();
        QCOMPARE(readFile(out), linkLabel("C-3", "1412060003") + linkLabel("C-2", "1412060002") +
                                    linkLabel("10-0001-234", "1412060001"));
        QVERIFY(prompter().messages.isEmpty());

        // Quantity out of range: the error box, nothing printed.
        QFile::remove(out);
        prompter().inputs.enqueue(QStringLiteral("40000"));
        s.cmdPrint->click();
        QCOMPARE(prompter().texts(), QStringList({"6Overflow"}));
        QVERIFY(!QFile::exists(out));

        // The clicked row no longer in the list after a reload.
        prompter().clear();
        gConn().exec("delete from component_link where link_id <> '1412060001'");
        s.CHK_ALL->click();
        QCOMPARE(s.LvData->topLevelItemCount(), 1);
        QCOMPARE(s.selIndex, 3);
        prompter().inputs.enqueue(QStringLiteral("1"));
        s.cmdPrint->click();
        QCOMPARE(prompter().texts(), QStringList({"35600Index out of bounds"}));
        QVERIFY(!QFile::exists(out));

        // After Cancel "Order Print" prints nothing, even with an identifier in the box.
        prompter().clear();
        s.cmdCancel_Click();
        s.txtLink->setText("1412060001");
        prompter().inputs.enqueue(QStringLiteral("3"));
        s.cmdPrint->click();
        QVERIFY(prompter().messages.isEmpty());
        QVERIFY(!QFile::exists(out));
    }

    void exportStarsTheLinkId()
    {
        storeLot("1405010001", "C1", "A", QDateTime(QDate(2024, 5, 1), QTime(8, 0)));
        storeLot("1405010002", "C2", "B", QDateTime(QDate(2024, 5, 1), QTime(8, 1)));
        Mtc_Comp_Link s;
        s.cmdexport->click();
        QCOMPARE(m_opened.size(), 1);
        const auto rows = workbook::readFirstSheet(m_opened[0]);
        QVERIFY(rows);
        QCOMPARE(rows->size(), 3);
        QCOMPARE(rows->at(0).size(), 14);
        QCOMPARE(rows->at(0).first(), QStringLiteral("Link ID"));
        QCOMPARE(rows->at(1).mid(0, 5), QStringList({"*1405010002*", "P1", "PN1", "C2", "V1"}));
        QCOMPARE(rows->at(2).first(), QStringLiteral("*1405010001*"));
    }
};

TROVA_TEST(CompLinkTest)
#include "tst_CompLink.moc"
