#include "MainWindowFixture.h"

#include "AppShell.h"
#include "DbRows.h"
#include "app/Module1.h"
#include "frmLogin.h"
#include "frmMain.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

MainWindowFixture::MainWindowFixture()
    : m_shell(std::make_unique<AppShell>(ScreenRegistry::catalog()))
{
}

MainWindowFixture::~MainWindowFixture() = default;

bool MainWindowFixture::logIn(const QString& user, const QString& password)
{
    m_shell->showLogin();
    frmLogin* login = m_shell->login();
    login->txtUserName()->setText(user);
    login->txtPassword()->setText(password);
    QTest::mouseClick(login->cmdOK(), Qt::LeftButton);
    return main() && main()->isVisible();
}

bool MainWindowFixture::relogIn(const QString& user, const QString& password)
{
    if (!main())
        return false;
    main()->menuItem(QStringLiteral("OPR_RELOGIN"))->trigger();
    return logIn(user, password);
}

frmMain* MainWindowFixture::main() const
{
    return m_shell->mainWindow();
}

QWidget* MainWindowFixture::open(const QString& menuItem)
{
    QAction* item = main() ? main()->menuItem(menuItem) : nullptr;
    if (!item || !item->isEnabled())
        return nullptr;
    item->trigger();
    QApplication::processEvents();
    return main()->screenInstance(menuItem);
}

void MainWindowFixture::addUser(const QString& id, const QString& name, const QString& group,
                                const QStringList& codes)
{
    testing::addGroup(group);
    testing::grant(group, codes);
    testing::addUser(id, group, {}, name);
}
