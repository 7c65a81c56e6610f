#include "frmMain.h"

#include "app/AppControl.h"
#include "ExcelExport.h"
#include "ExcelImport.h"
#include "FormWidgets.h"
#include "MainPlacement.h"
#include "app/MessageLayer.h"
#include "app/Module1.h"
#include "OPT_Run.h"
#include "Product.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QShortcutEvent>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>

namespace {

struct ToolbarSlot
{
    const char* caption; // nullptr: separator
    const char* tooltip;
    const char* menuItem; // the item whose handler the button calls
    QStyle::StandardPixmap icon;
};

const std::array<ToolbarSlot, 13> kToolbar = {{
    {"Run", "Run DT-200 Server", "OPR_RUN", QStyle::SP_MediaPlay},
    {nullptr, nullptr, nullptr, QStyle::SP_CustomBase},
    {"Line Set", "Product Line Setting", "OPR_Line_SET", QStyle::SP_FileDialogListView},
    {"Component", "Componect and Slot Correlation", "OPR_Comp_SET", QStyle::SP_DriveHDIcon},
    {"Slot Link", "Slot Link", "OPR_Slot_Link", QStyle::SP_DirLinkIcon},
    {"Link ID", "Add Component Link ID", "Man_Link", QStyle::SP_FileLinkIcon},
    {nullptr, nullptr, nullptr, QStyle::SP_CustomBase},
    {"Loading", "Query Loading / Changes", "QY_Comp", QStyle::SP_FileDialogContentsView},
    {"WIP", "Query WIP", "QY_WIP", QStyle::SP_FileDialogInfoView},
    {"DT200", "Query DT200", "QY_DT200", QStyle::SP_ComputerIcon},
    {nullptr, nullptr, nullptr, QStyle::SP_CustomBase},
    {"Relogin", "Relogin", "OPR_RELOGIN", QStyle::SP_BrowserReload},
    {"Exit", "Exit", "OPR_EXIT", QStyle::SP_DialogCloseButton},
}};

// Items that no grant and no screen can switch off.
bool alwaysEnabled(const QString& item)
{
    return item == QLatin1String("OPR_RELOGIN") || item == QLatin1String("OPR_EXIT")
           || item == QLatin1String("mnuHelpContents");
}

bool gated(const QString& item)
{
    for (const grants::MenuGrant& m : grants::kMenuGrants) {
        if (item == QLatin1String(m.menuItem))
            return true;
    }
    return false;
}

// The style's icons come in different sizes; the buttons look even when every
// icon is drawn from its largest version at one size.
QIcon buttonIcon(const QStyle* style, QStyle::StandardPixmap which, int side)
{
    const QIcon icon = style->standardIcon(which);
    QSize largest;
    for (const QSize& s : icon.availableSizes())
        largest = s.width() > largest.width() ? s : largest;
    if (largest.isEmpty())
        return icon;
    return QIcon(icon.pixmap(largest).scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

// The menu table's captions mark access keys with "&"; one followed by a
// blank ("Module & Slot Define ") is meant literally.
QString menuCaption(const char* caption)
{
    return QString::fromUtf8(caption).replace(QLatin1String("& "), QLatin1String("&& "));
}

// A frame that is activated gives the focus to the first control in its
// chain even when that one is disabled, so a screen whose first boxes open
// only with New would leave it where it was (the menu bar, when opened by
// keys): the first control of the screen that can take it does.
void focusFirstControl(QWidget* screen)
{
    if (screen->isAncestorOf(screen->window()->focusWidget()))
        return;
    for (QWidget* w = screen->nextInFocusChain(); w && w != screen; w = w->nextInFocusChain()) {
        if (screen->isAncestorOf(w) && w->isEnabled() && w->isVisible() && (w->focusPolicy() & Qt::TabFocus)) {
            w->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
}

int pixels(int twips)
{
    return twips / mainplacement::kTwipsPerPixel;
}

// A screen is not closed, by any road, while a box waits for its answer: the
// handler that showed the box may be the screen's own and still runs on it
// once the box is answered. The close is made after the answer.
class CloseAfterAnswers : public QObject
{
public:
    explicit CloseAfterAnswers(QWidget* screen) : QObject(screen), m_screen(screen)
    {
        screen->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (watched != m_screen || e->type() != QEvent::Close || !msg::answerPending())
            return false;
        e->ignore();
        if (!m_waiting) {
            m_waiting = true;
            msg::afterAnswers(this, [this] {
                m_waiting = false;
                m_screen->close();
            });
        }
        return true;
    }

private:
    QWidget* m_screen;
    bool m_waiting = false;
};

} // namespace

frmMain::frmMain(QWidget* parent)
    : frmMain(ScreenRegistry::catalog(), parent)
{
}

frmMain::frmMain(ScreenRegistry screens, QWidget* parent)
    : QMainWindow(parent)
    , m_screens(std::move(screens))
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(product::kTitle);
    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName(QStringLiteral("mdiArea"));
    setCentralWidget(m_mdi);

    buildMenus();
    buildToolbar();
    buildStatusBar();
    applyGrants(grants::GrantSet());
    MDIForm_Load();
    // Mnemonics are shared out by the application, so that is where a
    // screen's own buttons are given precedence over the menu bar.
    qApp->installEventFilter(this);
}

void frmMain::buildMenus()
{
    QMenu* opr = addMenu(nullptr, "TROVA_OPERATION", "&Operation");
    addItem(opr, "OPR_Line_SET", "Line Setting");
    addItem(opr, "OPR_Comp_SET", "Component Setting");
    addItem(opr, "OPR_Slot_Link", "Slot Link");
    addItem(opr, "OPR_Throw_QTY", "Throw QTY");
    addItem(opr, "OPR_Approve", "Approve Report");
    addItem(opr, "OPR_Load", "Load S/N");
    addSeparator(opr, "OPR_1");
    addItem(opr, "OPR_RUN", "Run Server");
    addSeparator(opr, "OPR_3");
    addItem(opr, "OPR_RELOGIN", "Relogin");
    addSeparator(opr, "OPR_2");
    addItem(opr, "OPR_EXIT", "E&xit");

    QMenu* qy = addMenu(nullptr, "TROVA_ENQUIRY", "&Enquiry");
    addItem(qy, "QY_WIP", "WIP Information");
    addItem(qy, "QY_DT200", "DT-200 Information");
    addItem(qy, "QY_Comp", "Loading / Changes");
    addItem(qy, "QY_Trace", "Traceability Info");

    QMenu* man = addMenu(nullptr, "TROVA_MAINTANCE", "&Maintance");
    addItem(man, "Man_Project", "Project Define");
    addItem(man, "Man_Part", "Part No Define");
    addItem(man, "Man_Line", "Line Define");
    addItem(man, "Man_Machine", "Machine Define");
    addItem(man, "Man_Slot1", "Module & Slot Define ");
    addItem(man, "Man_DT200", "DT200 Define");
    QMenu* comp = addMenu(man, "Man_Componet", "Component");
    addItem(comp, "Man_CGRP", "Group");
    addItem(comp, "Man_Comp", "List");
    addItem(comp, "Man_Proj", "by Project");
    addItem(comp, "Man_Link", "Link ID");

    QMenu* sec = addMenu(nullptr, "TROVA_SECURITY", "&Security");
    addItem(sec, "SEC_USER_INFO", "User Information");
    addItem(sec, "SEC_USER_RESETPWD", "Reset Password");
    addItem(sec, "SEC_USER_CHGPWD", "Change Password");
    addItem(sec, "SEC_USER_GROUP", "User Group Maintenance");
    addItem(sec, "SEC_FUNCTION_LIST", "Function List");
    addSeparator(sec, "SEC_1");
    addItem(sec, "SEC_FUNCTION_GRANT", "Function Grant");

    QMenu* help = addMenu(nullptr, "mnuHelp", "&Help");
    addItem(help, "mnuHelpContents", "Help");
    addItem(help, "mnuHelpAbout", "About ");
}

QMenu* frmMain::addMenu(QMenu* into, const char* name, const char* caption)
{
    QMenu* m = into ? into->addMenu(menuCaption(caption)) : menuBar()->addMenu(menuCaption(caption));
    m->setObjectName(QString::fromLatin1(name));
    m->menuAction()->setObjectName(QString::fromLatin1(name));
    m_menus.insert(QString::fromLatin1(name), m);
    return m;
}

void frmMain::addItem(QMenu* into, const char* name, const char* caption)
{
    const QString item = QString::fromLatin1(name);
    QAction* a = into->addAction(menuCaption(caption));
    a->setObjectName(item);
    connect(a, &QAction::triggered, this, [this, item] { onItem(item); });
    m_items.insert(item, a);
}

void frmMain::addSeparator(QMenu* into, const char* name)
{
    into->addSeparator()->setObjectName(QString::fromLatin1(name));
}

void frmMain::buildToolbar()
{
    m_toolbar = addToolBar(QStringLiteral("Toolbar"));
    m_toolbar->setObjectName(QStringLiteral("Toolbar"));
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_toolbar->setMovable(false);
    // The toolbar is part of the window, not something to switch off.
    m_toolbar->toggleViewAction()->setVisible(false);
    m_toolbar->setIconSize(QSize(32, 32));
    for (size_t i = 0; i < kToolbar.size(); ++i) {
        const ToolbarSlot& b = kToolbar[i];
        if (!b.caption) {
            m_buttons[i] = m_toolbar->addSeparator();
            continue;
        }
        const QString caption = QString::fromLatin1(b.caption);
        QAction* a = m_toolbar->addAction(buttonIcon(style(), b.icon, 32), caption);
        a->setToolTip(QString::fromLatin1(b.tooltip));
        a->setObjectName(QStringLiteral("Button%1").arg(i + 1));
        connect(a, &QAction::triggered, this, [this, a] { Toolbar_ButtonClick(a->text()); });
        m_buttons[i] = a;
    }
}

void frmMain::buildStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("sbStatusBar"));
    bar->setSizeGripEnabled(false);
    static const int kWidths[5] = {0, 3528, 3704, 2117, 2117};
    for (int i = 0; i < 5; ++i) {
        auto* panel = new QLabel(bar);
        panel->setObjectName(QStringLiteral("Panel%1").arg(i + 1));
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        if (i == 0) {
            // The five widths add up to more than the window is wide; the
            // first panel gives way so that the date and time stay in sight.
            bar->addWidget(panel, 1);
        } else {
            panel->setFixedWidth(pixels(kWidths[i]));
            bar->addPermanentWidget(panel);
        }
        m_panels[size_t(i)] = panel;
    }
    m_panels[0]->setText(QStringLiteral("Ready"));
    m_panels[1]->setText(QStringLiteral("User:"));
    m_panels[2]->setText(QStringLiteral("SMT Component Loading Guard"));
    m_clock = new QTimer(this);
    m_clock->setInterval(1000);
    connect(m_clock, &QTimer::timeout, this, &frmMain::updateClock);
    m_clock->start();
    updateClock();
}

void frmMain::updateClock()
{
    const QDateTime now = Module1::now();
    const QLocale locale;
    m_panels[3]->setText(locale.toString(now.date(), QLocale::ShortFormat));
    m_panels[4]->setText(locale.toString(now.time(), QLocale::ShortFormat));
}

void frmMain::MDIForm_Load()
{
    QSettings stored(QStringLiteral("TROVA"), QStringLiteral("TROVA"));
    stored.beginGroup(QStringLiteral("Settings"));
    const float left = mainplacement::storedTwips(stored.value(QStringLiteral("MainLeft")));
    const float top = mainplacement::storedTwips(stored.value(QStringLiteral("MainTop")));
    resize(pixels(mainplacement::kWidthTwips), pixels(mainplacement::kHeightTwips));
    move(mainplacement::toPixels(left), mainplacement::toPixels(top));
    const QScreen* s = screen();
    if (s && mainplacement::maximise(s->size().height()))
        setWindowState(windowState() | Qt::WindowMaximized);
}

QAction* frmMain::menuItem(const QString& name) const
{
    return m_items.value(name);
}

QMenu* frmMain::menu(const QString& name) const
{
    return m_menus.value(name);
}

QAction* frmMain::toolbarButton(int number) const
{
    return number >= 1 && number <= int(m_buttons.size()) ? m_buttons[size_t(number - 1)] : nullptr;
}

QLabel* frmMain::statusPanel(int number) const
{
    return number >= 1 && number <= int(m_panels.size()) ? m_panels[size_t(number - 1)] : nullptr;
}

QWidget* frmMain::screenInstance(const QString& menuItem) const
{
    return m_open.value(menuItem).data();
}

void frmMain::applyGrants(const grants::GrantSet& g)
{
    for (auto it = m_items.constBegin(); it != m_items.constEnd(); ++it) {
        const QString& name = it.key();
        bool on;
        if (alwaysEnabled(name))
            on = true;
        else if (gated(name))
            on = g.menuItems.contains(name) && m_screens.contains(name);
        else
            on = m_screens.contains(name);
        it.value()->setEnabled(on);
    }
    // A button calls its item's handler, so it is usable exactly when the item is.
    for (size_t i = 0; i < kToolbar.size(); ++i) {
        if (kToolbar[i].caption)
            m_buttons[i]->setEnabled(m_items.value(QString::fromLatin1(kToolbar[i].menuItem))->isEnabled());
    }
    closeScreensNotGranted();
}

void frmMain::closeScreensNotGranted()
{
    for (auto it = m_open.constBegin(); it != m_open.constEnd(); ++it) {
        QWidget* screen = it.value().data();
        if (!screen)
            continue;
        const QAction* item = m_items.value(it.key());
        const bool granted = item && item->isEnabled();
        // A change of shift must not stop production: the terminals stay
        // served, but only a user with the grant may stop or leave them.
        auto* monitor = qobject_cast<OPT_Run*>(screen);
        if (monitor && (granted || monitor->serving()))
            monitor->setOperatorEnabled(granted);
        else if (!granted) {
            // An import or export it runs is dropped with it, without asking.
            Module1::DropImport(screen);
            Module1::DropExport(screen);
            screen->close();
        }
    }
}

void frmMain::onItem(const QString& name)
{
    if (name == QLatin1String("OPR_RELOGIN"))
        OPR_RELOGIN_Click();
    else if (name == QLatin1String("OPR_EXIT"))
        OPR_EXIT_Click();
    else if (name == QLatin1String("mnuHelpContents"))
        mnuHelpContents_Click();
    else
        openScreen(name);
}

QWidget* frmMain::openScreen(const QString& menuItem)
{
    QPointer<QWidget>& open = m_open[menuItem];
    if (!open) {
        QWidget* w = m_screens.create(menuItem);
        if (!w)
            return nullptr;
        w->setAttribute(Qt::WA_DeleteOnClose);
        new CloseAfterAnswers(w);
        if (qobject_cast<QDialog*>(w)) {
            w->setParent(this, w->windowFlags() | Qt::Dialog);
        } else {
            QMdiSubWindow* sub = m_mdi->addSubWindow(w);
            sub->setAttribute(Qt::WA_DeleteOnClose);
            // A screen that closes itself takes its frame with it.
            connect(w, &QObject::destroyed, sub, &QObject::deleteLater);
        }
        open = w;
    }
    QWidget* w = open.data();
    if (auto* sub = qobject_cast<QMdiSubWindow*>(w->parentWidget())) {
        w->show();
        sub->show();
        if (sub->isMinimized())
            sub->showNormal();
        m_mdi->setActiveSubWindow(sub);
        focusFirstControl(w);
    } else {
        w->show();
        w->raise();
        w->activateWindow();
    }
    return w;
}

void frmMain::resetScreensForUser(const QString& userId)
{
    if (userId == m_user) {
        // The same user's work stays as it is; only a list that a failure
        // emptied (the connection lost, which the login opened again) is
        // read again.
        for (const QPointer<QWidget>& open : std::as_const(m_open)) {
            if (open && open->metaObject()->indexOfSlot("relistIfLost()") >= 0)
                QMetaObject::invokeMethod(open.data(), "relistIfLost", Qt::DirectConnection);
        }
        return;
    }
    m_user = userId;
    for (const QPointer<QWidget>& open : std::as_const(m_open)) {
        QWidget* screen = open.data();
        if (!screen)
            continue;
        // The previous user's import stores nothing under the new user's
        // name, and the new user is shown none of the previous one's exports.
        Module1::DropImport(screen);
        Module1::DropExport(screen);
        if (screen->metaObject()->indexOfSlot("resetForUser()") >= 0)
            QMetaObject::invokeMethod(screen, "resetForUser", Qt::DirectConnection);
    }
}

QList<QAbstractButton*> frmMain::activeScreenButtons(const QKeySequence& mnemonic) const
{
    QList<QAbstractButton*> carriers;
    const QMdiSubWindow* sub = m_mdi->activeSubWindow();
    if (!sub || !sub->widget())
        return carriers;
    const QList<QAbstractButton*> buttons = sub->widget()->findChildren<QAbstractButton*>();
    for (QAbstractButton* b : buttons) {
        if (b->isVisible() && b->isEnabled() && QKeySequence::mnemonic(b->text()) == mnemonic)
            carriers << b;
    }
    return carriers;
}

bool frmMain::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() != QEvent::Shortcut && e->type() != QEvent::KeyPress)
        return QMainWindow::eventFilter(watched, e);
    const QMdiSubWindow* sub = m_mdi->activeSubWindow();
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w || !sub || !sub->widget() || (w != this && !isAncestorOf(w)))
        return QMainWindow::eventFilter(watched, e);
    if (e->type() == QEvent::KeyPress) {
        // Qt matches a button's access key only while the focus is inside its
        // frame. With the focus elsewhere in the window (the menu bar, or
        // nowhere once the control that had it was disabled) the key reaches
        // the window unmatched: the active screen's buttons take it still.
        const auto* ke = static_cast<QKeyEvent*>(e);
        if (ke->modifiers() != Qt::AltModifier || sub->isAncestorOf(QApplication::focusWidget()))
            return QMainWindow::eventFilter(watched, e);
        const QList<QAbstractButton*> carriers = activeScreenButtons(QKeySequence(Qt::ALT | ke->key()));
        if (carriers.isEmpty())
            return QMainWindow::eventFilter(watched, e);
        pressAccessKey(carriers);
        return true;
    }
    const auto* se = static_cast<QShortcutEvent*>(e);
    if (!se->isAmbiguous()) {
        // Pressed by its mnemonic, a button leaves the box being typed in
        // first, as a click on it does.
        if (auto* button = qobject_cast<QAbstractButton*>(w); button && sub->isAncestorOf(button))
            formui::leaveFocusedBox(sub->widget(), button);
        return QMainWindow::eventFilter(watched, e);
    }
    // Alt+S is both the Security menu and a screen's Save, and Alt+E may be
    // both a screen's Export and its Edit. While a screen is active its own
    // buttons are meant: one carrying the letter alone is pressed; several
    // take the focus in turn and none is pressed, as on the desktop.
    const QList<QAbstractButton*> carriers = activeScreenButtons(se->key());
    if (carriers.isEmpty())
        return QMainWindow::eventFilter(watched, e);
    pressAccessKey(carriers);
    return true;
}

void frmMain::pressAccessKey(const QList<QAbstractButton*>& carriers)
{
    if (carriers.size() == 1) {
        formui::leaveFocusedBox(m_mdi->activeSubWindow()->widget(), carriers.first());
        carriers.first()->animateClick();
        return;
    }
    const qsizetype focused = carriers.indexOf(qobject_cast<QAbstractButton*>(QApplication::focusWidget()));
    carriers.at((focused + 1) % carriers.size())->setFocus(Qt::ShortcutFocusReason);
}

void frmMain::OPR_RELOGIN_Click()
{
    // Under a box that waits for its answer the login would take no typing,
    // and the handler that showed the box still runs on its screen: the box
    // is brought to the front, and the login comes once it is answered.
    if (msg::answerPending()) {
        if (!m_reloginWaiting) {
            m_reloginWaiting = true;
            msg::afterAnswers(this, [this] {
                m_reloginWaiting = false;
                OPR_RELOGIN_Click();
            });
        }
        if (QWidget* box = QApplication::activeModalWidget()) {
            box->raise();
            box->activateWindow();
        }
        return;
    }
    // Open screens hide with the window and stay loaded for the next login.
    hide();
    Q_EMIT reloginRequested();
}

void frmMain::OPR_EXIT_Click()
{
    // An import asks first, as its screen's close does, and ends the program
    // itself once it has said what it stored.
    if (Module1::ImportsLetProgramEnd())
        app::endProgram(0);
}

void frmMain::mnuHelpContents_Click()
{
    msg::box(QStringLiteral("Thank you for using This system. The System Help file is working in progress"),
             msg::Buttons::Ok, msg::Icon::Information, windowTitle());
}

void frmMain::Toolbar_ButtonClick(const QString& caption)
{
    for (const ToolbarSlot& b : kToolbar) {
        if (b.caption && caption == QLatin1String(b.caption)) {
            onItem(QString::fromLatin1(b.menuItem));
            return;
        }
    }
}

void frmMain::MDIForm_Activate()
{
    QString shown;
    try {
        db::ResultSet rs = Module1::gConn().query(QStringLiteral("select user_name from user_list where user_id = ?"),
                                                 {Module1::gUserID});
        shown = rs.eof() ? Module1::gUserID : rs.text(0);
    } catch (const db::DbError&) {
        // The database not answering must not end the program: show the id.
        shown = Module1::gUserID;
    }
    m_panels[1]->setText(shown);
}

void frmMain::changeEvent(QEvent* e)
{
    QMainWindow::changeEvent(e);
    if (e->type() == QEvent::ActivationChange && isActiveWindow() && isVisible())
        MDIForm_Activate();
}

void frmMain::closeEvent(QCloseEvent* e)
{
    // Every way of closing the window is Exit: nothing is asked or saved.
    e->ignore();
    OPR_EXIT_Click();
}
