#include "frmLogin.h"

#include "app/AppControl.h"
#include "security/Login.h"
#include "app/MessageLayer.h"
#include "app/Module1.h"
#include "Style.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

frmLogin::frmLogin(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmLogin"));
    setWindowTitle(QStringLiteral("Login"));
    setModal(false);

    m_user = new QLineEdit(this);
    m_user->setObjectName(QStringLiteral("txtUserName"));
    m_user->setMaxLength(8);
    Module1::InstallIdKeyFilter(m_user);
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("txtPassword"));
    m_password->setEchoMode(QLineEdit::Password);
    // A star for every character, whatever the desktop style draws by default.
    m_password->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));

    auto* userLabel = new QLabel(QStringLiteral("&User Name:"), this);
    userLabel->setBuddy(m_user);
    auto* passwordLabel = new QLabel(QStringLiteral("&Password:"), this);
    passwordLabel->setBuddy(m_password);

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("cmdOK"));
    m_ok->setDefault(true);
    m_ok->setAutoDefault(true);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cmdCancel"));
    m_cancel->setAutoDefault(false);

    auto* form = new QFormLayout;
    form->addRow(userLabel, m_user);
    form->addRow(passwordLabel, m_password);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    connect(m_ok, &QPushButton::clicked, this, &frmLogin::cmdOK_Click);
    connect(m_cancel, &QPushButton::clicked, this, &frmLogin::cmdCancel_Click);
}

void frmLogin::cmdOK_Click()
{
    if (m_user->text().isEmpty()) {
        msg::box(QStringLiteral("User ID cannot be null ..."), msg::Buttons::Ok, msg::Icon::Exclamation,
                 QStringLiteral("Information"));
        m_user->setFocus();
        return;
    }
    if (m_password->text().isEmpty()) {
        m_password->setFocus();
        return;
    }
    if (!Module1::OpenConnection()) {
        msg::box(QStringLiteral("The database connect failed,please try again."), msg::Buttons::Ok, msg::Icon::None,
                 QStringLiteral("Login"));
        app::endProgram(0);
        return;
    }
    const QString userId = m_user->text().trimmed();
    if (!CheckLogin(userId, m_password->text()))
        return;
    grants::GrantSet granted;
    try {
        granted = LoadFunctionGrants(userId);
    } catch (const db::DbError& e) {
        // The previous identity stays: open screens keep writing under the
        // user who did finish logging in.
        msg::error(e.text());
        return;
    }
    Module1::gUserID = m_checked.userId;
    Module1::gGroupID = m_checked.groupId;
    Module1::gUserName = m_checked.userName;
    m_user->clear();
    m_password->clear();
    m_user->setFocus();
    Q_EMIT loginSucceeded(granted);
    hide();
}

bool frmLogin::CheckLogin(const QString& userId, const QString& password)
{
    std::optional<login::Identity> who;
    try {
        who = login::checkLogin(Module1::gConn(), userId, password);
    } catch (const db::DbError& e) {
        msg::error(e.text());
        return false;
    }
    if (!who) {
        msg::box(QStringLiteral("User ID or password is invalid ..."), msg::Buttons::Ok, msg::Icon::Exclamation,
                 QStringLiteral("Information"));
        return false;
    }
    m_checked = *who;
    return true;
}

grants::GrantSet frmLogin::LoadFunctionGrants(const QString& userId)
{
    return grants::fromCodes(grants::codesOf(Module1::gConn(), userId));
}

void frmLogin::cmdCancel_Click()
{
    hide();
    app::endProgram(0);
}

void frmLogin::reject()
{
    // Escape and the close box mean Cancel.
    cmdCancel_Click();
}
