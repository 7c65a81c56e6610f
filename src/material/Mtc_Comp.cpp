#include "Mtc_Comp.h"

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
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace formui;
using Module1::gConn;

namespace {

constexpr int kMassProductionLength = 11;
constexpr int kPrototypeLength = 30;

} // namespace

Mtc_Comp::Mtc_Comp(QWidget* parent) : MaintenanceScreen(parent)
{
    setWindowTitle(QStringLiteral("Maintenance - Component"));
    auto* layout = new QVBoxLayout(this);
    CHK_ALL = new QCheckBox(QStringLiteral("View All"));
    layout->addWidget(CHK_ALL);
    LvData = new QTreeWidget;
    layout->addWidget(LvData, 1);
    PB = addLoadBar(layout);
    auto* options = new QHBoxLayout;
    layout->addLayout(options);
    Opt_MP = new QRadioButton(QStringLiteral("Mass Production"));
    Opt_PT = new QRadioButton(QStringLiteral("Proto Type"));
    options->addWidget(Opt_MP);
    options->addWidget(Opt_PT);
    options->addStretch();
    auto* form = new QFormLayout;
    layout->addLayout(form);
    txtID = addTextBox(form, QStringLiteral("Component ID"), kMassProductionLength);
    txtDesc = addTextBox(form, QStringLiteral("Component Description"), 100);
    cboGP = addDropDown(form, QStringLiteral("Component Group"));
    txtVDName = addTextBox(form, QStringLiteral("Vendor Name"), 20);
    txtVDDesc = addTextBox(form, QStringLiteral("Vender Description"), 30);
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
    cmdExit = addCycleButton(row, s.cmdexit, QStringLiteral("E&xit"));
    Module1::InstallUpperCaseKeyBox(txtID);
    Opt_MP->setChecked(true);
    connect(Opt_MP, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            Opt_MP_Click();
    });
    connect(Opt_PT, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            Opt_PT_Click();
    });
    resize(1000, 620);

    s.CHK_ALL = CHK_ALL;
    s.list = LvData;
    // Code, vendor and method type are set by New only.
    s.keyBoxes = {txtID, txtVDName, Opt_MP, Opt_PT};
    s.otherBoxes = {txtDesc, cboGP, txtVDDesc};
    s.gates = {QStringLiteral("Man_New_List"), QStringLiteral("Man_Edit_List"), QStringLiteral("Man_Delete_List"),
               QStringLiteral("Man_New_List")};
    s.saveEnding = SaveEnding::Cancel;
    s.newClearsBoxes = false; // New keeps the code of the row chosen before
    s.columnSort = true;
    setupCycle(s);

    TableBinding b;
    b.table = QStringLiteral("component_list");
    b.fields = {{QStringLiteral("comp_code"), txtID, true, true},
                {QStringLiteral("comp_desc"), txtDesc},
                {QStringLiteral("group_id"), cboGP, false, true},
                {QStringLiteral("vender_name"), txtVDName, true, true},
                {QStringLiteral("vender_desc"), txtVDDesc}};
    b.requiredMessage = QStringLiteral("The Component ID or Component Group or Vender Name cannot be null ...");
    // Any recorded check that expected the code keeps it, whatever the vendor.
    b.guardTable = QStringLiteral("check_history");
    b.guardColumns = {QStringLiteral("comp_code")};
    b.guardMessage = QStringLiteral(" records are using this Component ID, it cannot be removed ...");
    setTableBinding(b);
    Form_Load();
}

void Mtc_Comp::LoadData()
{
    Module1::InitList(LvData,
                      {"Component ID", "Component Description", "Component Group", "Vender Name",
                       "Vender Description", "Type", "User ID", "User Name", "Update Time"},
                      {1400, 2200, 1800, 1400, 1800, 1000, 1000, 1500, 2200});
    const QString select = QStringLiteral(
        "select A.comp_code, A.comp_desc, A.group_id, A.vender_name, A.vender_desc, A.method_type, "
        "A.update_user, B.user_name, A.update_time "
        "from component_list A left join user_list B on A.update_user = B.user_id "
        "order by A.update_time desc, A.comp_code, A.vender_name");
    fillListShowingProgress(LvData, PB, Module1::LimitRows(select, viewAll()));
    finishLoad();
    fillDropDown(cboGP, QStringLiteral("select distinct group_id from component_group order by group_id"));
}

void Mtc_Comp::Opt_MP_Click()
{
    // A change of method type discards the code typed so far.
    txtID->clear();
    txtID->setMaxLength(kMassProductionLength);
}

void Mtc_Comp::Opt_PT_Click()
{
    txtID->clear();
    txtID->setMaxLength(kPrototypeLength);
}

void Mtc_Comp::modeEntered()
{
    if (EditMode == QLatin1String("New")) {
        txtDesc->clear();
        txtVDDesc->clear();
        txtVDName->setText(QStringLiteral("NIL"));
    }
}

bool Mtc_Comp::inputAccepted()
{
    if (EditMode != QLatin1String("New"))
        return true;
    const QString code = txtID->text().trimmed();
    const QString vendor = txtVDName->text().trimmed();
    if (code.isEmpty() || cboGP->currentText().trimmed().isEmpty() || vendor.isEmpty()) {
        msg::information(QStringLiteral("The Component ID or Component Group or Vender Name cannot be null ..."));
        return false;
    }
    if (Opt_MP->isChecked() && code.size() != kMassProductionLength) {
        msg::box(QStringLiteral("The Component ID length must be 11 character."));
        return false;
    }
    if (gConn().count(QStringLiteral("select count(*) from component_list where comp_code = ? and vender_name = ?"),
                      {code, vendor})
        > 0) {
        msg::box(QStringLiteral("This component information already exist..."));
        cmdCancel_Click();
        return false;
    }
    return true;
}

void Mtc_Comp::insertRow()
{
    gConn().exec(QStringLiteral("insert into component_list (comp_code, comp_desc, group_id, method_type, vender_name, "
                                "vender_desc, update_user, update_time) values (?, ?, ?, ?, ?, ?, ?, sysdate)"),
                 {txtID->text().trimmed(), txtDesc->text(), cboGP->currentText(),
                  Opt_MP->isChecked() ? QStringLiteral("MP") : QStringLiteral("PT"), txtVDName->text().trimmed(),
                  txtVDDesc->text(), Module1::gUserID});
}

void Mtc_Comp::rowToBoxes(const QStringList& texts)
{
    // The option first: choosing it empties the code box.
    if (texts.value(5) == QLatin1String("MP"))
        Opt_MP->setChecked(true);
    else
        Opt_PT->setChecked(true);
    const QString code = texts.value(0);
    // A stored code never loses characters to the box's limit.
    txtID->setMaxLength(qMax(txtID->maxLength(), int(code.size())));
    txtID->setText(code);
    txtDesc->setText(texts.value(1));
    setBoxText(cboGP, texts.value(2));
    txtVDName->setText(texts.value(3));
    txtVDDesc->setText(texts.value(4));
}

std::optional<workbook::ImportLayout> Mtc_Comp::importLayout() const
{
    workbook::ImportLayout l;
    l.table = QStringLiteral("component_list");
    l.columns = {{QStringLiteral("comp_code")},
                 {QStringLiteral("comp_desc")},
                 {QStringLiteral("group_id")},
                 {QStringLiteral("vender_name")},
                 {QStringLiteral("vender_desc")},
                 {QStringLiteral("method_type"), [](const QString& t) { return t.toUpper(); }}};
    l.keyColumns = {QStringLiteral("comp_code"), QStringLiteral("group_id"), QStringLiteral("vender_name"),
                    QStringLiteral("method_type")};
    l.updateColumns = {QStringLiteral("comp_desc"), QStringLiteral("vender_desc")};
    l.checks << [](const QStringList& c) {
        if (c[0].isEmpty() || c[2].isEmpty() || c[3].isEmpty() || c[5].isEmpty())
            return QStringLiteral("The Component ") + c[0] + QStringLiteral(" or Group ") + c[2]
                   + QStringLiteral(" or Vender Name ") + c[3] + QStringLiteral(" or Type ") + c[5]
                   + QStringLiteral(" cannot be null");
        return QString();
    };
    l.checks << [](const QStringList& c) {
        const QString type = c[5].toUpper();
        if (type != QLatin1String("MP") && type != QLatin1String("PT"))
            return QStringLiteral("The Type ") + type + QStringLiteral(" does not match");
        return QString();
    };
    l.checks << [](const QStringList& c) {
        const QString type = c[5].toUpper();
        if (type == QLatin1String("MP") && c[0].size() != kMassProductionLength)
            return QStringLiteral("The Component ") + c[0] + QStringLiteral(" length error");
        if (type == QLatin1String("PT") && c[0].size() > kPrototypeLength)
            return QStringLiteral("The Component ") + c[0] + QStringLiteral(" length too large");
        return QString();
    };
    l.checks << [](const QStringList& c) {
        if (gConn().count(QStringLiteral("select count(*) from component_group where group_id = ?"), {c[2]}) > 0)
            return QString();
        return QStringLiteral("Cannot found the Component Group ") + c[2] + QStringLiteral(" ");
    };
    // A code and vendor stored under another group or method type would
    // become a second row for that pair, which the screen cannot tell apart:
    // such a row is logged and left out.
    l.checks << [](const QStringList& c) {
        const QString type = c[5].toUpper();
        const QVariantList key = {c[0], c[3]};
        if (gConn().count(QStringLiteral("select count(*) from component_list where comp_code = ? and vender_name = ?"),
                          key)
                == 0
            || gConn().count(QStringLiteral("select count(*) from component_list where comp_code = ? and group_id = ? "
                                            "and vender_name = ? and method_type = ?"),
                             {c[0], c[2], c[3], type})
                   > 0)
            return QString();
        return QStringLiteral("The Component ") + c[0] + QStringLiteral(" and the Vender Name ") + c[3]
               + QStringLiteral(" already exist under another Group or Type");
    };
    return l;
}
