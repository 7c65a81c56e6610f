#include "SYS_PWD.h"

#include "FormWidgets.h"
#include "Style.h"
#include "app/MessageLayer.h"
#include "app/Module1.h"
#include "security/Accounts.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

namespace {

QLineEdit* passwordBox(QWidget* parent, const char* name)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setEchoMode(QLineEdit::Password);
    box->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    return box;
}

} // namespace

SYS_PWD::SYS_PWD(QWidget* parent) : QWidget(parent)
{
    Module1::CenterOnFirstShow(this);
    setObjectName(QStringLiteral("SYS_PWD"));
    setWindowTitle(QStringLiteral("Secuirity - Change Password"));
    OldPWD = passwordBox(this, "OldPWD");
    NewPWD = passwordBox(this, "NewPWD");
    NewPWD2 = passwordBox(this, "NewPWD2");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    cmdOK = formui::addButton(this, buttons, QStringLiteral("Save"), "cmdOK");
    cmdCancle = formui::addButton(this, buttons, QStringLiteral("Cancle"), "cmdCancle");

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Old Password"), OldPWD);
    form->addRow(QStringLiteral("New Password"), NewPWD);
    form->addRow(QStringLiteral("Confirm Password"), NewPWD2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    connect(cmdOK, &QPushButton::clicked, this, &SYS_PWD::cmdOK_Click);
    connect(cmdCancle, &QPushButton::clicked, this, &SYS_PWD::cmdCancle_Click);
}

void SYS_PWD::clearBoxes()
{
    OldPWD->clear();
    NewPWD->clear();
    NewPWD2->clear();
}

void SYS_PWD::cmdOK_Click()
{
    if (NewPWD->text().trimmed().isEmpty() || NewPWD2->text().trimmed().isEmpty()) {
        NewPWD->setFocus();
        return;
    }
    if (NewPWD->text() != NewPWD2->text()) {
        msg::box(QStringLiteral("The Confirm password is not match,Please try again."));
        clearBoxes();
        OldPWD->setFocus();
        return;
    }
    accounts::ChangeResult result;
    try {
        result = accounts::changePassword(Module1::gConn(), Module1::gUserID, OldPWD->text(), NewPWD->text());
    } catch (const db::DbError& e) {
        msg::error(e.text());
        return;
    }
    switch (result) {
    case accounts::ChangeResult::OldMismatch:
        msg::box(QStringLiteral("Password not match."));
        return;
    case accounts::ChangeResult::NewRefused:
        msg::information(QStringLiteral("The new password cannot be used: use characters of the Western "
                                        "(Windows-1252) character set, not too many, and no blank inside, "
                                        "please try another."));
        NewPWD->setFocus();
        return;
    case accounts::ChangeResult::NotStored:
        msg::error(QStringLiteral("The password was not changed: the user %1 is no longer stored.")
                       .arg(Module1::gUserID));
        return;
    case accounts::ChangeResult::Changed:
        break;
    }
    msg::box(QStringLiteral("Change password success!"));
    clearBoxes();
}

void SYS_PWD::cmdCancle_Click()
{
    close();
}
