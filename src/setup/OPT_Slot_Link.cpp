#include "OPT_Slot_Link.h"

#include "ListTools.h"
#include "SetupWidgets.h"
#include "app/Module1.h"
#include "setup/SetupImports.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>

using Module1::gConn;

OPT_Slot_Link::OPT_Slot_Link(QWidget* parent) : MaintenanceScreen(parent)
{
    setObjectName(QStringLiteral("OPT_Slot_Link"));
    setWindowTitle(QStringLiteral("Operation - Machine and Slot Link"));
    auto* layout = new QVBoxLayout(this);
    auto* boxes = new QGridLayout;
    txtID = new QLineEdit(this);
    txtID->setObjectName(QStringLiteral("txtID"));
    txtID->setMaxLength(8);
    cboMC = setupui::selector(this, "cboMC");
    cboMD = setupui::selector(this, "cboMD");
    cboSlot = setupui::selector(this, "cboSlot");
    CHK_ALL = new QCheckBox(QStringLiteral("View All"), this);
    CHK_ALL->setObjectName(QStringLiteral("CHK_ALL"));
    boxes->addWidget(new QLabel(QStringLiteral("Link No"), this), 0, 0);
    boxes->addWidget(txtID, 0, 1);
    boxes->addWidget(new QLabel(QStringLiteral("Machine ID"), this), 0, 2);
    boxes->addWidget(cboMC, 0, 3);
    boxes->addWidget(new QLabel(QStringLiteral("Module ID"), this), 1, 0);
    boxes->addWidget(cboMD, 1, 1);
    boxes->addWidget(new QLabel(QStringLiteral("Slot ID"), this), 1, 2);
    boxes->addWidget(cboSlot, 1, 3);
    boxes->addWidget(CHK_ALL, 1, 4);
    layout->addLayout(boxes);
    msfgLink = new QTableWidget(this);
    msfgLink->setObjectName(QStringLiteral("msfgLink"));
    layout->addWidget(msfgLink, 1);
    PB = new QProgressBar(this);
    PB->setObjectName(QStringLiteral("PB"));
    PB->hide();
    layout->addWidget(PB);
    auto* buttons = new QHBoxLayout;
    CycleSetup s;
    cmdImport = addCycleButton(buttons, s.cmdImport, "&Import", "cmdImport");
    cmdexport = addCycleButton(buttons, s.cmdexport, "&Export", "cmdexport");
    cmdNew = addCycleButton(buttons, s.cmdNew, "&New", "cmdNew");
    cmdEdit = addCycleButton(buttons, s.cmdEdit, "&Edit", "cmdEdit");
    cmdDelete = addCycleButton(buttons, s.cmdDelete, "&Delete", "cmdDelete");
    cmdSave = addCycleButton(buttons, s.cmdSave, "&Save", "cmdSave");
    cmdCancel = addCycleButton(buttons, s.cmdCancel, "&Cancel", "cmdCancel");
    cmdexit = addCycleButton(buttons, s.cmdexit, "E&xit", "cmdexit");
    layout->addLayout(buttons);
    resize(1000, 560);

    // The barcode is what the terminal scans: upper case, no control characters.
    Module1::InstallUpperCaseKeyBox(txtID);
    Module1::OnTextChange(cboMC, this, [this] { cboMC_Change(); });
    Module1::OnTextChange(cboMD, this, [this] { cboMD_Change(); });

    s.CHK_ALL = CHK_ALL;
    s.grid = msfgLink;
    s.keyBoxes = {txtID};
    s.otherBoxes = {cboMC, cboMD, cboSlot};
    s.newClearsBoxes = false; // New starts from the row last shown
    s.saveFailure = SaveFailure::Exclamation;
    s.exportOptions = Module1::ExportOption::StarFirstColumn;
    setupCycle(s);

    TableBinding b;
    b.table = QStringLiteral("slot_link");
    b.fields = {{QStringLiteral("link_no"), txtID, true, true},
                {QStringLiteral("mc_id"), cboMC, false, true},
                {QStringLiteral("md_id"), cboMD, false, true},
                {QStringLiteral("slot_code"), cboSlot, false, true}};
    b.requiredMessage = QStringLiteral("The Parameter cannot be null ...");
    setTableBinding(b);
    Form_Load();
}

void OPT_Slot_Link::LoadData()
{
    Module1::InitGrid(msfgLink, {"Link No", "Machine ID", "Module ID", "Slot ID", "User ID", "User Name", "Update Time"},
                      {1600, 2000, 1600, 1600, 1000, 2000, 2000});
    const QString select = QStringLiteral(
        "select A.link_no, A.mc_id, A.md_id, A.slot_code, A.update_user, B.user_name, A.update_time "
        "from slot_link A left join user_list B on A.update_user = B.user_id "
        "order by A.link_no, A.mc_id, A.md_id, A.slot_code");
    // The rows come a part at a time, their number unknown until the last.
    PB->setRange(0, 0);
    PB->show();
    Module1::FillGrid(msfgLink, Module1::LimitRows(select, viewAll()));
    PB->setRange(0, 1);
    PB->setValue(1);
    finishLoad();
    Module1::FillCombo(cboMC, gConn().query(QStringLiteral("select distinct mc_id from mc_info order by mc_id")));
    PB->hide();
}

void OPT_Slot_Link::cboMC_Change()
{
    Module1::FillCombo(cboMD,
                       gConn().query(QStringLiteral("select distinct md_id from slot_info where mc_id = ? order by md_id"),
                                     {cboMC->currentText()}));
}

void OPT_Slot_Link::cboMD_Change()
{
    // By module alone: modules of the same id on other machines add their slots.
    Module1::FillCombo(
        cboSlot, gConn().query(QStringLiteral("select distinct slot_id from slot_info where md_id = ? order by slot_id"),
                               {cboMD->currentText()}));
}

int OPT_Slot_Link::deleteRow()
{
    // Only the row that the four boxes name. An imported row may lack its
    // module or slot (stored as Null).
    const db::Dialect& d = gConn().dialect();
    return gConn().exec(QStringLiteral("delete from slot_link where link_no = ? and ")
                            + d.nullSafeEquals(QStringLiteral("mc_id")) + QStringLiteral(" and ")
                            + d.nullSafeEquals(QStringLiteral("md_id")) + QStringLiteral(" and ")
                            + d.nullSafeEquals(QStringLiteral("slot_code")),
                        {txtID->text().trimmed(), cboMC->currentText(), cboMD->currentText(), cboSlot->currentText()});
}

std::optional<workbook::ImportLayout> OPT_Slot_Link::importLayout() const
{
    return setup::SlotLinkImport(gConn());
}
