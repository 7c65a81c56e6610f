#include "Mtc_Comp_Proj.h"

#include "ListTools.h"
#include "FormWidgets.h"
#include "app/MessageLayer.h"
#include "app/Module1.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace formui;
using Module1::gConn;

namespace {

// What the designator box takes when typed; a stored one may be longer.
constexpr int kRefLength = 1;

} // namespace

Mtc_Comp_Proj::Mtc_Comp_Proj(QWidget* parent) : MaintenanceScreen(parent)
{
    setWindowTitle(QStringLiteral("Maintenance - Component Define by Project"));
    auto* layout = new QVBoxLayout(this);
    CHK_ALL = new QCheckBox(QStringLiteral("View All"));
    layout->addWidget(CHK_ALL);
    LvData = new QTreeWidget;
    layout->addWidget(LvData, 1);
    PB = addLoadBar(layout);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    cboProj = addDropDown(form, QStringLiteral("Project ID"));
    cboPart = addDropDown(form, QStringLiteral("Part No"));
    cboGroup = addDropDown(form, QStringLiteral("Component Group"));
    cboComp = addDropDown(form, QStringLiteral("Component"));
    txtRef = addTextBox(form, QStringLiteral("Ref. Designator"), kRefLength);
    txtPolarity = addTextBox(form, QStringLiteral("Polarity Check"), 10);
    auto* row = new QHBoxLayout;
    layout->addLayout(row);
    CycleSetup s;
    cmdImport = addCycleButton(row, s.cmdImport, QStringLiteral("&Import"));
    cmdexport = addCycleButton(row, s.cmdexport, QStringLiteral("&Export"));
    cmdNew = addCycleButton(row, s.cmdNew, QStringLiteral("&New"));
    cmdEdit = addCycleButton(row, s.cmdEdit, QStringLiteral("&Edit"));
    cmdDelete = addCycleButton(row, s.cmdDelete, QStringLiteral("&Delete"));
    cmdSave = addCycleButton(row, s.cmdSave, QStringLiteral("&Save"));
    cmdCancel = addCycleButton(row, s.cmdCancel, QStringLiteral("&Cancel"));
    cmdexit = addCycleButton(row, s.cmdexit, QStringLiteral("E&xit"));
    // The part numbers follow the project, the components the group.
    connect(cboProj, &QComboBox::currentTextChanged, this, [this] { cboProj_Change(); });
    connect(cboGroup, &QComboBox::currentTextChanged, this, [this] { cboGroup_Change(); });
    resize(1000, 640);

    s.CHK_ALL = CHK_ALL;
    s.list = LvData;
    s.keyBoxes = {cboProj, cboPart, cboGroup, cboComp};
    s.otherBoxes = {txtRef, txtPolarity};
    s.editKeyBoxes = {cboProj, cboPart, cboGroup, cboComp};
    s.gates = {QStringLiteral("Man_New_Project"), QStringLiteral("Man_Edit_Project"),
               QStringLiteral("Man_Delete_Project"), QStringLiteral("Man_New_Project")};
    s.saveEnding = SaveEnding::Cancel;
    s.newFocusesKey = false;
    s.columnSort = true;
    setupCycle(s);

    TableBinding b;
    b.table = QStringLiteral("component_proj");
    b.fields = {{QStringLiteral("proj_id"), cboProj, true, true},
                {QStringLiteral("part_no"), cboPart, true, true},
                {QStringLiteral("group_id"), cboGroup, true},
                {QStringLiteral("comp_code"), cboComp, true, true},
                {QStringLiteral("ref_designator"), txtRef},
                {QStringLiteral("polarity_check"), txtPolarity}};
    b.guardMessage = QStringLiteral(" records are using this setting, it cannot be removed ...");
    setTableBinding(b);
    Form_Load();
}

void Mtc_Comp_Proj::LoadData()
{
    Module1::InitList(LvData,
                      {"Project ID", "Part No", "Component Group", "Component", "Ref. Designator", "Polarity Check",
                       "User ID", "User Name", "Update Time"},
                      {2400, 1700, 1800, 1500, 1500, 1500, 1000, 1500, 2200});
    const QString select = QStringLiteral(
        "select A.proj_id, A.part_no, A.group_id, A.comp_code, A.ref_designator, A.polarity_check, "
        "A.update_user, B.user_name, A.update_time "
        "from component_proj A left join user_list B on A.update_user = B.user_id "
        "order by A.update_time desc, A.proj_id, A.part_no, A.group_id, A.comp_code");
    fillListShowingProgress(LvData, PB, Module1::LimitRows(select, viewAll()));
    finishLoad();
    cmdImport->setEnabled(true);
    // Refilled without their change reactions, the project and group shown
    // again: a failed Save or a refused Delete leaves every box as it was.
    const QString project = cboProj->currentText();
    const QString group = cboGroup->currentText();
    const QSignalBlocker quietProject(cboProj);
    const QSignalBlocker quietGroup(cboGroup);
    fillDropDown(cboProj, QStringLiteral("select distinct proj_id from proj_info order by proj_id"));
    fillDropDown(cboGroup, QStringLiteral("select distinct group_id from component_group order by group_id"));
    showStored(cboProj, project);
    showStored(cboGroup, group);
}

void Mtc_Comp_Proj::cboProj_Change()
{
    refill(cboPart, QStringLiteral("select distinct part_no from part_info where proj_id = ? order by part_no"),
           cboProj->currentText());
}

void Mtc_Comp_Proj::cboGroup_Change()
{
    refill(cboComp,
           QStringLiteral("select distinct comp_code from component_list where group_id = ? order by comp_code"),
           cboGroup->currentText());
}

void Mtc_Comp_Proj::refill(QComboBox* box, const QString& sql, const QString& key)
{
    // Runs from a box's signal: a database failure is shown here, the
    // dependent list left empty.
    try {
        fillDropDown(box, sql, {key});
    } catch (const db::DbError& e) {
        box->clear();
        msg::error(e.text());
    }
}

void Mtc_Comp_Proj::modeEntered()
{
    cmdImport->setEnabled(false);
    if (EditMode == QLatin1String("New")) {
        for (QComboBox* box : {cboProj, cboPart, cboGroup, cboComp})
            box->setCurrentIndex(-1);
        txtRef->setMaxLength(kRefLength);
        txtRef->setText(QStringLiteral("F"));
    }
}

bool Mtc_Comp_Proj::inputAccepted()
{
    if (cboProj->currentText().isEmpty() || cboPart->currentText().isEmpty() || cboComp->currentText().isEmpty()
        || txtRef->text().trimmed().isEmpty() || txtPolarity->text().trimmed().isEmpty()) {
        msg::information(QStringLiteral(
            "The Part No or Project or Component or Ref. Designator or Polarity Check cannot be null ..."));
        return false;
    }
    return true;
}

int Mtc_Comp_Proj::updateRow()
{
    return gConn().exec(
        QStringLiteral("update component_proj set ref_designator = ?, polarity_check = ?, update_user = ?, "
                       "update_time = sysdate where proj_id = ? and part_no = ? and group_id = ? and comp_code = ?"),
        {txtRef->text(), txtPolarity->text(), Module1::gUserID, cboProj->currentText(), cboPart->currentText(),
         cboGroup->currentText(), cboComp->currentText()});
}

qlonglong Mtc_Comp_Proj::deleteGuardCount()
{
    // Checks of any project or group that expected this component for the
    // part number keep the row.
    return gConn().count(QStringLiteral("select count(*) from check_history where comp_code = ? and part_no = ?"),
                         {cboComp->currentText(), cboPart->currentText()});
}

int Mtc_Comp_Proj::deleteRow()
{
    // Only the row as it was shown goes: one whose designator or polarity was
    // changed elsewhere since stays. Either may be empty (stored as Null).
    const db::Dialect& d = gConn().dialect();
    return gConn().exec(
        QStringLiteral("delete from component_proj where proj_id = ? and part_no = ? and group_id = ? and "
                       "comp_code = ? and ")
            + d.nullSafeEquals(QStringLiteral("ref_designator")) + QStringLiteral(" and ")
            + d.nullSafeEquals(QStringLiteral("polarity_check")),
        {cboProj->currentText(), cboPart->currentText(), cboGroup->currentText(), cboComp->currentText(),
         txtRef->text(), txtPolarity->text()});
}

void Mtc_Comp_Proj::saveFailed(const db::DbError& error)
{
    if (error.kind() == db::ErrorKind::UniqueViolation)
        msg::box(QStringLiteral("This record already exist!"));
    else
        MaintenanceScreen::saveFailed(error);
}

void Mtc_Comp_Proj::clearBoxes()
{
    // The reload kept the project and group; Cancel empties all four.
    for (QComboBox* box : {cboProj, cboPart, cboGroup, cboComp})
        box->setCurrentIndex(-1);
    txtRef->clear();
    txtPolarity->clear();
}

void Mtc_Comp_Proj::rowToBoxes(const QStringList& texts)
{
    // Choosing the project and the group refills their dependent lists.
    setBoxText(cboProj, texts.value(0));
    setBoxText(cboPart, texts.value(1));
    setBoxText(cboGroup, texts.value(2));
    setBoxText(cboComp, texts.value(3));
    // A stored designator longer than the box takes when typed (an imported
    // "C12") is shown whole, so that Edit and Delete address the stored row.
    const QString ref = texts.value(4);
    txtRef->setMaxLength(qMax(kRefLength, int(ref.size())));
    txtRef->setText(ref);
    txtPolarity->setText(texts.value(5));
}

std::optional<workbook::ImportLayout> Mtc_Comp_Proj::importLayout() const
{
    workbook::ImportLayout l = bindingImportLayout();
    l.checks << [](const QStringList& c) {
        if (c[5].size() == 1)
            return QString();
        return QStringLiteral("The polarity check value ") + c[5] + QStringLiteral(" is too large.");
    };
    l.checks << [](const QStringList& c) {
        if (gConn().count(QStringLiteral("select count(*) from component_list where group_id = ? and comp_code = ?"),
                          {c[2], c[3]})
            > 0)
            return QString();
        return QStringLiteral("Cannot found the Component Group ") + c[2] + QStringLiteral(" and the Component ")
               + c[3] + QStringLiteral(" relations");
    };
    l.checks << [](const QStringList& c) {
        if (gConn().count(QStringLiteral("select count(*) from part_info where proj_id = ? and part_no = ?"),
                          {c[0], c[1]})
            > 0)
            return QString();
        return QStringLiteral("Cannot found the Project ") + c[0] + QStringLiteral(" and the Part No ") + c[1]
               + QStringLiteral(" relations");
    };
    return l;
}
