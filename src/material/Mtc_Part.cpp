#include "Mtc_Part.h"

#include "LabelPrint.h"
#include "ListTools.h"
#include "FormWidgets.h"
#include "app/Module1.h"
#include "label/LabelLanguage.h"
#include "workbook/WorkbookExport.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace formui;
using Module1::gConn;

namespace {

constexpr int kApproveColumn = 7; // hidden: the flag of each row

// Both options off: neither "Need Approve" nor "Need not Approve" chosen.
void clearOptions(QRadioButton* a, QRadioButton* b)
{
    for (QRadioButton* o : {a, b}) {
        o->setAutoExclusive(false);
        o->setChecked(false);
        o->setAutoExclusive(true);
    }
}

} // namespace

Mtc_Part::Mtc_Part(QWidget* parent) : MaintenanceScreen(parent)
{
    setWindowTitle(QStringLiteral("Maintenance - Part No"));
    auto* layout = new QVBoxLayout(this);
    msfgModule = new QTableWidget;
    layout->addWidget(msfgModule, 1);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    txtID = addTextBox(form, QStringLiteral("Project PN"), 20);
    txtDesc = addTextBox(form, QStringLiteral("Description"), 30);
    cboProj = addDropDown(form, QStringLiteral("Project ID"));
    auto* options = new QHBoxLayout;
    Opt_A = new QRadioButton(QStringLiteral("Need Approve"));
    Opt_N = new QRadioButton(QStringLiteral("Need not Approve"));
    options->addWidget(Opt_A);
    options->addWidget(Opt_N);
    options->addStretch();
    form->addRow(QString(), options);
    auto* row = new QHBoxLayout;
    layout->addLayout(row);
    cmdPrint = addButton(this, row, QStringLiteral("&Print"));
    CycleSetup s;
    cmdImport = addCycleButton(row, s.cmdImport, QStringLiteral("&Import"));
    cmdexport = addCycleButton(row, s.cmdexport, QStringLiteral("&Export"));
    cmdNew = addCycleButton(row, s.cmdNew, QStringLiteral("&New"));
    cmdEdit = addCycleButton(row, s.cmdEdit, QStringLiteral("&Edit"));
    cmdDelete = addCycleButton(row, s.cmdDelete, QStringLiteral("&Delete"));
    cmdSave = addCycleButton(row, s.cmdSave, QStringLiteral("&Save"));
    cmdCancel = addCycleButton(row, s.cmdCancel, QStringLiteral("&Cancel"));
    cmdexit = addCycleButton(row, s.cmdexit, QStringLiteral("E&xit"));
    Module1::InstallUpperCaseKeyBox(txtID);
    connect(cmdPrint, &QPushButton::clicked, this, [this] { cmdPrint_Click(); });
    resize(1000, 620);

    s.grid = msfgModule;
    s.keyBoxes = {txtID, cboProj};
    s.otherBoxes = {txtDesc, Opt_A, Opt_N};
    // Edit and Delete find the row by part number and project.
    s.editKeyBoxes = {txtID, cboProj};
    s.exportOptions = Module1::ExportOption::StarFirstColumn | Module1::ExportOption::DropLastColumn;
    setupCycle(s);

    TableBinding b;
    b.table = QStringLiteral("part_info");
    b.fields = {{QStringLiteral("part_no"), txtID, true, true},
                {QStringLiteral("part_desc"), txtDesc},
                {QStringLiteral("proj_id"), cboProj, true, true}};
    b.requiredMessage = QStringLiteral("The Part No or Project ID cannot be null ...");
    b.guardMessage = QStringLiteral(" records are using this Part No, it cannot be removed ...");
    setTableBinding(b);
    Form_Load();
}

void Mtc_Part::LoadData()
{
    Module1::InitGrid(msfgModule,
                      {"Part No", "Part No Description", "Project ID", "User ID", "User Name", "Update Time", "Approve"},
                      {2200, 2800, 2400, 1000, 2000, 2000, 0});
    msfgModule->setColumnHidden(kApproveColumn, true);
    Module1::FillGrid(msfgModule, QStringLiteral(
                          "select A.part_no, A.part_desc, A.proj_id, A.update_user, B.user_name, A.update_time, "
                          "A.approve from part_info A left join user_list B on A.update_user = B.user_id "
                          "order by A.proj_id, A.part_no"));
    for (int r = 0; r < msfgModule->rowCount(); ++r) {
        QTableWidgetItem* flag = msfgModule->item(r, kApproveColumn);
        if (flag && flag->text().isEmpty())
            flag->setText(QStringLiteral("0")); // a missing flag needs no approval
    }
    finishLoad();
    fillDropDown(cboProj, QStringLiteral("select distinct proj_id from proj_info order by proj_id"));
}

QString Mtc_Part::approveFlag() const
{
    return Opt_A->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
}

void Mtc_Part::modeEntered()
{
    // Labels print only from a row as it is stored: New and Edit switch
    // Print off until Cancel.
    if (EditMode != QLatin1String("Del"))
        cmdPrint->setEnabled(false);
}

void Mtc_Part::insertRow()
{
    gConn().exec(QStringLiteral("insert into part_info (part_no, part_desc, proj_id, update_user, update_time, approve) "
                                "values (?, ?, ?, ?, sysdate, ?)"),
                 {txtID->text().trimmed(), txtDesc->text(), cboProj->currentText().trimmed(), Module1::gUserID,
                  approveFlag()});
}

int Mtc_Part::updateRow()
{
    return gConn().exec(QStringLiteral("update part_info set part_desc = ?, approve = ?, update_user = ?, "
                                "update_time = sysdate where part_no = ? and proj_id = ?"),
                 {txtDesc->text(), approveFlag(), Module1::gUserID, txtID->text().trimmed(),
                  cboProj->currentText().trimmed()});
}

qlonglong Mtc_Part::deleteGuardCount()
{
    // Checks and line set-ups of any project keep the part number; the
    // checks are counted first.
    const QString part = txtID->text().trimmed();
    const qlonglong checks =
        gConn().count(QStringLiteral("select count(*) from check_history where part_no = ?"), {part});
    if (checks > 0)
        return checks;
    return gConn().count(QStringLiteral("select count(*) from line_set where part_no = ?"), {part});
}

void Mtc_Part::clearBoxes()
{
    MaintenanceScreen::clearBoxes();
    cmdPrint->setEnabled(true);
    clearOptions(Opt_A, Opt_N);
}

void Mtc_Part::rowToBoxes(const QStringList& texts)
{
    txtID->setText(texts.value(0));
    txtDesc->setText(texts.value(1));
    setBoxText(cboProj, texts.value(2));
    if (texts.value(kApproveColumn - 1).trimmed().toDouble() == 1)
        Opt_A->setChecked(true);
    else
        Opt_N->setChecked(true);
}

void Mtc_Part::cmdPrint_Click()
{
    if (txtID->text().isEmpty())
        return;
    const std::optional<int> n = labelprint::AskPrintQuantity();
    if (!n)
        return;
    labelprint::PrintLabels({label::PartLabelLines(txtID->text())}, *n);
}

std::optional<workbook::ImportLayout> Mtc_Part::importLayout() const
{
    workbook::ImportLayout l = bindingImportLayout(); // the approval flag is not bound: it stays
    // A workbook of the screen's own export carries each part number
    // between the barcode font's marks: "*P1*" is P1.
    l.columns[0].toValue = workbook::withoutStarMarks;
    l.insertFixed = {{QStringLiteral("approve"), QStringLiteral("0")}}; // imported part numbers need no approval
    l.checks << [](const QStringList& c) {
        if (gConn().count(QStringLiteral("select count(*) from proj_info where proj_id = ?"), {c[2]}) > 0)
            return QString();
        return QStringLiteral("Cannot found the Project ") + c[2];
    };
    return l;
}
