#pragma once

#include "security/Grants.h"
#include "ScreenRegistry.h"

#include <QObject>
#include <QPointer>
#include <memory>

class frmLogin;
class frmMain;
class frmSplash;
class frmUpdate;

// The windows of the program's start and of each login: the splash hands over
// to the login or to the update wizard; a login shows the main window with
// the user's grants; Relogin goes back to the login.
class AppShell : public QObject
{
    Q_OBJECT

public:
    explicit AppShell(ScreenRegistry screens = ScreenRegistry::catalog(), QObject* parent = nullptr);
    ~AppShell() override;

    // Creates the splash (which reads the published version) and shows it.
    void start();

    frmSplash* splash() const;
    frmLogin* login() const { return m_login.get(); }
    frmMain* mainWindow() const { return m_main.get(); }
    frmUpdate* updateWindow() const { return m_update.get(); }

public Q_SLOTS:
    void showLogin();
    void showUpdate();

private:
    void onLoginSucceeded(const grants::GrantSet& g);

    ScreenRegistry m_screens;
    QPointer<frmSplash> m_splash;
    std::unique_ptr<frmLogin> m_login;
    std::unique_ptr<frmMain> m_main;
    std::unique_ptr<frmUpdate> m_update;
};
