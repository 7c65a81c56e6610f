#include "SYS_USER.h"

#include "FormWidgets.h"
#include "ListTools.h"
#include "Style.h"
#include "app/MessageLayer.h"
#include "app/Module1.h"
#include "security/Accounts.h"
#include "security/Digest.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

using Module1::gConn;

namespace {

const QString kDateFormat = QStringLiteral("MM/dd/yyyy");

enum Column { ColId = 1, ColName, ColDesc, ColEffective, ColExpiry, ColGroup };

QDateTimeEdit* dateBox(QWidget* parent, const char* name)
{
    auto* box = new QDateTimeEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setDisplayFormat(kDateFormat);
    box->setCalendarPopup(true);
    return box;
}

// A date box's day as it is stored: the time of day is dropped.
QDateTime day(const QDateTimeEdit* box)
{
    return QDateTime(box->dateTime().date(), QTime(0, 0));
}

} // namespace

SYS_USER::SYS_USER(QWidget* parent) : MaintenanceScreen(parent)
{
    setObjectName(QStringLiteral("SYS_USER"));
    setWindowTitle(QStringLiteral("Secuirity - User Information"));

    Frame3 = new QFrame(this);
    Frame3->setObjectName(QStringLiteral("Frame3"));
    msfgUser = new QTableWidget(Frame3);
    msfgUser->setObjectName(QStringLiteral("msfgUser"));
    auto* gridLayout = new QVBoxLayout(Frame3);
    gridLayout->setContentsMargins(0, 0, 0, 0);
    gridLayout->addWidget(msfgUser);

    Frame2 = new QFrame(this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    txtUserID = new QLineEdit(Frame2);
    txtUserID->setObjectName(QStringLiteral("txtUserID"));
    txtUserID->setMaxLength(8);
    Module1::InstallIdKeyFilter(txtUserID);
    txtFullName = new QLineEdit(Frame2);
    txtFullName->setObjectName(QStringLiteral("txtFullName"));
    txtFullName->setMaxLength(30);
    txtDesc = new QLineEdit(Frame2);
    txtDesc->setObjectName(QStringLiteral("txtDesc"));
    formui::limitToColumn(txtDesc, QStringLiteral("user_list"), QStringLiteral("user_desc"));
    cboGP = new QComboBox(Frame2);
    cboGP->setObjectName(QStringLiteral("cboGP"));
    cboGP->setEditable(false);
    dtpEffect = dateBox(Frame2, "dtpEffect");
    dtpExpiry = dateBox(Frame2, "dtpExpiry");
    auto* fields = new QGridLayout(Frame2);
    formui::addLabelledRows(fields, Frame2,
                            {{QStringLiteral("User ID"), txtUserID},
                             {QStringLiteral("Name"), txtFullName},
                             {QStringLiteral("Description"), txtDesc},
                             {QStringLiteral("User Group ID"), cboGP},
                             {QStringLiteral("Effective Date"), dtpEffect},
                             {QStringLiteral("Expiry Date"), dtpExpiry}});

    auto* buttons = new QHBoxLayout;
    CycleSetup s;
    cmdNew = addCycleButton(buttons, s.cmdNew, QStringLiteral("New"), "cmdNew");
    cmdEdit = addCycleButton(buttons, s.cmdEdit, QStringLiteral("Edit"), "cmdEdit");
    cmdDelete = addCycleButton(buttons, s.cmdDelete, QStringLiteral("Delete"), "cmdDelete");
    cmdSave = addCycleButton(buttons, s.cmdSave, QStringLiteral("Save"), "cmdSave");
    cmdCancel = addCycleButton(buttons, s.cmdCancel, QStringLiteral("Cancel"), "cmdCancel");
    cmdExit = addCycleButton(buttons, s.cmdexit, QStringLiteral("Exit"), "cmdExit");
    cmdexport = addCycleButton(buttons, s.cmdexport, QStringLiteral("Export"), "cmdexport");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Frame3, 1);
    layout->addWidget(Frame2);
    layout->addLayout(buttons);
    resize(680, 560);

    s.grid = msfgUser;
    s.keyBoxes = {txtUserID};
    s.otherBoxes = {txtFullName, txtDesc, cboGP, dtpEffect, dtpExpiry};
    s.saveEnding = SaveEnding::Cancel;
    s.exportOptions = Module1::ExportOption::StarFirstColumn;
    setupCycle(s);
    Form_Load();
}

QString SYS_USER::dateText(const QDateTime& t)
{
    return t.isValid() ? t.toString(kDateFormat) : QString();
}

void SYS_USER::LoadData()
{
    Module1::InitGrid(msfgUser,
                      {QStringLiteral("User ID"), QStringLiteral("Full Name"), QStringLiteral("Description"),
                       QStringLiteral("Effective"), QStringLiteral("Expiry Date"), QStringLiteral("Group")},
                      {1100, 2000, 2000, 1200, 0, 1250});
    // A narrow empty first column to click a row by; the expiry date is kept
    // (and exported) but not shown.
    msfgUser->setColumnHidden(0, false);
    msfgUser->setColumnWidth(0, 300 / Module1::kTwipsPerPixel);
    msfgUser->setColumnHidden(ColExpiry, true);

    db::ResultSet rs = gConn().query(QStringLiteral("select user_id, user_name, user_desc, effective_date, "
                                                    "expiry_date, group_id from user_list where user_id <> ? "
                                                    "order by user_id"),
                                     {Module1::gUserID});
    msfgUser->setRowCount(rs.recordCount());
    int row = 0;
    for (; !rs.eof(); rs.moveNext(), ++row) {
        const QStringList texts = {rs.text(0), rs.text(1), rs.text(2), dateText(rs.dateTime(QStringLiteral("effective_date"))),
                                   dateText(rs.dateTime(QStringLiteral("expiry_date"))), rs.text(5)};
        msfgUser->setItem(row, 0, new QTableWidgetItem);
        for (int c = 0; c < texts.size(); ++c)
            msfgUser->setItem(row, c + 1, new QTableWidgetItem(texts[c]));
    }
    finishLoad();

    clearBoxes();
    cboGP->clear();
    cboGP->setEnabled(false);
    db::ResultSet groups =
        gConn().query(QStringLiteral("select group_id from user_group where status = '1' order by group_id"));
    for (; !groups.eof(); groups.moveNext()) {
        const QString g = groups.text(0);
        if (accounts::mayHandleGroup(g, Module1::gGroupID))
            cboGP->addItem(g);
    }
    cboGP->setCurrentIndex(-1);
}

QStringList SYS_USER::selectedRow() const
{
    const int row = msfgUser->currentRow();
    if (row < 0 || row >= msfgUser->rowCount())
        return {};
    return Module1::GridRowTexts(msfgUser, row);
}

void SYS_USER::clearBoxes()
{
    txtUserID->clear();
    txtFullName->clear();
    txtDesc->clear();
    cboGP->setCurrentIndex(-1);
    const QDateTime now = Module1::now();
    dtpEffect->setDateTime(now);
    dtpExpiry->setDateTime(now.addDays(365));
}

bool SYS_USER::shownInBoxes(const QStringList& row) const
{
    return !row.value(ColId - 1).isEmpty() && txtUserID->text() == row.value(ColId - 1);
}

bool SYS_USER::rowShowable(const QStringList& texts)
{
    return accounts::mayHandleGroup(texts.value(ColGroup - 1), Module1::gGroupID);
}

void SYS_USER::showGroup(const QString& group)
{
    // A group the list does not offer (suspended, or SYSADMIN for others)
    // shows as none; Edit never writes the group anyway.
    cboGP->setCurrentIndex(cboGP->findText(group));
}

void SYS_USER::showDate(QDateTimeEdit* box, const QString& text)
{
    // An empty or unreadable date leaves the box as it is.
    const QDate d = QDate::fromString(text, kDateFormat);
    if (d.isValid())
        box->setDateTime(QDateTime(d, QTime(0, 0)));
}

void SYS_USER::rowToBoxes(const QStringList& texts)
{
    if (texts.size() < ColGroup)
        return;
    txtUserID->setText(texts[ColId - 1]);
    txtFullName->setText(texts[ColName - 1]);
    txtDesc->setText(texts[ColDesc - 1]);
    showGroup(texts[ColGroup - 1]);
    showDate(dtpEffect, texts[ColEffective - 1]);
}

bool SYS_USER::enterAllowed(const QString& mode)
{
    if (mode == QLatin1String("New"))
        return true;
    const QStringList row = selectedRow();
    if (row.size() < ColGroup)
        return false;
    if (mode == QLatin1String("Del")) {
        if (!accounts::mayDeleteUser(row[ColId - 1])) {
            msg::box(QStringLiteral("System Administrator cannot be deleted ..."), msg::Buttons::Ok,
                     msg::Icon::Critical);
            return false;
        }
        return shownInBoxes(row);
    }
    if (!accounts::mayEditUserOf(row[ColGroup - 1], Module1::gGroupID)) {
        msg::box(QStringLiteral("You cannot modify Admin User ..."), msg::Buttons::Ok, msg::Icon::Information);
        return false;
    }
    if (!shownInBoxes(row))
        return false;
    txtUserID->setText(row[ColId - 1]);
    txtFullName->setText(row[ColName - 1]);
    txtDesc->setText(row[ColDesc - 1]);
    showDate(dtpEffect, row[ColEffective - 1]);
    showDate(dtpExpiry, row[ColExpiry - 1]);
    showGroup(row[ColGroup - 1]);
    return true;
}

void SYS_USER::modeEntered()
{
    if (EditMode == QLatin1String("Edit")) {
        // Edit changes name, description and dates; never the id or the group.
        cboGP->setEnabled(false);
        txtFullName->setFocus();
    } else if (EditMode == QLatin1String("Del")) {
        txtUserID->setText(selectedRow().value(ColId - 1));
    }
}

bool SYS_USER::inputAccepted()
{
    const QDateTime expiry = dtpExpiry->dateTime();
    if (expiry <= Module1::now()) {
        msg::box(QStringLiteral("Expiry cannot early than or equal to today..."));
        dtpExpiry->setFocus();
        return false;
    }
    if (expiry <= dtpEffect->dateTime()) {
        msg::box(QStringLiteral("Expiry date cannot early than or equal to Effective Date..."));
        dtpExpiry->setFocus();
        return false;
    }
    if (EditMode != QLatin1String("New"))
        return true;

    const QString id = txtUserID->text().trimmed();
    if (Module1::RecordExists(id, QStringLiteral("User_List"), QStringLiteral("User_ID"))) {
        msg::box(QStringLiteral("User ID has been found..."));
        txtUserID->selectAll();
        txtUserID->setFocus();
        return false;
    }
    if (id.isEmpty()) {
        msg::information(QStringLiteral("Please enter the User ID"));
        txtUserID->setFocus();
        return false;
    }
    if (txtFullName->text().isEmpty()) {
        msg::information(QStringLiteral("Please enter the User full name..."));
        txtFullName->setFocus();
        return false;
    }
    const QString group = cboGP->currentText();
    if (cboGP->currentIndex() < 0 || group.isEmpty()) {
        msg::box(QStringLiteral("Please choose user group ..."), msg::Buttons::Ok, msg::Icon::Information);
        cboGP->setFocus();
        return false;
    }
    if (!accounts::mayAssignGroup(group, Module1::gGroupID)) {
        msg::box(QStringLiteral("You have no permission to assign the Admin Group member"), msg::Buttons::Ok,
                 msg::Icon::Information);
        cboGP->setFocus();
        return false;
    }
    // The first password is the id itself; an id the digest cannot take
    // (a pasted blank inside it) could never log in.
    if (!Module1::Encode(id, id)) {
        msg::information(QStringLiteral("The User ID can hold only letters, digits, \".\", \"/\" and \"-\" ..."));
        txtUserID->setFocus();
        return false;
    }
    return true;
}

void SYS_USER::insertRow()
{
    const QString id = txtUserID->text().trimmed();
    gConn().exec(QStringLiteral("insert into user_list (user_id, user_name, user_desc, group_id, effective_date, "
                                "expiry_date, password, active, update_user, update_time) "
                                "values (?, ?, ?, ?, ?, ?, ?, '1', ?, sysdate)"),
                 {id, txtFullName->text(), txtDesc->text(), cboGP->currentText(), day(dtpEffect), day(dtpExpiry),
                  Module1::Encode(id, id).value_or(QString()), Module1::gUserID});
}

int SYS_USER::updateRow()
{
    return gConn().exec(QStringLiteral("update user_list set user_name = ?, user_desc = ?, effective_date = ?, "
                                "expiry_date = ?, update_user = ?, update_time = sysdate where user_id = ?"),
                 {txtFullName->text(), txtDesc->text(), day(dtpEffect), day(dtpExpiry), Module1::gUserID,
                  txtUserID->text().trimmed()});
}

int SYS_USER::deleteRow()
{
    return gConn().exec(QStringLiteral("delete from user_list where user_id = ?"), {txtUserID->text().trimmed()});
}
