#include "OPT_Approve_Report.h"

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
#include <QTreeView>

using Module1::gConn;

namespace {
constexpr int kStatusColumn = 20;
constexpr int kApproveColumn = 21;
} // namespace

OPT_Approve_Report::OPT_Approve_Report(QWidget* parent)
    : ReviewScreen(parent)
{
    setWindowTitle(QStringLiteral("Operation - Approve Report"));
    cboGW21 = newChoiceBox();
    cboDT200 = newChoiceBox();
    txtDesc = new QLineEdit(this);
    txtDesc->setReadOnly(true);
    DTfrom = newTimePicker();
    DTto = newTimePicker();
    QStringList headers = checkHeaders();
    headers << QStringLiteral("Approve Status") << QStringLiteral("Approve");
    QList<int> widths = checkWidths(1300);
    widths << 3000 << 0;
    LvData = newList(headers, widths);
    LvData->setColumnHidden(kApproveColumn, true);
    cmdsearch = new QPushButton(QStringLiteral("&Search"), this);
    cmdApprove = new QPushButton(QStringLiteral("&Approve"), this);
    cmdExport = new QPushButton(QStringLiteral("E&xport"), this);
    cmdexit = new QPushButton(QStringLiteral("&Exit"), this);

    auto* top = new QGridLayout;
    top->addWidget(new QLabel(QStringLiteral("GW21"), this), 0, 0);
    top->addWidget(cboGW21, 0, 1);
    top->addWidget(new QLabel(QStringLiteral("DT200"), this), 0, 2);
    top->addWidget(cboDT200, 0, 3);
    top->addWidget(txtDesc, 0, 4, 1, 3);
    layOutCheckList(top, DTfrom, DTto, LvData, {cmdsearch, cmdApprove, cmdExport, cmdexit});

    connect(cboGW21, &QComboBox::currentTextChanged, this, &OPT_Approve_Report::cboGW21_Change);
    connect(cboDT200, &QComboBox::currentTextChanged, this, &OPT_Approve_Report::cboDT200_Change);
    connect(cmdsearch, &QPushButton::clicked, this, &OPT_Approve_Report::cmdsearch_Click);
    connect(cmdApprove, &QPushButton::clicked, this, &OPT_Approve_Report::cmdApprove_Click);
    connect(cmdExport, &QPushButton::clicked, this, &OPT_Approve_Report::cmdexport_Click);
    connect(cmdexit, &QPushButton::clicked, this, &QWidget::close);
    waitForList(cmdExport);
    Form_Load();
}

void OPT_Approve_Report::Form_Load()
{
    querytools::InitDates(DTfrom, DTto);
    LoadGatewayList();
    clearList();
}

void OPT_Approve_Report::LoadGatewayList()
{
    fillChoices(cboGW21, QStringLiteral("select distinct gw21_ip from line_set order by gw21_ip"));
}

void OPT_Approve_Report::cboGW21_Change()
{
    fillChoices(cboDT200, QStringLiteral("select distinct dt200_id from dt200_info where gw21_ip = ? order by dt200_id"),
                {cboGW21->currentText()});
    if (cboDT200->count() == 0)
        cboDT200_Change();
}

void OPT_Approve_Report::cboDT200_Change()
{
    txtDesc->clear();
    runDb([this] {
        const db::ResultSet rs = gConn().query(
            QStringLiteral("select distinct line_id, mc_id from line_set where gw21_ip = ? and dt200_id = ? "
                           "order by line_id, mc_id"),
            {cboGW21->currentText(), cboDT200->currentText()});
        if (!rs.eof())
            txtDesc->setText(rs.text(0) + QStringLiteral("  ") + rs.text(1));
    });
}

void OPT_Approve_Report::cmdsearch_Click()
{
    const QString gateway = cboGW21->currentText();
    const QString terminal = cboDT200->currentText();
    if (gateway.isEmpty() || terminal.isEmpty()) {
        clearList();
        return;
    }
    startFill(trace::ApprovalSearch(gateway, terminal, DTfrom->dateTime(), DTto->dateTime()), trace::ApprovalRow);
}

void OPT_Approve_Report::cmdApprove_Click()
{
    const int row = currentRow();
    if (row < 0 || !trace::NeedsApproval(model()->text(row, kApproveColumn)))
        return;
    const qlonglong checkId = trace::CheckIdOf(model()->kind(row));
    if (msg::box(QStringLiteral("Are you sure approve this record?"), msg::Buttons::YesNo) != msg::Answer::Yes)
        return;
    int changed = 0;
    if (!runDb([&] { changed = trace::ApproveCheck(gConn(), checkId, Module1::gUserID); }))
        return;
    tellUpdated(changed);
    cmdsearch_Click();
}

void OPT_Approve_Report::cmdexport_Click()
{
    Module1::ExportListModelToExcel(model(), Module1::ExportOption::DropLastColumn);
}
