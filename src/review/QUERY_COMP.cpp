#include "QUERY_COMP.h"

#include "QueryModel.h"
#include "QueryTools.h"
#include "Style.h"
#include "app/Module1.h"
#include "query/LoadingQuery.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QTableView>

namespace loading = query::loading;

QUERY_COMP::QUERY_COMP(QWidget* parent)
    : QueryScreen(QStringLiteral("QUERY_COMP"), QStringLiteral("Query - Component Loading / Changes Record"),
                  loading::headers(), Qt::AlignLeft | Qt::AlignVCenter, parent)
    , m_proj(new QComboBox(this))
    , m_part(new QComboBox(this))
    , m_from(querytools::newTimePicker(this, QStringLiteral("DTfrom")))
    , m_to(querytools::newTimePicker(this, QStringLiteral("DTto")))
{
    createButtons();
    m_grid = new QTableView(this);
    createRunner();
    m_proj->setObjectName(QStringLiteral("cboProj"));
    m_part->setObjectName(QStringLiteral("cboPart"));
    m_proj->setMinimumWidth(140);
    m_part->setMinimumWidth(160);
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
    addButtons(buttons);
    layOut({boxes, buttons}, m_grid);
    querytools::showGrid(m_grid, m_model, loading::widthsTwips());

    connect(m_proj, &QComboBox::currentTextChanged, this, &QUERY_COMP::cboProj_Change);

    place(1100, 640);
    querytools::InitDates(m_from, m_to);
    LoadData();
}

void QUERY_COMP::LoadData()
{
    if (refill(m_proj, loading::projects(), false))
        cboProj_Change();
}

void QUERY_COMP::cboProj_Change()
{
    if (m_proj->currentText().isEmpty())
        m_part->clear();
    else
        refill(m_part, loading::parts(m_proj->currentText()), false);
}

void QUERY_COMP::cmdsearch_Click()
{
    const query::Statement s =
        loading::search(m_proj->currentText(), m_part->currentText(), querytools::pickerWindow(m_from, m_to));
    if (s.sql.isEmpty()) {
        m_runner->clear(m_model);
        return;
    }
    m_shown = {m_proj->currentText(), m_part->currentText()};
    startSearch(s, loading::shownRow);
}

void QUERY_COMP::cmdexport_Click()
{
    Module1::ExportGridModelToExcel(m_model, Module1::ExportOption::TitleBlock, m_shown);
}
