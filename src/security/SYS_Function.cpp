#include "SYS_Function.h"

#include "ListTools.h"
#include "app/MessageLayer.h"
#include "app/Module1.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
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

    auto makeButton = [this](const char* name, const char* caption) {
        auto* b = new QPushButton(QString::fromLatin1(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        return b;
    };
    cmdNew = makeButton("cmdNew", "&New");
    cmdEdit = makeButton("cmdEdit", "&Edit");
    cmdSave = makeButton("cmdSave", "&Save");
    cmdCancel = makeButton("cmdCancel", "&Cancel");
    cmdExit = makeButton("cmdExit", "E&xit");

    auto* boxes = new QGridLayout;
    boxes->addWidget(new QLabel(QStringLiteral("Function ID"), this), 0, 0);
    boxes->addWidget(txtID, 0, 1);
    boxes->addWidget(new QLabel(QStringLiteral("Description"), this), 1, 0);
    boxes->addWidget(txtDesc, 1, 1);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {cmdNew, cmdEdit, cmdSave, cmdCancel, cmdExit})
        buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(msfgFunc, 1);
    layout->addLayout(boxes);
    layout->addLayout(buttons);
    resize(560, 480);

    CycleSetup s;
    s.cmdNew = cmdNew;
    s.cmdEdit = cmdEdit;
    s.cmdSave = cmdSave;
    s.cmdCancel = cmdCancel;
    s.cmdexit = cmdExit;
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
    Module1::FillGrid(msfgFunc,
                      Module1::gConn().query(QStringLiteral("select func_id, func_desc from function_list order by func_id")));
    finishLoad();
}

void SYS_Function::saveFailed(const db::DbError& error)
{
    // Nothing stored: the screen stays in its mode with the input.
    msg::exclamation(error.text() + QStringLiteral(" ..."));
}
