#include "QUERY_DT200.h"

#include "ExcelExport.h"
#include "QueryModel.h"
#include "QueryTools.h"
#include "Style.h"
#include "app/Module1.h"
#include "query/TerminalQuery.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

namespace terminal = query::terminal;

QUERY_DT200::QUERY_DT200(QWidget* parent)
    : QueryScreen(QStringLiteral("QUERY_DT200"), QStringLiteral("Query - DT200"), terminal::headers(),
                  Qt::AlignCenter, parent)
    , m_gw(new QComboBox(this))
    , m_dt(new QComboBox(this))
{
    createButtons();
    // This screen's own accelerators and names.
    m_export->setText(QStringLiteral("E&xport"));
    m_export->setObjectName(QStringLiteral("cmdExport"));
    m_exit->setText(QStringLiteral("&Exit"));
    m_exit->setObjectName(QStringLiteral("cmdExit"));
    m_grid = new QTableView(this);
    createRunner();
    m_gw->setObjectName(QStringLiteral("cboGW21"));
    m_dt->setObjectName(QStringLiteral("cboDT200"));
    m_gw->setMinimumWidth(140);
    m_dt->setMinimumWidth(100);
    m_grid->setObjectName(QStringLiteral("msfgInfo"));

    auto* boxes = new QHBoxLayout;
    boxes->addWidget(new QLabel(QStringLiteral("GW21 IP"), this));
    boxes->addWidget(m_gw);
    boxes->addWidget(new QLabel(QStringLiteral("DT-200 ID"), this));
    boxes->addWidget(m_dt);
    addButtons(boxes);
    layOut({boxes}, m_grid);
    querytools::showGrid(m_grid, m_model, terminal::widthsTwips());

    connect(m_gw, &QComboBox::currentTextChanged, this, &QUERY_DT200::cboGW21_Change);

    place(1000, 600);
    LoadData();
}

void QUERY_DT200::LoadData()
{
    if (refill(m_gw, terminal::gateways(), true))
        cboGW21_Change();
}

void QUERY_DT200::cboGW21_Change()
{
    refill(m_dt, terminal::terminals(m_gw->currentText()), true);
}

void QUERY_DT200::cmdsearch_Click()
{
    startSearch(terminal::search(m_gw->currentText(), m_dt->currentText()), terminal::shownRow);
}

void QUERY_DT200::cmdexport_Click()
{
    Module1::ExportGridModelToExcel(m_model);
}
