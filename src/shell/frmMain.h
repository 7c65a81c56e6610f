#pragma once

#include "security/Grants.h"
#include "ScreenRegistry.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <array>

class QAbstractButton;
class QAction;
class QKeySequence;
class QLabel;
class QMdiArea;
class QMenu;
class QTimer;
class QToolBar;

// The main window: the work area for the screens, the five menus, the
// toolbar of shortcuts to the same menu handlers, and the status bar. The
// login decides which gated items the user may use; an item whose screen the
// registry lacks stays disabled whatever the grants.
class frmMain : public QMainWindow
{
    Q_OBJECT

public:
    explicit frmMain(QWidget* parent = nullptr);
    explicit frmMain(ScreenRegistry screens, QWidget* parent = nullptr);

    // Disables the gated items and buttons, then enables the granted ones
    // that have a screen. An open screen whose item is now disabled is closed;
    // a monitor that serves started gateways stays, with its operator
    // buttons off until a user holding its grant logs in.
    void applyGrants(const grants::GrantSet& g);

    QMdiArea* mdiArea() const { return m_mdi; }
    QToolBar* toolbar() const { return m_toolbar; }
    // A menu item by its name ("OPR_Line_SET", "mnuHelpAbout", ...).
    QAction* menuItem(const QString& name) const;
    QMenu* menu(const QString& name) const;
    // Toolbar slots counted from 1, separators included.
    QAction* toolbarButton(int number) const;
    // Status bar panels counted from 1.
    QLabel* statusPanel(int number) const;
    // The open instance of an item's screen, nullptr when none is open.
    QWidget* screenInstance(const QString& menuItem) const;

    // Shows the item's screen, creating it when it is not open.
    QWidget* openScreen(const QString& menuItem);

    // After a login: when the user is not the one the open screens last
    // served, each screen drops what that user left pending.
    void resetScreensForUser(const QString& userId);

public Q_SLOTS:
    void OPR_RELOGIN_Click();
    void OPR_EXIT_Click();
    void mnuHelpContents_Click();
    void Toolbar_ButtonClick(const QString& caption);
    // Refreshes the user panel with the logged-in user's name.
    void MDIForm_Activate();

Q_SIGNALS:
    // Relogin: the window has hidden itself; the login is to be shown.
    void reloginRequested();

protected:
    void changeEvent(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void buildMenus();
    void buildToolbar();
    void buildStatusBar();
    void MDIForm_Load();
    QMenu* addMenu(QMenu* into, const char* name, const char* caption);
    void addItem(QMenu* into, const char* name, const char* caption);
    void addSeparator(QMenu* into, const char* name);
    void onItem(const QString& name);
    void closeScreensNotGranted();
    void updateClock();
    QList<QAbstractButton*> activeScreenButtons(const QKeySequence& mnemonic) const;
    // One carrier of the key is pressed; several take the focus in turn.
    void pressAccessKey(const QList<QAbstractButton*>& carriers);

    ScreenRegistry m_screens;
    QMdiArea* m_mdi = nullptr;
    QToolBar* m_toolbar = nullptr;
    QTimer* m_clock = nullptr;
    QHash<QString, QAction*> m_items;
    QHash<QString, QMenu*> m_menus;
    std::array<QAction*, 13> m_buttons{};
    std::array<QLabel*, 5> m_panels{};
    QHash<QString, QPointer<QWidget>> m_open;
    QString m_user; // whom the open screens serve
    bool m_reloginWaiting = false; // for a box's answer
};
