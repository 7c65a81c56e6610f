#pragma once

#include <QString>
#include <QTest>
#include <QStringList>
#include <memory>

class AppShell;
class QWidget;
class frmMain;

// Drives the real program as a person would: logs in through the login
// dialog, then opens screens from the main window's menus with the real
// screen catalog. Use it in a testdb::Case, which points the program at a
// fresh database.
class MainWindowFixture
{
public:
    MainWindowFixture();
    ~MainWindowFixture();

    // Types the user and password into the login and presses OK. True when
    // the main window is then shown.
    bool logIn(const QString& user = QStringLiteral("SYSADMIN"), const QString& password = QStringLiteral("SYSADMIN"));
    // Relogin from the main window's menu, then logIn().
    bool relogIn(const QString& user, const QString& password);

    frmMain* main() const;

    // Triggers the menu item as a click would and returns the screen it shows,
    // nullptr when the item is disabled or shows nothing.
    QWidget* open(const QString& menuItem);
    template <class T>
    T* open(const QString& menuItem)
    {
        return qobject_cast<T*>(open(menuItem));
    }

    // A group holding the codes, and a user in it whose password is the user
    // id (as a new user gets it).
    static void addUser(const QString& id, const QString& name, const QString& group, const QStringList& codes);

private:
    std::unique_ptr<AppShell> m_shell;
};

// Logs in through a fixture named `fixture`, as SYSADMIN unless a user and
// password follow, and opens the menu item's screen as `screen`; the test
// ends there when either fails.
#define TROVA_OPEN_SCREEN(fixture, screen, Type, menuItem, ...)                                                \
    MainWindowFixture fixture;                                                                                 \
    QVERIFY(fixture.logIn(__VA_ARGS__));                                                                       \
    auto* screen = fixture.open<Type>(menuItem);                                                               \
    QVERIFY(screen)
