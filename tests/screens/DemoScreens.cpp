#include "DemoScreens.h"

#include "ListTools.h"
#include "app/Module1.h"

#include <QVBoxLayout>

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
