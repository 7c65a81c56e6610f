#include "QUERY_COMP.h"

#include "QueryModel.h"
#include "QueryRunner.h"
#include "QueryTools.h"
#include "Style.h"
#include "app/MessageLayer.h"
#include "app/Module1.h"
#include "query/LoadingQuery.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace loading = query::loading;

QUERY_COMP::QUERY_COMP(QWidget* parent)
    : QWidget(parent)
    , m_proj(new QComboBox(this))
    , m_part(new QComboBox(this))
    , m_from(querytools::newTimePicker(this, QStringLiteral("DTfrom")))
    , m_to(querytools::newTimePicker(this, QStringLiteral("DTto")))
    , m_search(new QPushButton(QStringLiteral("&Search"), this))
    , m_export(new QPushButton(QStringLiteral("&Export"), this))
    , m_exit(new QPushButton(QStringLiteral("E&xit"), this))
    , m_grid(new QTableView(this))
    , m_model(new QueryModel(loading::headers(), Qt::AlignLeft | Qt::AlignVCenter, this))
    , m_runner(new QueryRunner(this))
{
    setObjectName(QStringLiteral("QUERY_COMP"));
    setWindowTitle(QStringLiteral("Query - Component Loading / Changes Record"));
    m_proj->setObjectName(QStringLiteral("cboProj"));
    m_part->setObjectName(QStringLiteral("cboPart"));
    m_proj->setMinimumWidth(140);
    m_part->setMinimumWidth(160);
    m_search->setObjectName(QStringLiteral("cmdsearch"));
    m_export->setObjectName(QStringLiteral("cmdexport"));
    m_exit->setObjectName(QStringLiteral("cmdexit"));
    m_grid->setObjectName(QStringLiteral("MFGdata"));

    auto* boxes = new QGridLayout;
    boxes->addWidget(new QLabel(QStringLiteral("Project"), this), 0, 0);
    boxes->addWidget(m_proj, 0, 1);
    boxes->addWidget(new QLabel(QStringLiteral("Project PN"), this), 0, 2);
    boxes->addWidget(m_part, 0, 3);
    boxes->addWidget(new QLabel(QStringLiteral("From"), this), 1, 0);
    boxes->addWidget(m_from, 1, 1);
    boxes->addWidget(new QLabel(QStringLiteral("To"), this), 1, 2);
    boxes->addWidget(m_to, 1, 3);
    boxes->setColumnStretch(4, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_search);
    buttons->addWidget(m_export);
    buttons->addWidget(m_exit);
    auto* top = new QVBoxLayout(this);
    top->addLayout(boxes);
    top->addLayout(buttons);
    top->addWidget(m_grid, 1);
    top->addWidget(m_runner);
    querytools::showGrid(m_grid, m_model, loading::widthsTwips());

    connect(m_proj, &QComboBox::currentTextChanged, this, &QUERY_COMP::cboProj_Change);
    connect(m_search, &QPushButton::clicked, this, &QUERY_COMP::cmdsearch_Click);
    connect(m_export, &QPushButton::clicked, this, &QUERY_COMP::cmdexport_Click);
    connect(m_exit, &QPushButton::clicked, this, &QUERY_COMP::cmdexit_Click);
    connect(m_runner, &QueryRunner::finished, this, &QUERY_COMP::searchEnded);
    connect(m_runner, &QueryRunner::failed, this, [this](const QString& error) {
        searchEnded();
        msg::error(error);
    });

    resize(1100, 640);
    Module1::CenterForm(this);
    InitDates();
}

void QUERY_COMP::InitDates()
{
    const query::Window w = query::defaultWindow(Module1::now());
    m_from->setDateTime(w.from);
    m_to->setDateTime(w.to);
    LoadData();
}

void QUERY_COMP::LoadData()
{
    try {
        querytools::fillBox(m_proj, loading::projects(), false);
    } catch (const db::DbError& e) {
        msg::error(e.text());
        return;
    }
    cboProj_Change();
}

void QUERY_COMP::cboProj_Change()
{
    try {
        if (m_proj->currentText().isEmpty())
            m_part->clear();
        else
            querytools::fillBox(m_part, loading::parts(m_proj->currentText()), false);
    } catch (const db::DbError& e) {
        msg::error(e.text());
    }
}

void QUERY_COMP::cmdsearch_Click()
{
    const query::Statement s =
        loading::search(m_proj->currentText(), m_part->currentText(), querytools::pickerWindow(m_from, m_to));
    if (s.sql.isEmpty()) {
        m_runner->clear(m_model);
        searchEnded();
        return;
    }
    m_shown = {m_proj->currentText(), m_part->currentText()};
    m_export->setEnabled(false);
    setCursor(Qt::BusyCursor);
    m_runner->start(m_model, s, loading::shownRow);
}

void QUERY_COMP::searchEnded()
{
    unsetCursor();
    m_export->setEnabled(true);
}

void QUERY_COMP::cmdexport_Click()
{
    Module1::ExportGridModelToExcel(m_model, Module1::ExportOption::TitleBlock, m_shown);
}

void QUERY_COMP::cmdexit_Click()
{
    close();
}
