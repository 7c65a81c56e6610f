#include "QUERY_DT200.h"

#include "ExcelExport.h"
#include "QueryModel.h"
#include "QueryRunner.h"
#include "QueryTools.h"
#include "Style.h"
#include "app/MessageLayer.h"
#include "app/Module1.h"
#include "query/TerminalQuery.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace terminal = query::terminal;

QUERY_DT200::QUERY_DT200(QWidget* parent)
    : QWidget(parent)
    , m_gw(new QComboBox(this))
    , m_dt(new QComboBox(this))
    , m_search(new QPushButton(QStringLiteral("&Search"), this))
    , m_export(new QPushButton(QStringLiteral("E&xport"), this))
    , m_exit(new QPushButton(QStringLiteral("&Exit"), this))
    , m_grid(new QTableView(this))
    , m_model(new QueryModel(terminal::headers(), Qt::AlignCenter, this))
    , m_runner(new QueryRunner(this))
{
    setObjectName(QStringLiteral("QUERY_DT200"));
    setWindowTitle(QStringLiteral("Query - DT200"));
    m_gw->setObjectName(QStringLiteral("cboGW21"));
    m_dt->setObjectName(QStringLiteral("cboDT200"));
    m_gw->setMinimumWidth(140);
    m_dt->setMinimumWidth(100);
    m_search->setObjectName(QStringLiteral("cmdsearch"));
    m_export->setObjectName(QStringLiteral("cmdExport"));
    m_exit->setObjectName(QStringLiteral("cmdExit"));
    m_grid->setObjectName(QStringLiteral("msfgInfo"));

    auto* boxes = new QHBoxLayout;
    boxes->addWidget(new QLabel(QStringLiteral("GW21 IP"), this));
    boxes->addWidget(m_gw);
    boxes->addWidget(new QLabel(QStringLiteral("DT-200 ID"), this));
    boxes->addWidget(m_dt);
    boxes->addStretch(1);
    boxes->addWidget(m_search);
    boxes->addWidget(m_export);
    boxes->addWidget(m_exit);
    auto* top = new QVBoxLayout(this);
    top->addLayout(boxes);
    top->addWidget(m_grid, 1);
    top->addWidget(m_runner);
    querytools::showGrid(m_grid, m_model, terminal::widthsTwips());

    connect(m_gw, &QComboBox::currentTextChanged, this, &QUERY_DT200::cboGW21_Change);
    connect(m_search, &QPushButton::clicked, this, &QUERY_DT200::cmdsearch_Click);
    connect(m_export, &QPushButton::clicked, this, &QUERY_DT200::cmdexport_Click);
    connect(m_exit, &QPushButton::clicked, this, &QUERY_DT200::cmdexit_Click);
    connect(m_runner, &QueryRunner::finished, this, &QUERY_DT200::searchEnded);
    connect(m_runner, &QueryRunner::failed, this, [this](const QString& error) {
        searchEnded();
        msg::error(error);
    });

    resize(1000, 600);
    Module1::CenterForm(this);
    LoadData();
}

void QUERY_DT200::LoadData()
{
    try {
        querytools::fillBox(m_gw, terminal::gateways(), true);
    } catch (const db::DbError& e) {
        msg::error(e.text());
        return;
    }
    cboGW21_Change();
}

void QUERY_DT200::cboGW21_Change()
{
    try {
        querytools::fillBox(m_dt, terminal::terminals(m_gw->currentText()), true);
    } catch (const db::DbError& e) {
        msg::error(e.text());
    }
}

void QUERY_DT200::cmdsearch_Click()
{
    m_export->setEnabled(false);
    setCursor(Qt::BusyCursor);
    m_runner->start(m_model, terminal::search(m_gw->currentText(), m_dt->currentText()), terminal::shownRow);
}

void QUERY_DT200::searchEnded()
{
    unsetCursor();
    m_export->setEnabled(true);
}

void QUERY_DT200::cmdexport_Click()
{
    Module1::ExportGridModelToExcel(m_model);
}

void QUERY_DT200::cmdexit_Click()
{
    close();
}
