#include "OPT_Throw_QTY.h"

#include "ExcelExport.h"
#include "ListTools.h"
#include "QueryModel.h"
#include "QueryTools.h"
#include "app/MessageLayer.h"
#include "app/Module1.h"
#include "trace/CheckReview.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTreeView>

using Module1::gConn;

namespace {
constexpr int kThrowColumn = 17;
} // namespace

OPT_Throw_QTY::OPT_Throw_QTY(QWidget* parent)
    : ReviewScreen(parent)
{
    setWindowTitle(QStringLiteral("Operation - Throw QTY"));
    cboProj = newChoiceBox();
    cboPart = newChoiceBox();
    DTfrom = newTimePicker();
    DTto = newTimePicker();
    txtQTY = new QLineEdit(this);
    // Digits only, typed or pasted: a quantity the database cannot store
    // never reaches it.
    txtQTY->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), txtQTY));
    LvData = newList(checkHeaders(), checkWidths(1200));
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
    layOutCheckList(top, DTfrom, DTto, LvData, {cmdsearch, cmdSave, cmdExport, cmdexit});

    connect(cboProj, &QComboBox::currentTextChanged, this, &OPT_Throw_QTY::cboProj_Change);
    connect(cmdsearch, &QPushButton::clicked, this, &OPT_Throw_QTY::cmdsearch_Click);
    Module1::OnRowPicked(LvData, [this](int, int, bool) { LvData_Click(); });
    connect(cmdSave, &QPushButton::clicked, this, &OPT_Throw_QTY::cmdSave_Click);
    connect(cmdExport, &QPushButton::clicked, this, &OPT_Throw_QTY::cmdexport_Click);
    connect(cmdexit, &QPushButton::clicked, this, &QWidget::close);
    waitForList(cmdExport);
    Form_Load();
}

void OPT_Throw_QTY::Form_Load()
{
    txtQTY->clear();
    querytools::InitDates(DTfrom, DTto);
    LoadProjectList();
    clearList();
}

void OPT_Throw_QTY::LoadProjectList()
{
    fillChoices(cboProj, QStringLiteral("select distinct proj_id from proj_info order by proj_id"));
}

void OPT_Throw_QTY::cboProj_Change()
{
    fillChoices(cboPart, QStringLiteral("select distinct part_no from part_info where proj_id = ? order by part_no"),
                {cboProj->currentText()});
}

void OPT_Throw_QTY::cmdsearch_Click()
{
    const QString project = cboProj->currentText();
    const QString part = cboPart->currentText();
    if (project.isEmpty() || part.isEmpty()) {
        clearList();
        return;
    }
    startFill(trace::ThrowSearch(part, DTfrom->dateTime(), DTto->dateTime()), trace::ThrowRow);
}

void OPT_Throw_QTY::LvData_Click()
{
    const int row = currentRow();
    if (row >= 0)
        txtQTY->setText(model()->text(row, kThrowColumn));
}

void OPT_Throw_QTY::cmdSave_Click()
{
    const int row = currentRow();
    if (model()->rowCount() == 0 || row < 0)
        return;
    // The column would round a longer number: nothing is stored but what was typed.
    if (!trace::IsThrowQty(txtQTY->text())) {
        msg::information(
            QStringLiteral("The Throw QTY must be a whole number from 0 to %1 ...").arg(trace::kMaxThrowQty));
        return;
    }
    const qlonglong checkId = trace::CheckIdOf(model()->kind(row));
    int changed = 0;
    if (!runDb([&] { changed = trace::SetThrowQty(gConn(), checkId, txtQTY->text(), Module1::gUserID); }))
        return;
    tellUpdated(changed);
    cmdsearch_Click();
}

void OPT_Throw_QTY::cmdexport_Click()
{
    Module1::ExportListModelToExcel(model());
}
