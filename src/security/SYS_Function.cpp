#include "SYS_Function.h"

#include "FormWidgets.h"
#include "ListTools.h"
#include "app/MessageLayer.h"
#include "app/Module1.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

SYS_Function::SYS_Function(QWidget* parent) : MaintenanceScreen(parent)
{
    setObjectName(QStringLiteral("SYS_Function"));
    setWindowTitle(QStringLiteral("Secuirity - Function List"));

    msfgFunc = new QTableWidget(this);
    msfgFunc->setObjectName(QStringLiteral("msfgFunc"));
    txtID = new QLineEdit(this);
    txtID->setObjectName(QStringLiteral("txtID"));
    txtID->setMaxLength(30);
    txtDesc = new QLineEdit(this);
    txtDesc->setObjectName(QStringLiteral("txtDesc"));
    txtDesc->setMaxLength(50);

    auto* buttons = new QHBoxLayout;
    CycleSetup s;
    cmdNew = addCycleButton(buttons, s.cmdNew, QStringLiteral("&New"), "cmdNew");
    cmdEdit = addCycleButton(buttons, s.cmdEdit, QStringLiteral("&Edit"), "cmdEdit");
    cmdSave = addCycleButton(buttons, s.cmdSave, QStringLiteral("&Save"), "cmdSave");
    cmdCancel = addCycleButton(buttons, s.cmdCancel, QStringLiteral("&Cancel"), "cmdCancel");
    cmdExit = addCycleButton(buttons, s.cmdexit, QStringLiteral("E&xit"), "cmdExit");

    auto* boxes = new QGridLayout;
    formui::addLabelledRows(boxes, this,
                            {{QStringLiteral("Function ID"), txtID},
                             {QStringLiteral("Description"), txtDesc}});
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(msfgFunc, 1);
    layout->addLayout(boxes);
    layout->addLayout(buttons);
    resize(560, 480);

    s.grid = msfgFunc;
    s.keyBoxes = {txtID};
    s.otherBoxes = {txtDesc};
    setupCycle(s);

    TableBinding b;
    b.table = QStringLiteral("function_list");
    b.fields = {{QStringLiteral("func_id"), txtID, true, true}, {QStringLiteral("func_desc"), txtDesc}};
    b.requiredMessage = QStringLiteral("The Process ID cannot be null ...");
    setTableBinding(b);
    Form_Load();
}

void SYS_Function::LoadData()
{
    Module1::InitGrid(msfgFunc, {QStringLiteral("Function ID"), QStringLiteral("Function Description")}, {2000, 4500});
    Module1::FillGrid(msfgFunc, QStringLiteral("select func_id, func_desc from function_list order by func_id"));
    finishLoad();
}

void SYS_Function::saveFailed(const db::DbError& error)
{
    // Nothing stored: the screen stays in its mode with the input.
    msg::exclamation(error.text() + QStringLiteral(" ..."));
}
