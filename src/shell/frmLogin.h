#pragma once

#include "security/Grants.h"
#include "security/Login.h"

#include <QDialog>

class QLineEdit;
class QPushButton;

// The login dialog: checks the user id and password against the stored
// digest, works out which gated menu items and toolbar buttons the user's
// groups may use, and only then sets the login identity.
class frmLogin : public QDialog
{
    Q_OBJECT

public:
    explicit frmLogin(QWidget* parent = nullptr);

    QLineEdit* txtUserName() const { return m_user; }
    QLineEdit* txtPassword() const { return m_password; }
    QPushButton* cmdOK() const { return m_ok; }
    QPushButton* cmdCancel() const { return m_cancel; }

    // Looks the user up; false shows why. The identity is set by OK only
    // once the grants have loaded too.
    bool CheckLogin(const QString& userId, const QString& password);
    grants::GrantSet LoadFunctionGrants(const QString& userId);

Q_SIGNALS:
    // A successful login: the identity is set; the main window applies the
    // grants and shows itself.
    void loginSucceeded(const grants::GrantSet& grants);

public Q_SLOTS:
    void cmdOK_Click();
    void cmdCancel_Click();

protected:
    void reject() override;

private:
    QLineEdit* m_user;
    QLineEdit* m_password;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    login::Identity m_checked;
};
