#include "QUERY_Panel.h"

#include "ExcelExport.h"
#include "ListTools.h"
#include "QueryModel.h"
#include "QueryTools.h"
#include "Style.h"
#include "app/MessageLayer.h"
#include "app/Module1.h"
#include "query/TraceQuery.h"

#include <QApplication>
#include <QDateTimeEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTreeView>

namespace trace = query::trace;

namespace {

QLineEdit* newBox(QWidget* parent, const char* name)
{
    auto* b = new QLineEdit(parent);
    b->setObjectName(QLatin1String(name));
    return b;
}

} // namespace

QUERY_Panel::QUERY_Panel(QWidget* parent)
    : QueryScreen(QStringLiteral("QUERY_Panel"), QStringLiteral("Query - Traceability Information"), trace::headers(),
                  Qt::AlignLeft | Qt::AlignVCenter, parent)
    , m_opt1(new QRadioButton(QStringLiteral("Product"), this))
    , m_opt2(new QRadioButton(QStringLiteral("Materials"), this))
    , m_batch(newBox(this, "txtBatch"))
    , m_panel(newBox(this, "txtPanel"))
    , m_sn(newBox(this, "txtSN"))
    , m_lot(newBox(this, "txtLot"))
    , m_ship(newBox(this, "txtShip"))
    , m_rt(newBox(this, "txtRT"))
    , m_comp(newBox(this, "txtComp"))
    , m_from(querytools::newTimePicker(this, QStringLiteral("DTfrom")))
    , m_to(querytools::newTimePicker(this, QStringLiteral("DTto")))
    , m_list(new QTreeView(this))
{
    createButtons();
    createRunner();
    m_opt1->setObjectName(QStringLiteral("Opt1"));
    m_opt2->setObjectName(QStringLiteral("Opt2"));
    m_list->setObjectName(QStringLiteral("LvData"));

    auto* boxes = new QGridLayout;
    boxes->addWidget(m_opt1, 0, 0);
    const std::pair<const char*, QWidget*> product[] = {{"Lot No(FG)", m_batch}, {"Panel No", m_panel}, {"SN", m_sn}};
    for (int i = 0; i < 3; ++i) {
        boxes->addWidget(new QLabel(QLatin1String(product[i].first), this), 0, 1 + i * 2);
        boxes->addWidget(product[i].second, 0, 2 + i * 2);
    }
    boxes->addWidget(m_opt2, 1, 0);
    const std::pair<const char*, QWidget*> material[] = {
        {"Lot No(R)", m_lot}, {"D/C", m_ship}, {"RT No", m_rt}, {"Component", m_comp}};
    for (int i = 0; i < 4; ++i) {
        boxes->addWidget(new QLabel(QLatin1String(material[i].first), this), 1, 1 + i * 2);
        boxes->addWidget(material[i].second, 1, 2 + i * 2);
    }
    boxes->addWidget(new QLabel(QStringLiteral("From"), this), 2, 1);
    boxes->addWidget(m_from, 2, 2);
    boxes->addWidget(new QLabel(QStringLiteral("To"), this), 2, 3);
    boxes->addWidget(m_to, 2, 4);
    auto* buttons = new QHBoxLayout;
    addButtons(buttons);
    layOut({boxes, buttons}, m_list);
    querytools::showList(m_list, m_model, trace::widthsTwips());
    Module1::InstallColumnSort(m_list);

    connect(m_opt1, &QRadioButton::clicked, this, [this] { FrameXP(true, false); });
    connect(m_opt2, &QRadioButton::clicked, this, [this] { FrameXP(false, true); });
    connect(m_list, &QTreeView::doubleClicked, this, &QUERY_Panel::LvData_DblClick);

    place(1100, 640);
    querytools::InitDates(m_from, m_to);
    FrameXP(true, false);
}

void QUERY_Panel::FrameXP(bool product, bool materials)
{
    // An enabled box on the highlight-text colour, a disabled one on the grey
    // text colour; the texts stay while a box is disabled.
    const QPalette app = QApplication::palette();
    auto apply = [&](QLineEdit* box, bool on) {
        box->setEnabled(on);
        QPalette p = box->palette();
        const QColor c = on ? app.color(QPalette::Active, QPalette::HighlightedText)
                            : app.color(QPalette::Disabled, QPalette::Text);
        p.setColor(QPalette::Active, QPalette::Base, c);
        p.setColor(QPalette::Inactive, QPalette::Base, c);
        p.setColor(QPalette::Disabled, QPalette::Base, c);
        box->setPalette(p);
    };
    m_opt1->setChecked(product);
    for (QLineEdit* b : {m_batch, m_panel, m_sn})
        apply(b, product);
    m_opt2->setChecked(materials);
    for (QLineEdit* b : {m_lot, m_ship, m_rt, m_comp})
        apply(b, materials);
}

void QUERY_Panel::cmdsearch_Click()
{
    const query::Window w = querytools::pickerWindow(m_from, m_to);
    if (m_opt1->isChecked())
        startSearch(trace::products({m_batch->text(), m_panel->text(), m_sn->text(), w}), trace::boardRow);
    else
        startSearch(trace::materials({m_lot->text(), m_ship->text(), m_rt->text(), m_comp->text(), w}),
                    trace::materialRow);
}

void QUERY_Panel::LvData_DblClick()
{
    const QModelIndex current = m_list->currentIndex();
    if (!current.isValid() || m_runner->running())
        return;
    const int row = current.row();
    const QString kind = m_model->kind(row);
    // The drill-down reads the row before the list is emptied for its result.
    const query::Window w = querytools::pickerWindow(m_from, m_to);
    if (kind == trace::kMaterial)
        startSearch(trace::boardsOfMaterial(m_model->text(row, trace::kColComponent),
                                            m_model->text(row, trace::kColPartNo), w),
                    trace::boardRow);
    else if (kind == trace::kBoard)
        startSearch(trace::snapshot(m_model->text(row, trace::kColMarking), w), trace::materialRow);
}

void QUERY_Panel::searchEnded(int rows, bool stopped)
{
    QueryScreen::searchEnded(rows, stopped);
    if (rows == 0 && !stopped)
        msg::box(QStringLiteral("No data found."));
}

void QUERY_Panel::cmdexport_Click()
{
    Module1::ExportListModelToExcel(m_model);
}
