#include "Mtc_Comp_Link.h"

#include "FormWidgets.h"
#include "LabelPrint.h"
#include "ListTools.h"
#include "app/MessageLayer.h"
#include "app/Module1.h"
#include "label/LabelLanguage.h"
#include "material/LinkId.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QTreeWidget>
#include <QVBoxLayout>

using Module1::gConn;

namespace {

QLineEdit* greyBox(QWidget* parent)
{
    auto* box = new QLineEdit(parent);
    box->setEnabled(false);
    return box;
}

void deselect(QComboBox* box)
{
    box->setCurrentIndex(-1);
    if (box->isEditable())
        box->setEditText(QString());
}

} // namespace

Mtc_Comp_Link::Mtc_Comp_Link(QWidget* parent) : MaintenanceScreen(parent)
{
    setWindowTitle(QStringLiteral("Maintenance - Component Link Information"));

    optPCBA = new QRadioButton(QStringLiteral("PCBA"), this);
    optFPCA = new QRadioButton(QStringLiteral("FPCA"), this);
    optPCBA->setChecked(true);
    txtLink = greyBox(this);
    txtLink->setMaxLength(20);
    cboProj = new QComboBox(this);
    cboPN = new QComboBox(this);
    cboComp = new QComboBox(this);
    formui::makeEditable(cboComp); // the typed text is checked exactly as typed
    formui::limitToColumn(cboComp, QStringLiteral("component_link"), QStringLiteral("comp_code"));
    cboVD = new QComboBox(this);
    txtVDDesc = greyBox(this);
    txtRef = greyBox(this);
    txtPolarity = greyBox(this);
    txtLot = new QLineEdit(this);
    txtLot->setMaxLength(20);
    txtShip = new QLineEdit(this);
    txtShip->setMaxLength(10);
    txtShip->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), txtShip));
    txtRT = new QLineEdit(this);
    txtRT->setMaxLength(20);
    LvData = new QTreeWidget(this);
    CHK_ALL = new QCheckBox(QStringLiteral("View All"), this);
    CHK_Prn = new QCheckBox(QStringLiteral("Order Print"), this);
    PB = new QProgressBar(this);
    PB->setVisible(false);
    auto* buttons = new QHBoxLayout;
    cmdPrint = formui::addButton(this, buttons, QStringLiteral("&Print"));
    CycleSetup s;
    cmdexport = addCycleButton(buttons, s.cmdexport, QStringLiteral("E&xport"));
    cmdNew = addCycleButton(buttons, s.cmdNew, QStringLiteral("&New"));
    cmdEdit = addCycleButton(buttons, s.cmdEdit, QStringLiteral("&Edit"));
    cmdDelete = addCycleButton(buttons, s.cmdDelete, QStringLiteral("&Delete"));
    cmdSave = addCycleButton(buttons, s.cmdSave, QStringLiteral("&Save"));
    cmdCancel = addCycleButton(buttons, s.cmdCancel, QStringLiteral("&Cancel"));
    cmdexit = addCycleButton(buttons, s.cmdexit, QStringLiteral("E&xit"));
    Module1::InstallUpperCaseKeyBox(txtLink, Module1::KeyCleanUp::UpperOnly);

    auto* form = new QGridLayout;
    auto* types = new QHBoxLayout;
    types->addWidget(optPCBA);
    types->addWidget(optFPCA);
    types->addStretch();
    form->addLayout(types, 0, 1);
    formui::addLabelledRows(form, this,
                            {{QStringLiteral("Link ID"), txtLink},
                             {QStringLiteral("Project"), cboProj},
                             {QStringLiteral("Project PN"), cboPN},
                             {QStringLiteral("Component PN"), cboComp},
                             {QStringLiteral("Vendor Name"), cboVD},
                             {QStringLiteral("Vender Description"), txtVDDesc},
                             {QStringLiteral("Ref. Designator"), txtRef},
                             {QStringLiteral("Polarity Check"), txtPolarity},
                             {QStringLiteral("Lot No"), txtLot},
                             {QStringLiteral("D/C"), txtShip},
                             {QStringLiteral("RT No"), txtRT}},
                            1);
    auto* checks = new QHBoxLayout;
    checks->addWidget(CHK_ALL);
    checks->addWidget(CHK_Prn);
    checks->addWidget(PB, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(checks);
    layout->addWidget(LvData, 1);
    layout->addLayout(buttons);
    // The tab order runs project, part number, component, vendor, lot, date code, RT number.
    setTabOrder(cboProj, cboPN);
    setTabOrder(cboPN, cboComp);
    setTabOrder(cboComp, cboVD);
    setTabOrder(cboVD, txtLot);
    setTabOrder(txtLot, txtShip);
    setTabOrder(txtShip, txtRT);
    resize(1000, 700);

    s.CHK_ALL = CHK_ALL;
    s.list = LvData;
    // The identifier box is filled by the screen only and never enabled.
    s.otherBoxes = {cboProj, cboPN, cboComp, cboVD, txtLot, txtShip, txtRT};
    s.editKeyBoxes = {txtLink};
    s.gates = {QStringLiteral("Man_New_Link"), QStringLiteral("Man_Edit_Link"), QStringLiteral("Man_Delete_Link"),
               QString()};
    s.saveEnding = SaveEnding::Cancel;
    s.columnSort = true;
    s.exportOptions = Module1::ExportOption::StarFirstColumn;
    setupCycle(s);

    auto guarded = [](auto handler) {
        return [handler] {
            try {
                handler();
            } catch (const db::DbError& e) {
                msg::error(e.text());
            }
        };
    };
    connect(cboProj, &QComboBox::activated, this, guarded([this] { cboProj_Click(); }));
    connect(cboPN, &QComboBox::activated, this, guarded([this] { cboPN_Click(); }));
    connect(cboComp, &QComboBox::activated, this, guarded([this] { cboComp_Click(); }));
    connect(cboVD, &QComboBox::activated, this, guarded([this] { cboVD_Click(); }));
    cboComp->installEventFilter(this);
    connect(cmdPrint, &QPushButton::clicked, this, [this] { cmdPrint_Click(); });

    Form_Load();
}

void Mtc_Comp_Link::LoadData()
{
    // The project list is refilled below; the project shown stays, so that an
    // Edit after a reload does not store the lot without its project.
    const QString project = cboProj->currentText();
    Module1::InitList(LvData,
                      {"Link ID", "Project", "Project PN", "Component PN", "Vender Name", "Vender Description",
                       "Ref.Designator", "Polarity Check", "Lot No.", "D/C", "RT No", "User ID", "User Name",
                       "Update Time"},
                      {1300, 2400, 2100, 1500, 1400, 1800, 1500, 1500, 1500, 1000, 1300, 1000, 2000, 2200});
    const QString select = QStringLiteral(
        "select A.link_id, A.proj_id, A.part_no, A.comp_code, A.vender_name, A.vender_desc, A.ref_designator, "
        "A.polarity_check, A.lot_no, A.ship_date, A.rt_no, A.update_user, B.user_name, A.update_time "
        "from component_link A left join user_list B on A.update_user = B.user_id "
        "order by A.update_time desc, A.link_id desc");
    formui::fillListShowingProgress(LvData, PB, Module1::LimitRows(select, viewAll()));
    finishLoad();

    fillCombo(cboProj, QStringLiteral("select distinct proj_id from proj_info order by proj_id"), {});
    formui::showStored(cboProj, project);
}

void Mtc_Comp_Link::fillCombo(QComboBox* box, const QString& sql, const QVariantList& values)
{
    box->clear();
    db::ResultSet rs = gConn().query(sql, values);
    for (; !rs.eof(); rs.moveNext()) {
        if (!rs.value(0).isNull())
            box->addItem(rs.text(0));
    }
    deselect(box);
}

void Mtc_Comp_Link::cboProj_Click()
{
    fillCombo(cboPN, QStringLiteral("select distinct part_no from part_info where proj_id = ? order by part_no"),
              {cboProj->currentText()});
    txtRef->clear();
    txtPolarity->clear();
}

void Mtc_Comp_Link::cboPN_Click()
{
    // A component with several designator and polarity pairs is listed once per pair.
    fillCombo(cboComp,
              QStringLiteral("select distinct comp_code, ref_designator, polarity_check from component_proj "
                             "where proj_id = ? and part_no = ? order by comp_code"),
              {cboProj->currentText(), cboPN->currentText()});
    txtRef->clear();
    txtPolarity->clear();
}

void Mtc_Comp_Link::cboComp_Click()
{
    const QString comp = cboComp->currentText();
    fillCombo(cboVD,
              QStringLiteral("select distinct vender_name from component_list where comp_code = ? order by vender_name"),
              {comp});
    txtVDDesc->clear();
    db::ResultSet rs = gConn().query(
        QStringLiteral("select distinct ref_designator, polarity_check from component_proj "
                       "where proj_id = ? and part_no = ? and comp_code = ? order by ref_designator, polarity_check"),
        {cboProj->currentText(), cboPN->currentText(), comp});
    if (!rs.eof()) {
        txtRef->setText(rs.text(0));
        txtPolarity->setText(rs.text(1));
    }
}

void Mtc_Comp_Link::cboComp_LostFocus()
{
    const QString typed = cboComp->currentText();
    for (int i = 0; i < cboComp->count(); ++i) {
        if (cboComp->itemText(i) == typed) {
            cboComp_Click();
            cboVD->setFocus();
            return;
        }
    }
    cboComp->setEditText(QString());
    cboVD->clear();
    txtRef->clear();
    txtPolarity->clear();
}

void Mtc_Comp_Link::cboVD_Click()
{
    db::ResultSet rs = gConn().query(
        QStringLiteral("select vender_name, vender_desc from component_list where comp_code = ? and vender_name = ?"),
        {cboComp->currentText(), cboVD->currentText()});
    txtVDDesc->setText(rs.eof() ? QString() : rs.text(1));
}

bool Mtc_Comp_Link::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == cboComp) {
        try {
            if (event->type() == QEvent::FocusOut
                && static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
                cboComp_LostFocus();
            } else if (event->type() == QEvent::KeyPress) {
                const int key = static_cast<QKeyEvent*>(event)->key();
                if (key == Qt::Key_Return || key == Qt::Key_Enter)
                    cboComp_LostFocus(); // the key still reaches the box
            }
        } catch (const db::DbError& e) {
            msg::error(e.text());
        }
    }
    return MaintenanceScreen::eventFilter(watched, event);
}

void Mtc_Comp_Link::setBrowseExtras(bool on)
{
    cmdPrint->setEnabled(on);
    optPCBA->setEnabled(on);
    optFPCA->setEnabled(on);
}

void Mtc_Comp_Link::modeEntered()
{
    if (EditMode == QLatin1String("Edit")) {
        setBrowseExtras(false);
        return;
    }
    if (EditMode != QLatin1String("New"))
        return;
    // The number is drawn before anything changes: a database error leaves
    // the screen as it was before New.
    QString link;
    try {
        link = material::NextLinkId(gConn(), optPCBA->isChecked() ? material::LotType::PCBA
                                                                  : material::LotType::FPCA);
    } catch (const material::LinkIdsUsedUp& e) {
        msg::information(e.message());
        cmdCancel_Click();
        return;
    }
    setBrowseExtras(false);
    for (QComboBox* box : {cboProj, cboPN, cboComp, cboVD})
        deselect(box);
    for (QLineEdit* box : {txtVDDesc, txtLot, txtShip, txtRT, txtRef, txtPolarity})
        box->clear();
    txtLink->setText(link);
    cboProj->setFocus();
}

bool Mtc_Comp_Link::inputAccepted()
{
    if (txtLink->text().trimmed().isEmpty() || cboComp->currentText().trimmed().isEmpty()
        || cboVD->currentText().trimmed().isEmpty()) {
        msg::information(QStringLiteral("The Link ID or Component ID or Vender Name cannot be null ..."));
        return false;
    }
    return true;
}

material::Lot Mtc_Comp_Link::boxesToLot() const
{
    material::Lot l;
    l.linkId = txtLink->text();
    l.compCode = cboComp->currentText();
    l.venderName = cboVD->currentText();
    l.venderDesc = txtVDDesc->text();
    l.lotNo = txtLot->text();
    l.shipDate = txtShip->text();
    l.rtNo = txtRT->text();
    l.projId = cboProj->currentText();
    l.partNo = cboPN->currentText();
    l.refDesignator = txtRef->text();
    l.polarityCheck = txtPolarity->text();
    return l;
}

void Mtc_Comp_Link::insertRow()
{
    const QString shown = txtLink->text().trimmed();
    QString stored;
    try {
        stored = material::InsertLot(gConn(), boxesToLot(), Module1::gUserID);
    } catch (const material::LinkIdsUsedUp& e) {
        throw db::DbError(db::ErrorKind::Other, e.message());
    }
    if (stored != shown) {
        // The label must carry the identifier the lot is stored under.
        txtLink->setText(stored);
        msg::information(QStringLiteral("The Link ID %1 was taken by another workstation meanwhile. "
                                        "This lot is stored under the Link ID %2.")
                             .arg(shown, stored));
    }
}

int Mtc_Comp_Link::updateRow()
{
    return material::UpdateLot(gConn(), boxesToLot(), Module1::gUserID);
}

int Mtc_Comp_Link::deleteRow()
{
    return material::DeleteLot(gConn(), txtLink->text());
}

void Mtc_Comp_Link::clearBoxes()
{
    txtLink->clear();
    for (QComboBox* box : {cboProj, cboPN, cboComp, cboVD})
        deselect(box);
    for (QLineEdit* box : {txtVDDesc, txtLot, txtShip, txtRT, txtRef, txtPolarity})
        box->clear();
    setBrowseExtras(true);
}

void Mtc_Comp_Link::rowToBoxes(const QStringList& texts)
{
    if (!LvData->currentItem() || texts.size() < 11)
        return;

    txtLink->setText(texts[0]);
    // The clicked lot's type becomes the type of the next New.
    (material::TypeOf(texts[0]) == material::LotType::PCBA ? optPCBA : optFPCA)->setChecked(true);

    // Each step goes on when one before it fails; the lists below a box
    // follow what it shows.
    auto step = [](auto f) {
        try {
            f();
        } catch (const db::DbError&) {
        }
    };
    setBoxText(cboProj, texts[1]);
    step([this] { cboProj_Click(); });
    setBoxText(cboPN, texts[2]);
    step([this] { cboPN_Click(); });
    setBoxText(cboComp, texts[3]);
    step([this] { cboComp_Click(); });
    setBoxText(cboVD, texts[4]);
    if (!cboVD->currentText().isEmpty())
        step([this] { cboVD_Click(); });

    // The stored values win over what the master data gave.
    txtVDDesc->setText(texts[5]);
    txtRef->setText(texts[6]);
    txtPolarity->setText(texts[7]);
    txtLot->setText(texts[8]);
    txtShip->setText(texts[9]);
    txtRT->setText(texts[10]);
}

void Mtc_Comp_Link::cmdPrint_Click()
{
    const QString linkId = txtLink->text();
    if (linkId.isEmpty())
        return;
    // The clicked lot is found by its identifier in the list as it is now: a
    // reload or a sort since the click moves rows, and a reel must never
    // carry another lot's barcode.
    int row = -1;
    for (int i = 0; i < LvData->topLevelItemCount() && row < 0; ++i) {
        if (LvData->topLevelItem(i)->text(1) == linkId)
            row = i;
    }
    if (row < 0) {
        msg::exclamation(QStringLiteral("The Link ID %1 is not listed any more; no label was printed.").arg(linkId));
        return;
    }
    const std::optional<int> n = labelprint::AskPrintQuantity();
    if (!n)
        return;
    if (!CHK_Prn->isChecked()) {
        labelprint::PrintLabels({label::LinkLabelLines(LvData->topLevelItem(row)->text(4), linkId)}, *n);
        return;
    }
    // The clicked lot, then the lots listed above it.
    QList<QStringList> labels;
    for (const int r : label::OrderPrintRows(row + 1, *n)) {
        const QTreeWidgetItem* item = LvData->topLevelItem(r - 1);
        labels << label::LinkLabelLines(item->text(4), item->text(1));
    }
    labelprint::PrintLabels(labels);
}
