#include "DemoScreens.h"

#include "ListTools.h"
#include "app/Module1.h"

#include <QVBoxLayout>

namespace {

QPushButton* button(QWidget* parent, const char* caption)
{
    auto* b = new QPushButton(QString::fromLatin1(caption), parent);
    parent->layout()->addWidget(b);
    return b;
}

} // namespace

void addLine(const QString& id)
{
    Module1::gConn().exec(
        "insert into line_info (line_id, line_desc, update_user, update_time) values (?, 'x', 'SYSADMIN', sysdate)", {id});
}

void addMachine(const QString& id, const QString& line)
{
    Module1::gConn().exec("insert into mc_info (mc_id, mc_desc, line_id, update_user, update_time) "
                          "values (?, 'desc', ?, 'SYSADMIN', sysdate)",
                          {id, line});
}

DemoMachineScreen::DemoMachineScreen(QWidget* parent) : MaintenanceScreen(parent)
{
    auto* layout = new QVBoxLayout(this);
    txtID = new QLineEdit(this);
    txtID->setMaxLength(20);
    txtDesc = new QLineEdit(this);
    cboLine = new QComboBox(this);
    cboLine->setEditable(true);
    msfgMachine = new QTableWidget(this);
    for (QWidget* w : {static_cast<QWidget*>(txtID), static_cast<QWidget*>(txtDesc), static_cast<QWidget*>(cboLine),
                       static_cast<QWidget*>(msfgMachine)})
        layout->addWidget(w);
    cmdImport = button(this, "&Import");
    cmdexport = button(this, "E&xport");
    cmdNew = button(this, "&New");
    cmdEdit = button(this, "&Edit");
    cmdDelete = button(this, "&Delete");
    cmdSave = button(this, "&Save");
    cmdCancel = button(this, "&Cancel");
    cmdexit = button(this, "E&xit");
    Module1::InstallUpperCaseKeyBox(txtID);

    CycleSetup s;
    s.cmdNew = cmdNew;
    s.cmdEdit = cmdEdit;
    s.cmdDelete = cmdDelete;
    s.cmdSave = cmdSave;
    s.cmdCancel = cmdCancel;
    s.cmdexit = cmdexit;
    s.cmdexport = cmdexport;
    s.cmdImport = cmdImport;
    s.grid = msfgMachine;
    s.keyBoxes = {txtID};
    s.otherBoxes = {txtDesc, cboLine};
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
    db::ResultSet rs = Module1::gConn().query(
        "select A.mc_id, A.mc_desc, A.line_id, A.update_user, B.user_name, A.update_time "
        "from mc_info A left join user_list B on A.update_user = B.user_id order by A.line_id, A.mc_id");
    Module1::FillGrid(msfgMachine, rs);
    finishLoad();
    cboLine->clear();
    db::ResultSet lines = Module1::gConn().query("select distinct line_id from line_info order by line_id");
    for (; !lines.eof(); lines.moveNext())
        cboLine->addItem(lines.text(0));
    cboLine->setEditText(QString());
}

std::optional<workbook::ImportLayout> DemoMachineScreen::importLayout() const
{
    workbook::ImportLayout l;
    l.table = QStringLiteral("mc_info");
    l.columns = {{QStringLiteral("mc_id")}, {QStringLiteral("mc_desc")}, {QStringLiteral("line_id")}};
    l.keyColumns = {QStringLiteral("mc_id"), QStringLiteral("line_id")};
    l.updateColumns = {QStringLiteral("mc_desc")};
    l.checks << [](const QStringList& cells) {
        if (Module1::gConn().count("select count(*) from line_info where line_id = ?", {cells[2]}) > 0)
            return QString();
        return QStringLiteral("Cannot found the Line ID ") + cells[2];
    };
    return l;
}

DemoGroupScreen::DemoGroupScreen(QWidget* parent) : MaintenanceScreen(parent)
{
    auto* layout = new QVBoxLayout(this);
    txtID = new QLineEdit(this);
    txtDesc = new QLineEdit(this);
    CHK_ALL = new QCheckBox(QStringLiteral("View All"), this);
    LvData = new QTreeWidget(this);
    for (QWidget* w : {static_cast<QWidget*>(txtID), static_cast<QWidget*>(txtDesc), static_cast<QWidget*>(CHK_ALL),
                       static_cast<QWidget*>(LvData)})
        layout->addWidget(w);
    cmdexport = button(this, "E&xport");
    cmdNew = button(this, "&New");
    cmdEdit = button(this, "&Edit");
    cmdDelete = button(this, "&Delete");
    cmdSave = button(this, "&Save");
    cmdCancel = button(this, "&Cancel");
    cmdexit = button(this, "E&xit");

    CycleSetup s;
    s.cmdNew = cmdNew;
    s.cmdEdit = cmdEdit;
    s.cmdDelete = cmdDelete;
    s.cmdSave = cmdSave;
    s.cmdCancel = cmdCancel;
    s.cmdexit = cmdexit;
    s.cmdexport = cmdexport;
    s.CHK_ALL = CHK_ALL;
    s.list = LvData;
    s.keyBoxes = {txtID};
    s.otherBoxes = {txtDesc};
    s.gates = {QStringLiteral("Man_New_List"), QStringLiteral("Man_Edit_List"), QStringLiteral("Man_Delete_List"),
               QStringLiteral("Man_New_List")};
    s.saveEnding = SaveEnding::Cancel;
    s.columnSort = true;
    s.exportOptions = Module1::ExportOption::StarFirstColumn;
    setupCycle(s);

    TableBinding b;
    b.table = QStringLiteral("component_group");
    b.fields = {{QStringLiteral("group_id"), txtID, true, true}, {QStringLiteral("group_desc"), txtDesc}};
    b.requiredMessage = QStringLiteral("The Group ID cannot be null ...");
    b.guardTable = QStringLiteral("component_list");
    b.guardColumns = {QStringLiteral("group_id")};
    b.guardMessage = QStringLiteral(" records are using this Group ID, it cannot be removed ...");
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
