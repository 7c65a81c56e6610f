#include "OPT_Throw_QTY.h"

#include "ExcelExport.h"
#include "ListTools.h"
#include "app/MessageLayer.h"
#include "app/Module1.h"
#include "trace/CheckReview.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTreeWidget>

using Module1::gConn;

namespace {
constexpr int kThrowColumn = 17;
} // namespace

OPT_Throw_QTY::OPT_Throw_QTY(QWidget* parent)
    : ReviewScreen(parent)
{
    setWindowTitle(QStringLiteral("Operation - Throw QTY"));
    cboProj = new QComboBox(this);
    cboProj->setEditable(true);
    cboPart = new QComboBox(this);
    cboPart->setEditable(true);
    DTfrom = newTimePicker();
    DTto = newTimePicker();
    txtQTY = new QLineEdit(this);
    // Digits only, typed or pasted: a quantity the database cannot store
    // never reaches it.
    txtQTY->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), txtQTY));
    LvData = new QTreeWidget(this);
    cmdsearch = new QPushButton(QStringLiteral("&Search"), this);
    cmdSave = new QPushButton(QStringLiteral("Sa&ve"), this);
    cmdExport = new QPushButton(QStringLiteral("E&xport"), this);
    cmdexit = new QPushButton(QStringLiteral("&Exit"), this);

    auto* top = new QGridLayout;
    top->addWidget(new QLabel(QStringLiteral("Project"), this), 0, 0);
    top->addWidget(cboProj, 0, 1);
    top->addWidget(new QLabel(QStringLiteral("Project PN"), this), 0, 2);
    top->addWidget(cboPart, 0, 3);
    top->addWidget(new QLabel(QStringLiteral("Throw QTY"), this), 0, 4);
    top->addWidget(txtQTY, 0, 5);
    top->addWidget(new QLabel(QStringLiteral("From"), this), 1, 0);
    top->addWidget(DTfrom, 1, 1);
    top->addWidget(new QLabel(QStringLiteral("To"), this), 1, 2);
    top->addWidget(DTto, 1, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* b : {cmdsearch, cmdSave, cmdExport, cmdexit})
        buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(LvData, 1);
    layout->addLayout(buttons);
    resize(1000, 620);

    connect(cboProj, &QComboBox::currentTextChanged, this, &OPT_Throw_QTY::cboProj_Change);
    connect(cmdsearch, &QPushButton::clicked, this, &OPT_Throw_QTY::cmdsearch_Click);
    connect(LvData, &QTreeWidget::itemClicked, this, &OPT_Throw_QTY::LvData_Click);
    connect(cmdSave, &QPushButton::clicked, this, &OPT_Throw_QTY::cmdSave_Click);
    connect(cmdExport, &QPushButton::clicked, this, &OPT_Throw_QTY::cmdexport_Click);
    connect(cmdexit, &QPushButton::clicked, this, &QWidget::close);
    Module1::InstallColumnSort(LvData);

    // Form_Load
    InitDates(DTfrom, DTto);
    LoadProjectList();
    InitCheckList();
}

void OPT_Throw_QTY::LoadProjectList()
{
    runDb([this] {
        const db::ResultSet rs = gConn().query(QStringLiteral("select distinct proj_id from proj_info order by proj_id"));
        const QSignalBlocker quiet(cboProj);
        cboProj->clear();
        for (const QVector<QVariant>& row : rs.rows())
            cboProj->addItem(row[0].toString());
        cboProj->setCurrentIndex(-1);
        cboProj->setEditText(QString());
    });
    if (cboProj->count() > 0)
        cboProj->setCurrentIndex(0);
}

void OPT_Throw_QTY::cboProj_Change()
{
    runDb([this] {
        const db::ResultSet rs = gConn().query(
            QStringLiteral("select distinct part_no from part_info where proj_id = ? order by part_no"),
            {cboProj->currentText()});
        cboPart->clear();
        for (const QVector<QVariant>& row : rs.rows())
            cboPart->addItem(row[0].toString());
        cboPart->setCurrentIndex(rs.recordCount() > 0 ? 0 : -1);
        if (rs.recordCount() == 0)
            cboPart->setEditText(QString());
    });
}

void OPT_Throw_QTY::InitCheckList()
{
    Module1::InitList(LvData, checkHeaders(), checkWidths(1200));
}

void OPT_Throw_QTY::cmdsearch_Click()
{
    InitCheckList();
    const QString project = cboProj->currentText();
    const QString part = cboPart->currentText();
    if (project.isEmpty() || part.isEmpty())
        return;
    runDb([&] {
        db::ResultSet rs = trace::ThrowList(gConn(), part, DTfrom->dateTime(), DTto->dateTime());
        for (; !rs.eof(); rs.moveNext())
            addCheckItem(LvData, rs);
    });
}

void OPT_Throw_QTY::LvData_Click()
{
    if (QTreeWidgetItem* item = LvData->currentItem())
        txtQTY->setText(item->text(kThrowColumn));
}

void OPT_Throw_QTY::cmdSave_Click()
{
    QTreeWidgetItem* item = LvData->currentItem();
    if (LvData->topLevelItemCount() == 0 || !item)
        return;
    int changed = 0;
    if (!runDb([&] { changed = trace::SetThrowQty(gConn(), checkIdOf(item), txtQTY->text(), Module1::gUserID); }))
        return;
    if (changed == 1)
        msg::box(QStringLiteral("Update successful!"));
    else
        msg::box(QStringLiteral("The record was not found any more; nothing was updated."), msg::Buttons::Ok,
                 msg::Icon::Exclamation);
    cmdsearch_Click();
}

void OPT_Throw_QTY::cmdexport_Click()
{
    Module1::ExportListToExcel(LvData);
}
