#include "DemoScreens.h"

#include "ListTools.h"
#include "app/Module1.h"

#include <QVBoxLayout>

DemoScreen::DemoScreen(QWidget* parent) : MaintenanceScreen(parent)
{
    auto* layout = new QVBoxLayout(this);
    txtID = new QLineEdit(this);
    txtDesc = new QLineEdit(this);
    layout->addWidget(txtID);
    layout->addWidget(txtDesc);
    auto button = [&](const char* caption) {
        auto* b = new QPushButton(QString::fromLatin1(caption), this);
        layout->addWidget(b);
        return b;
    };
    cmdexport = button("E&xport");
    cmdNew = button("&New");
    cmdEdit = button("&Edit");
    cmdDelete = button("&Delete");
    cmdSave = button("&Save");
    cmdCancel = button("&Cancel");
    cmdexit = button("E&xit");
}

MaintenanceScreen::CycleSetup DemoScreen::cycle(QWidget* view)
{
    layout()->addWidget(view);
    CycleSetup s;
    s.cmdNew = cmdNew;
    s.cmdEdit = cmdEdit;
    s.cmdDelete = cmdDelete;
    s.cmdSave = cmdSave;
    s.cmdCancel = cmdCancel;
    s.cmdexit = cmdexit;
    s.cmdexport = cmdexport;
    s.keyBoxes = {txtID};
    s.otherBoxes = {txtDesc};
    return s;
}

DemoMachineScreen::DemoMachineScreen(QWidget* parent) : DemoScreen(parent)
{
    txtID->setMaxLength(20);
    cboLine = new QComboBox(this);
    cboLine->setEditable(true);
    layout()->addWidget(cboLine);
    msfgMachine = new QTableWidget(this);
    Module1::InstallUpperCaseKeyBox(txtID);

    CycleSetup s = cycle(msfgMachine);
    s.grid = msfgMachine;
    s.otherBoxes << cboLine;
    setupCycle(s);

    TableBinding b;
    b.table = QStringLiteral("mc_info");
    b.fields = {{QStringLiteral("mc_id"), txtID, true, true},
                {QStringLiteral("mc_desc"), txtDesc},
                {QStringLiteral("line_id"), cboLine, false, true}};
    b.requiredMessage = QStringLiteral("The Machine ID or Line ID cannot be null ...");
    b.guardTable = QStringLiteral("check_history");
    b.guardColumns = {QStringLiteral("mc_id")};
    b.guardMessage = QStringLiteral(" records are using this Machine ID, it cannot be removed ...");
    setTableBinding(b);
    Form_Load();
}

void DemoMachineScreen::LoadData()
{
    ++loads;
    Module1::InitGrid(msfgMachine,
                      {"Machine ID", "Machine Description", "Line ID", "User ID", "User Name", "Update Time"},
                      {2000, 3000, 1500, 1000, 2000, 2000});
    Module1::FillGrid(msfgMachine, Module1::gConn().query(
                                       "select A.mc_id, A.mc_desc, A.line_id, A.update_user, B.user_name, A.update_time "
                                       "from mc_info A left join user_list B on A.update_user = B.user_id "
                                       "order by A.line_id, A.mc_id"));
    finishLoad();
}

DemoGroupScreen::DemoGroupScreen(QWidget* parent) : DemoScreen(parent)
{
    CHK_ALL = new QCheckBox(QStringLiteral("View All"), this);
    layout()->addWidget(CHK_ALL);
    LvData = new QTreeWidget(this);

    CycleSetup s = cycle(LvData);
    s.CHK_ALL = CHK_ALL;
    s.list = LvData;
    s.saveEnding = SaveEnding::Cancel;
    s.columnSort = true;
    setupCycle(s);

    TableBinding b;
    b.table = QStringLiteral("component_group");
    b.fields = {{QStringLiteral("group_id"), txtID, true, true}, {QStringLiteral("group_desc"), txtDesc}};
    b.requiredMessage = QStringLiteral("The Group ID cannot be null ...");
    setTableBinding(b);
    Form_Load();
}

void DemoGroupScreen::LoadData()
{
    ++loads;
    Module1::InitList(LvData, {"Group ID", "Description", "Update Time"}, {1500, 3000, 2000});
    const QString select = QStringLiteral(
        "select group_id, group_desc, update_time from component_group order by update_time desc, group_id");
    Module1::FillList(LvData, Module1::gConn().query(Module1::LimitRows(select, viewAll())));
    finishLoad();
}
