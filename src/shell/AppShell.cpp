#include "AppShell.h"

#include "app/Module1.h"
#include "frmLogin.h"
#include "frmMain.h"
#include "frmSplash.h"
#include "frmUpdate.h"

AppShell::AppShell(ScreenRegistry screens, QObject* parent)
    : QObject(parent)
    , m_screens(std::move(screens))
{
}

AppShell::~AppShell()
{
    delete m_splash.data();
}

void AppShell::start()
{
    auto* splash = new frmSplash;
    m_splash = splash;
    connect(splash, &frmSplash::loginWanted, this, &AppShell::showLogin);
    connect(splash, &frmSplash::updateWanted, this, &AppShell::showUpdate);
    splash->show();
    splash->raise();
    splash->activateWindow();
}

void AppShell::showLogin()
{
    if (!m_login) {
        m_login = std::make_unique<frmLogin>();
        connect(m_login.get(), &frmLogin::loginSucceeded, this, &AppShell::onLoginSucceeded);
    }
    m_login->show();
    m_login->raise();
    m_login->activateWindow();
}

void AppShell::showUpdate()
{
    if (!m_update)
        m_update = std::make_unique<frmUpdate>();
    m_update->show();
    m_update->raise();
    m_update->activateWindow();
}

void AppShell::onLoginSucceeded(const grants::GrantSet& g)
{
    if (!m_main) {
        m_main = std::make_unique<frmMain>(m_screens);
        connect(m_main.get(), &frmMain::reloginRequested, this, &AppShell::showLogin);
    }
    m_main->applyGrants(g);
    m_main->resetScreensForUser(Module1::gUserID);
    m_main->show();
    m_main->raise();
    m_main->activateWindow();
    m_main->MDIForm_Activate();
}

frmSplash* AppShell::splash() const
{
    return m_splash.data();
}
