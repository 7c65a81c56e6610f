#include "Mtc_CGRP.h"

#include "ListTools.h"
#include "FormWidgets.h"
#include "app/Module1.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace formui;

Mtc_CGRP::Mtc_CGRP(QWidget* parent) : MaintenanceScreen(parent)
{
    setWindowTitle(QStringLiteral("Maintenance - Component Group"));
    auto* layout = new QVBoxLayout(this);
    msfgCGRP = new QTableWidget;
    layout->addWidget(msfgCGRP, 1);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    txtID = addTextBox(form, QStringLiteral("Group ID"), 8);
    txtDesc = addTextBox(form, QStringLiteral("Description"), 30);
    auto* row = new QHBoxLayout;
    layout->addLayout(row);
    CycleSetup s;
    cmdExport = addCycleButton(row, s.cmdexport, QStringLiteral("E&xport"));
    cmdNew = addCycleButton(row, s.cmdNew, QStringLiteral("&New"));
    cmdEdit = addCycleButton(row, s.cmdEdit, QStringLiteral("&Edit"));
    cmdDelete = addCycleButton(row, s.cmdDelete, QStringLiteral("&Delete"));
    cmdSave = addCycleButton(row, s.cmdSave, QStringLiteral("&Save"));
    cmdCancel = addCycleButton(row, s.cmdCancel, QStringLiteral("&Cancel"));
    cmdExit = addCycleButton(row, s.cmdexit, QStringLiteral("E&xit"));
    Module1::InstallUpperCaseKeyBox(txtID);
    resize(720, 520);

    s.grid = msfgCGRP;
    s.keyBoxes = {txtID};
    s.otherBoxes = {txtDesc};
    setupCycle(s);

    TableBinding b;
    b.table = QStringLiteral("component_group");
    b.fields = {{QStringLiteral("group_id"), txtID, true, true}, {QStringLiteral("group_desc"), txtDesc}};
    b.requiredMessage = QStringLiteral("The Group ID cannot be null ...");
    b.guardMessage = QStringLiteral(" records are using this Group ID, it cannot be removed ...");
    setTableBinding(b);
    Form_Load();
}

void Mtc_CGRP::LoadData()
{
    Module1::InitGrid(msfgCGRP, {"Group ID", "Group Description", "User ID", "User Name", "Update Time"},
                      {2000, 3000, 1000, 2000, 2000});
    Module1::FillGrid(msfgCGRP, QStringLiteral(
                                    "select A.group_id, A.group_desc, A.update_user, B.user_name, A.update_time "
                                    "from component_group A left join user_list B on A.update_user = B.user_id "
                                    "order by A.group_id"));
    finishLoad();
}

qlonglong Mtc_CGRP::deleteGuardCount()
{
    // Components first; the rows of the part numbers only when no component
    // names the group.
    const QString id = txtID->text().trimmed();
    const qlonglong components =
        Module1::gConn().count(QStringLiteral("select count(*) from component_list where group_id = ?"), {id});
    if (components > 0)
        return components;
    return Module1::gConn().count(QStringLiteral("select count(*) from component_proj where group_id = ?"), {id});
}
