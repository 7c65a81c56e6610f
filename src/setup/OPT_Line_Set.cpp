#include "OPT_Line_Set.h"

#include "ListTools.h"
#include "SetupWidgets.h"
#include "app/MessageLayer.h"
#include "app/Module1.h"
#include "setup/SetupImports.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTableWidget>

using Module1::gConn;

OPT_Line_Set::OPT_Line_Set(QWidget* parent) : MaintenanceScreen(parent)
{
    setObjectName(QStringLiteral("OPT_Line_Set"));
    setWindowTitle(QStringLiteral("Operation - Product Line Setting"));
    auto* layout = new QVBoxLayout(this);
    auto* boxes = new QGridLayout;
    cboLine = setupui::labelledSelector(this, boxes, 0, 0, "Line ID", "cboLine");
    cboProj = setupui::labelledSelector(this, boxes, 0, 1, "Project ID", "cboProj");
    cboPart = setupui::labelledSelector(this, boxes, 0, 2, "Part No", "cboPart");
    cboMC = setupui::labelledSelector(this, boxes, 1, 0, "Machine ID", "cboMC");
    cboGW21 = setupui::labelledSelector(this, boxes, 1, 1, "GW21 ID", "cboGW21");
    cboDT = setupui::labelledSelector(this, boxes, 1, 2, "DT200 ID", "cboDT");
    layout->addLayout(boxes);
    msfgData = new QTableWidget(this);
    msfgData->setObjectName(QStringLiteral("msfgData"));
    layout->addWidget(msfgData, 1);
    auto* buttons = new QHBoxLayout;
    CycleSetup s;
    cmdImport = addCycleButton(buttons, s.cmdImport, "&Import", "cmdImport");
    cmdExport = addCycleButton(buttons, s.cmdexport, "E&xport", "cmdExport");
    cmdNew = addCycleButton(buttons, s.cmdNew, "&New", "cmdNew");
    cmdEdit = addCycleButton(buttons, s.cmdEdit, "&Edit", "cmdEdit");
    cmdDelete = addCycleButton(buttons, s.cmdDelete, "&Delete", "cmdDelete");
    cmdSave = addCycleButton(buttons, s.cmdSave, "&Save", "cmdSave");
    cmdCancel = addCycleButton(buttons, s.cmdCancel, "&Cancel", "cmdCancel");
    cmdExit = addCycleButton(buttons, s.cmdexit, "E&xit", "cmdExit");
    layout->addLayout(buttons);
    resize(1150, 560);

    Module1::OnTextChange(cboGW21, this, [this] { cboGW21_Change(); });
    Module1::OnTextChange(cboLine, this, [this] { cboLine_Change(); });
    Module1::OnTextChange(cboProj, this, [this] { cboProj_Change(); });

    s.grid = msfgData;
    // Edit changes project and part number of the row shown.
    s.keyBoxes = {cboLine, cboMC, cboGW21, cboDT};
    s.otherBoxes = {cboProj, cboPart};
    // Each parent box is set before its child, so the child's list is the
    // parent's when the child's text arrives.
    s.rowBoxes = {cboLine, cboProj, cboPart, cboMC, cboGW21, cboDT};
    s.editKeyBoxes = {cboLine};
    s.saveFailure = SaveFailure::Exclamation;
    setupCycle(s);

    TableBinding b;
    b.table = QStringLiteral("line_set");
    b.fields = {{QStringLiteral("line_id"), cboLine, true, true}, {QStringLiteral("proj_id"), cboProj, false, true},
                {QStringLiteral("part_no"), cboPart, false, true}, {QStringLiteral("mc_id"), cboMC, true, true},
                {QStringLiteral("gw21_ip"), cboGW21, true, true},
                {QStringLiteral("dt200_id"), cboDT, true, true, setup::FormatTerminalId}};
    b.requiredMessage = QStringLiteral("The Parameter cannot be null ...");
    setTableBinding(b);
    Form_Load();
}

void OPT_Line_Set::LoadData()
{
    Module1::InitGrid(msfgData,
                      {"Line ID", "Project ID", "Part No", "Machine ID", "GW21 IP", "DT200 ID", "User ID", "User Name",
                       "Update Time"},
                      {1210, 1600, 2100, 1900, 1210, 1210, 1000, 2000, 2000});
    Module1::FillGrid(msfgData, QStringLiteral(
                          "select A.line_id, A.proj_id, A.part_no, A.mc_id, A.gw21_ip, A.dt200_id, A.update_user, "
                          "B.user_name, A.update_time from line_set A left join user_list B on A.update_user = B.user_id "
                          "order by A.line_id, A.proj_id, A.part_no"));
    finishLoad();
    Module1::FillCombo(cboLine, gConn().query(QStringLiteral("select distinct line_id from line_info order by line_id")));
    Module1::FillCombo(cboProj, gConn().query(QStringLiteral("select distinct proj_id from part_info order by proj_id")));
    Module1::FillCombo(cboGW21,
                       gConn().query(QStringLiteral("select distinct gw21_ip from dt200_info order by gw21_ip")));
    // The parents are empty now, and so is what hangs on them: no box keeps
    // a value of a row that is no longer shown.
    for (QComboBox* child : {cboMC, cboPart, cboDT})
        Module1::ClearCombo(child);
}

void OPT_Line_Set::cboGW21_Change()
{
    Module1::FillCombo(cboDT, gConn().query(QStringLiteral("select distinct dt200_id from dt200_info "
                                                           "where gw21_ip = ? order by dt200_id"),
                                            {cboGW21->currentText()}));
}

void OPT_Line_Set::cboLine_Change()
{
    Module1::FillCombo(cboMC, gConn().query(QStringLiteral("select distinct mc_id from mc_info where line_id = ? "
                                                           "order by mc_id"),
                                            {cboLine->currentText()}));
}

void OPT_Line_Set::cboProj_Change()
{
    Module1::FillCombo(cboPart, gConn().query(QStringLiteral("select distinct part_no from part_info "
                                                             "where proj_id = ? order by part_no"),
                                              {cboProj->currentText()}));
}

QVariantList OPT_Line_Set::boxTexts() const
{
    return {cboLine->currentText(), cboProj->currentText(), cboPart->currentText(),
            cboMC->currentText(),   cboGW21->currentText(), cboDT->currentText()};
}

void OPT_Line_Set::modeEntered()
{
    // Project and part number are about to change: the row is found by what
    // it holds now, as the boxes show it.
    if (EditMode == QLatin1String("Edit"))
        m_editedRow = boxTexts();
}

int OPT_Line_Set::updateRow()
{
    // Rows of the same line, machine and terminal for other part numbers
    // are other set-ups: only the row shown changes.
    QVariantList values{cboProj->currentText(), cboPart->currentText(), Module1::gUserID};
    values << m_editedRow;
    return gConn().exec(QStringLiteral("update line_set set proj_id = ?, part_no = ?, update_user = ?, "
                                       "update_time = sysdate where line_id = ? and proj_id = ? and part_no = ? "
                                       "and mc_id = ? and gw21_ip = ? and dt200_id = ?"),
                        values);
}

qlonglong OPT_Line_Set::deleteGuardCount()
{
    // The component set-up of the line, part number and machine hangs on the row.
    return gConn().count(
        QStringLiteral("select count(*) from component_set where line_id = ? and part_no = ? and mc_id = ?"),
        {cboLine->currentText(), cboPart->currentText(), cboMC->currentText()});
}

void OPT_Line_Set::showDeleteRefused(qlonglong users)
{
    msg::box(QString::number(users) + QStringLiteral("  records are using this Line set, it cannot be removed ..."));
}

int OPT_Line_Set::deleteRow()
{
    return gConn().exec(QStringLiteral("delete from line_set where line_id = ? and proj_id = ? and part_no = ? "
                                       "and mc_id = ? and gw21_ip = ? and dt200_id = ?"),
                        boxTexts());
}

std::optional<workbook::ImportLayout> OPT_Line_Set::importLayout() const
{
    return setup::LineSetImport(gConn());
}
