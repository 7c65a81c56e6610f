#include "OPT_Component.h"

#include "ListTools.h"
#include "SetupWidgets.h"
#include "Style.h"
#include "app/MessageLayer.h"
#include "app/Module1.h"
#include "setup/SetupImports.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QTableWidget>
#include <QTreeWidget>
#include <optional>

using Module1::gConn;

namespace {

QTableWidgetItem* cell(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return item;
}

QString text(const QTableWidget* grid, int row, int col)
{
    const QTableWidgetItem* item = grid->item(row, col);
    return item ? item->text() : QString();
}

// Shows equal neighbouring cells of the columns as one. A cell joins the one
// above only when the cells left of it join too, so one merged cell never
// spans two lines, part numbers or machines.
void mergeEqualCells(QTableWidget* grid, int firstCol, int lastCol)
{
    grid->clearSpans();
    const int rows = grid->rowCount();
    QVector<bool> joinsAbove(rows, true);
    for (int c = firstCol; c <= lastCol; ++c) {
        for (int r = 0; r < rows; ++r)
            joinsAbove[r] = r > 0 && joinsAbove[r] && text(grid, r, c) == text(grid, r - 1, c);
        for (int r = 0; r < rows;) {
            int end = r + 1;
            while (end < rows && joinsAbove[end])
                ++end;
            if (end - r > 1)
                grid->setSpan(r, c, end - r, 1);
            r = end;
        }
    }
}

// No entry chosen and no text; the box's change reaction runs when its text
// was not empty.
void clearSelection(QComboBox* box)
{
    box->setCurrentIndex(-1);
    box->setEditText(QString());
}

// List and text emptied without a change reaction.
void clearQuietly(QComboBox* box)
{
    const QSignalBlocker quiet(box);
    box->clear();
    box->setEditText(QString());
}

} // namespace

QString OPT_Component::markText()
{
    return QStringLiteral("\u2714");
}

OPT_Component::OPT_Component(QWidget* parent) : MaintenanceScreen(parent)
{
    setObjectName(QStringLiteral("OPT_Component"));
    setWindowTitle(QStringLiteral("Operation - Component Setting"));
    auto* layout = new QVBoxLayout(this);
    auto* boxes = new QGridLayout;
    cboLine = setupui::labelledSelector(this, boxes, 0, 0, "Line ID", "cboLine");
    cboPart = setupui::labelledSelector(this, boxes, 0, 1, "Part No", "cboPart");
    cboMC = setupui::labelledSelector(this, boxes, 0, 2, "Machine ID", "cboMC");
    cboMD = setupui::labelledSelector(this, boxes, 0, 3, "Module", "cboMD");
    layout->addLayout(boxes);

    auto* body = new QHBoxLayout;
    msfgInfo = new QTableWidget(this);
    msfgInfo->setObjectName(QStringLiteral("msfgInfo"));
    MFGdata = new QTableWidget(this);
    MFGdata->setObjectName(QStringLiteral("MFGdata"));
    TV = new QTreeWidget(this);
    TV->setObjectName(QStringLiteral("TV"));
    TV->setHeaderHidden(true);
    // Codes differ only in their last digits: each is shown whole, the tree
    // scrolling sideways when it is narrower than the longest.
    TV->header()->setStretchLastSection(false);
    TV->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    body->addWidget(msfgInfo, 5);
    body->addWidget(MFGdata, 3);
    body->addWidget(TV, 2);
    layout->addLayout(body, 1);
    PB = new QProgressBar(this);
    PB->setObjectName(QStringLiteral("PB"));
    PB->hide();
    layout->addWidget(PB);

    auto* buttons = new QHBoxLayout;
    CycleSetup s;
    cmdImport = addCycleButton(buttons, s.cmdImport, "&Import", "cmdImport");
    cmdNew = addCycleButton(buttons, s.cmdNew, "&New", "cmdNew");
    cmdEdit = addCycleButton(buttons, s.cmdEdit, "&Edit", "cmdEdit");
    cmdDelete = addCycleButton(buttons, s.cmdDelete, "&Delete", "cmdDelete");
    cmdSave = addCycleButton(buttons, s.cmdSave, "&Save", "cmdSave");
    cmdCancel = addCycleButton(buttons, s.cmdCancel, "&Cancel", "cmdCancel");
    cmdExport = addCycleButton(buttons, s.cmdexport, "E&xport", "cmdExport");
    cmdExit = addCycleButton(buttons, s.cmdexit, "E&xit", "cmdExit");
    layout->addLayout(buttons);
    resize(1150, 620);

    Module1::OnTextChange(cboLine, this, [this] { cboLine_Change(); });
    Module1::OnTextChange(cboPart, this, [this] { cboPart_Change(); });
    Module1::OnTextChange(cboMC, this, [this] { cboMC_Change(); });
    Module1::OnTextChange(cboMD, this, [this] { cboMD_Change(); });
    connect(MFGdata, &QTableWidget::cellClicked, this, [this](int row, int) { MFGdata_Click(row); });
    connect(TV, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* node, int) { TV_NodeClick(node); });
    // By keyboard: Space marks the current slot row, Return assigns the current node.
    Module1::OnSpace(MFGdata, [this](int row) { MFGdata_Click(row); });
    connect(TV, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* node, int) { TV_NodeClick(node); });

    s.grid = msfgInfo;
    s.editKeyBoxes = {cboLine};
    s.gates = {QStringLiteral("OPR_New_Component"), QStringLiteral("OPR_Edit_Component"),
               QStringLiteral("OPR_Delete_Component"), QStringLiteral("OPR_New_Component")};
    setupCycle(s);
    Form_Load();
}

void OPT_Component::initGrids()
{
    m_gridKey = {};
    msfgInfo->clearSpans();
    Module1::InitGrid(msfgInfo, {"Line ID", "Part No", "Machine ID", "Module ID", "Slot ID", "Component ID"},
                      {900, 1300, 1800, 1000, 1000, 1300});
    Module1::StyleFlexGrid(MFGdata);
    MFGdata->clear();
    MFGdata->setRowCount(0);
    MFGdata->setColumnCount(3);
    MFGdata->setHorizontalHeaderLabels({QString(), QStringLiteral("Slot ID"), QStringLiteral("Component ID")});
    const int widths[] = {250, 850, 1300};
    for (int c = 0; c < 3; ++c) {
        MFGdata->setColumnWidth(c, widths[c] / Module1::kTwipsPerPixel);
        if (QTableWidgetItem* h = MFGdata->horizontalHeaderItem(c))
            h->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }
    // As in the tree, a component code shows whole in both grids: codes that
    // differ in their last digits must not look alike where the user checks
    // what went into a slot.
    msfgInfo->horizontalHeader()->setSectionResizeMode(6, QHeaderView::ResizeToContents);
    MFGdata->horizontalHeader()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
}

void OPT_Component::EnableSelectors(bool line, bool part, bool /*machine*/, bool module)
{
    // The machine box stays open in every state: it picks the overview.
    m_selectorsOn = line;
    cboLine->setEnabled(line);
    cboPart->setEnabled(part);
    cboMC->setEnabled(true);
    cboMD->setEnabled(module);
}

void OPT_Component::LoadData()
{
    initGrids();
    MFGdata->setEnabled(true);
    TV->setEnabled(false);
    EnableSelectors(false, false, false, false);
    loadTree();
    Module1::FillCombo(cboLine, gConn().query(QStringLiteral("select distinct line_id from line_set order by line_id")));
    Module1::FillCombo(cboMC, gConn().query(QStringLiteral("select distinct mc_id from mc_info order by mc_id")));
}

void OPT_Component::loadTree()
{
    TV->clear();
    const QStyle* style = QApplication::style();
    QIcon group = style->standardIcon(QStyle::SP_DirClosedIcon);
    group.addPixmap(style->standardIcon(QStyle::SP_DirOpenIcon).pixmap(16), QIcon::Selected);
    const QIcon component = style->standardIcon(QStyle::SP_FileIcon);
    db::ResultSet rs = gConn().query(
        QStringLiteral("select distinct group_id, comp_code from component_list order by group_id, comp_code"));
    QString previous;
    QTreeWidgetItem* root = nullptr;
    int groups = 0;
    int components = 0;
    for (; !rs.eof(); rs.moveNext()) {
        const QString groupId = rs.text(0);
        if (!root || groupId != previous) {
            root = new QTreeWidgetItem(TV, {groupId});
            root->setData(0, Qt::UserRole, QStringLiteral("r%1").arg(++groups));
            root->setIcon(0, group);
            previous = groupId;
        }
        auto* leaf = new QTreeWidgetItem(root, {rs.text(1)});
        leaf->setData(0, Qt::UserRole, QStringLiteral("b%1").arg(++components));
        leaf->setIcon(0, component);
    }
}

void OPT_Component::cboLine_Change()
{
    Module1::FillCombo(cboPart, gConn().query(QStringLiteral("select distinct part_no from line_set where line_id = ? "
                                                             "order by part_no"),
                                              {cboLine->currentText()}));
}

void OPT_Component::cboPart_Change()
{
    if (!m_selectorsOn)
        return;
    Module1::FillCombo(cboMC, gConn().query(QStringLiteral("select distinct mc_id from line_set where line_id = ? "
                                                           "and part_no = ? order by mc_id"),
                                            {cboLine->currentText(), cboPart->currentText()}));
}

void OPT_Component::cboMC_Change()
{
    if (!m_selectorsOn)
        showOverview();
    Module1::FillCombo(cboMD,
                       gConn().query(QStringLiteral("select distinct md_id from slot_info where mc_id = ? order by md_id"),
                                     {cboMC->currentText()}));
}

void OPT_Component::cboMD_Change()
{
    MFGdata->setRowCount(0);
    db::ResultSet slots = gConn().query(
        QStringLiteral("select slot_id from slot_info where md_id = ? and mc_id = ? order by slot_id"),
        {cboMD->currentText(), cboMC->currentText()});
    for (; !slots.eof(); slots.moveNext())
        addSlotRow(slots.text(0), QString());
    const setup::ModuleKey k = moduleKey();
    m_gridKey = k;
    db::ResultSet stored = gConn().query(QStringLiteral("select slot_code, comp_code from component_set where "
                                                        "line_id = ? and part_no = ? and mc_id = ? and md_id = ? "
                                                        "order by slot_code"),
                                         {k.line, k.part, k.machine, k.module});
    for (; !stored.eof(); stored.moveNext()) {
        // A stored slot that the module no longer has is not shown.
        for (int r = 0; r < MFGdata->rowCount(); ++r) {
            if (text(MFGdata, r, 1) == stored.text(0)) {
                MFGdata->item(r, 2)->setText(stored.text(1));
                break;
            }
        }
    }
}

void OPT_Component::addSlotRow(const QString& slot, const QString& comp)
{
    const int r = MFGdata->rowCount();
    MFGdata->setRowCount(r + 1);
    MFGdata->setItem(r, 0, cell(QString()));
    MFGdata->setItem(r, 1, cell(slot));
    MFGdata->setItem(r, 2, cell(comp));
}

void OPT_Component::showOverview()
{
    // The rows come a part at a time, their number unknown until the last.
    PB->setRange(0, 0);
    PB->show();
    msfgInfo->hide();
    msfgInfo->clearSpans();
    msfgInfo->setRowCount(0);
    Module1::FillGrid(msfgInfo,
                      QStringLiteral("select line_id, part_no, mc_id, md_id, slot_code, comp_code "
                                     "from component_set where mc_id = ? "
                                     "order by line_id, part_no, mc_id, md_id, slot_code"),
                      {cboMC->currentText()});
    mergeEqualCells(msfgInfo, 0, 5);
    PB->setRange(0, 1);
    PB->setValue(1);
    PB->hide();
    clearSelection(cboLine);
    clearSelection(cboPart);
    clearSelection(cboMD);
    const bool rows = msfgInfo->rowCount() > 0;
    setButtons(true, rows, rows, false, false);
    cmdImport->setEnabled(true);
    msfgInfo->show();
}

void OPT_Component::rowToBoxes(const QStringList& texts)
{
    // Each as a change of the box's text, so the lists and the edit grid follow.
    if (texts.size() < 4)
        return;
    setBoxText(cboLine, texts[0]);
    setBoxText(cboPart, texts[1]);
    setBoxText(cboMD, texts[3]);
    // Two part numbers set up on one module share the module's text: the
    // grid must still change to the clicked row's slots, or a Delete would
    // clear a slot the user never saw.
    if (moduleKey() == m_gridKey)
        return;
    try {
        cboMD_Change();
    } catch (const db::DbError& e) {
        msg::error(e.text());
    }
}

void OPT_Component::MFGdata_Click(int row)
{
    if (row < 0 || row >= MFGdata->rowCount())
        return;
    for (int r = 0; r < MFGdata->rowCount(); ++r)
        MFGdata->item(r, 0)->setText(r == row ? markText() : QString());
}

void OPT_Component::TV_NodeClick(QTreeWidgetItem* node)
{
    if (!node)
        return;
    // A component sets the marked slot; a group clears it.
    const QString comp = node->childCount() == 0 ? node->text(0) : QString();
    for (int r = 0; r < MFGdata->rowCount(); ++r) {
        if (!text(MFGdata, r, 0).isEmpty())
            MFGdata->item(r, 2)->setText(comp);
    }
}

void OPT_Component::modeEntered()
{
    // Edit reads the stored slots before anything changes: a read that fails
    // leaves the screen as it was.
    std::optional<db::ResultSet> stored;
    const setup::ModuleKey k = moduleKey();
    if (EditMode == QLatin1String("Edit"))
        stored = gConn().query(QStringLiteral("select slot_code, comp_code from component_set where "
                                              "line_id = ? and part_no = ? and mc_id = ? and md_id = ? "
                                              "order by slot_code"),
                               {k.line, k.part, k.machine, k.module});
    cmdImport->setEnabled(false);
    if (EditMode == QLatin1String("New")) {
        TV->setEnabled(true);
        EnableSelectors(true, true, true, true);
        // The cascade starts again from the line.
        clearQuietly(cboPart);
        clearQuietly(cboMC);
        clearQuietly(cboMD);
        const QSignalBlocker quiet(cboLine);
        cboLine->setCurrentIndex(-1);
        cboLine->setEditText(QString());
    } else if (EditMode == QLatin1String("Edit")) {
        TV->setEnabled(true);
        EnableSelectors(false, false, false, false);
        // Only the slots that are stored.
        MFGdata->setRowCount(0);
        m_gridKey = k;
        for (db::ResultSet& rs = *stored; !rs.eof(); rs.moveNext())
            addSlotRow(rs.text(0), rs.text(1));
    }
}

setup::ModuleKey OPT_Component::moduleKey() const
{
    return {cboLine->currentText(), cboPart->currentText(), cboMC->currentText(), cboMD->currentText()};
}

bool OPT_Component::inputAccepted()
{
    if (EditMode != QLatin1String("New"))
        return true;
    const setup::ModuleKey k = moduleKey();
    if (k.line.isEmpty() || k.part.isEmpty() || k.machine.isEmpty() || k.module.isEmpty()) {
        msg::information(QStringLiteral("The Parameter cannot be null ..."));
        return false;
    }
    return true;
}

int OPT_Component::saveRows(setup::SaveMode mode)
{
    QList<setup::SlotRow> rows;
    bool shownMarked = false; // a marked slot that shows a component
    for (int r = 0; r < MFGdata->rowCount(); ++r) {
        rows << setup::SlotRow{text(MFGdata, r, 1), text(MFGdata, r, 2), !text(MFGdata, r, 0).isEmpty()};
        shownMarked = shownMarked || (rows.last().marked && !rows.last().comp.isEmpty());
    }
    const int changed = setup::SaveSlotRows(gConn(), mode, moduleKey(), rows, Module1::gUserID);
    // Edit stores the grid as it stands, whatever is stored meanwhile; only
    // the component a Delete removes can have gone.
    return mode == setup::SaveMode::Del && shownMarked ? changed : kRowsUncounted;
}

void OPT_Component::insertRow()
{
    saveRows(setup::SaveMode::New);
}

int OPT_Component::updateRow()
{
    return saveRows(setup::SaveMode::Edit);
}

int OPT_Component::deleteRow()
{
    return saveRows(setup::SaveMode::Del);
}

void OPT_Component::saveFailed(const db::DbError& error)
{
    // A slot another user stored meanwhile: the screen shows what is stored now.
    if (error.kind() == db::ErrorKind::UniqueViolation) {
        reload();
        msfgInfo->setEnabled(true);
        return;
    }
    msg::box(error.text());
}

std::optional<workbook::ImportLayout> OPT_Component::importLayout() const
{
    return setup::ComponentSetImport(gConn());
}
