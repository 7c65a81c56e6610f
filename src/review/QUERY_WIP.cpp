#include "QUERY_WIP.h"

#include "ExcelExport.h"
#include "QueryModel.h"
#include "QueryTools.h"
#include "Style.h"
#include "app/Module1.h"
#include "query/WipQuery.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QTableView>

namespace wip = query::wip;

namespace {

// Row colours by result kind, with the legend's labels.
struct KindColour
{
    const char* kind;
    QColor colour;
    const char* label;
};
const KindColour kKindColours[] = {
    {"0", QColor(192, 255, 255), "Normal"},
    {"1", QColor(255, 255, 192), "Component and Slot not match"},
    {"2", QColor(255, 192, 128), "Invalid Component"},
};

QComboBox* newBox(QWidget* parent, const char* name)
{
    auto* b = new QComboBox(parent);
    b->setObjectName(QLatin1String(name));
    b->setMinimumWidth(120);
    return b;
}

} // namespace

QUERY_WIP::QUERY_WIP(QWidget* parent)
    : QueryScreen(QStringLiteral("QUERY_WIP"), QStringLiteral("Query - WIP by history"), wip::headers(),
                  Qt::AlignCenter, parent)
    , m_line(newBox(this, "cboLine"))
    , m_mc(newBox(this, "cboMC"))
    , m_md(newBox(this, "cboMD"))
    , m_slot(newBox(this, "cboSlot"))
    , m_proj(newBox(this, "cboProj"))
    , m_part(newBox(this, "cboPart"))
    , m_from(querytools::newTimePicker(this, QStringLiteral("DTfrom")))
    , m_to(querytools::newTimePicker(this, QStringLiteral("DTto")))
{
    createButtons();
    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("MFGdata"));
    createRunner();
    const char* opts[] = {"<ALL>", "Normal", "Error"};
    for (int i = 0; i < 3; ++i) {
        m_opt[i] = new QRadioButton(QLatin1String(opts[i]), this);
        m_opt[i]->setObjectName(QStringLiteral("Opt_%1").arg(i + 1));
    }
    m_opt[0]->setChecked(true);

    auto* boxes = new QGridLayout;
    const std::pair<const char*, QWidget*> fields[] = {
        {"Line ID", m_line}, {"Machine", m_mc},    {"Module", m_md}, {"Slot ID", m_slot},
        {"Project", m_proj}, {"Project PN", m_part}, {"From", m_from}, {"To", m_to},
    };
    for (int i = 0; i < 8; ++i) {
        boxes->addWidget(new QLabel(QLatin1String(fields[i].first), this), i / 4, (i % 4) * 2);
        boxes->addWidget(fields[i].second, i / 4, (i % 4) * 2 + 1);
    }
    auto* options = new QHBoxLayout;
    for (QRadioButton* o : m_opt)
        options->addWidget(o);
    auto* legend = new QHBoxLayout;
    for (const KindColour& k : kKindColours) {
        auto* swatch = new QLabel(this);
        swatch->setFixedSize(24, 14);
        swatch->setStyleSheet(QStringLiteral("background-color: %1; border: 1px solid gray;").arg(k.colour.name()));
        legend->addWidget(swatch);
        legend->addWidget(new QLabel(QLatin1String(k.label), this));
        m_model->setKindColour(QLatin1String(k.kind), k.colour);
    }
    options->addSpacing(20);
    options->addLayout(legend);
    addButtons(options);
    layOut({boxes, options}, m_grid);

    // The status column keeps the grid's default alignment.
    m_model->setColumnAlignment(wip::kShownColumns, Qt::AlignLeft | Qt::AlignVCenter);
    querytools::showGrid(m_grid, m_model, wip::widthsTwips());

    connect(m_line, &QComboBox::currentTextChanged, this, &QUERY_WIP::cboLine_Change);
    connect(m_mc, &QComboBox::currentTextChanged, this, &QUERY_WIP::cboMC_Change);
    connect(m_md, &QComboBox::currentTextChanged, this, &QUERY_WIP::cboMD_Change);
    connect(m_proj, &QComboBox::currentTextChanged, this, &QUERY_WIP::cboProj_Change);

    place(1100, 640);
    querytools::InitDates(m_from, m_to);
    LoadData();
}

void QUERY_WIP::LoadData()
{
    if (refill(m_line, wip::lines(), true) && refill(m_proj, wip::projects(), true)) {
        cboLine_Change();
        cboProj_Change();
    }
}

// Each cascade refills its child and runs the child's own cascade; a failure
// is shown once by the handler that started it.
void QUERY_WIP::cboLine_Change()
{
    if (refill(m_mc, wip::machines(m_line->currentText()), true))
        cboMC_Change();
}

void QUERY_WIP::cboMC_Change()
{
    if (refill(m_md, wip::modules(m_mc->currentText()), true))
        cboMD_Change();
}

void QUERY_WIP::cboMD_Change()
{
    refill(m_slot, wip::slots(m_md->currentText()), true);
}

void QUERY_WIP::cboProj_Change()
{
    refill(m_part, wip::parts(m_proj->currentText()), true);
}

void QUERY_WIP::cmdsearch_Click()
{
    wip::Filter f;
    f.line = m_line->currentText();
    f.machine = m_mc->currentText();
    f.module = m_md->currentText();
    f.slot = m_slot->currentText();
    f.part = m_part->currentText();
    f.window = querytools::pickerWindow(m_from, m_to);
    f.option = m_opt[1]->isChecked() ? wip::Option::Normal
                                     : (m_opt[2]->isChecked() ? wip::Option::Error : wip::Option::All);
    // A day at a time: the first rows show after one day's sort, not the
    // whole window's.
    startSearch(wip::searchInParts(f), wip::shownRow);
}

void QUERY_WIP::cmdexport_Click()
{
    Module1::ExportGridModelToExcel(m_model, Module1::ExportOption::RowColourByStatus);
}
