#include "BusyScreen.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QLabel>
#include <QMdiSubWindow>
#include <QProgressBar>

BusyScreen::BusyScreen(QWidget* screen, QAbstractButton* exitButton, const QString& name, const QString& doing)
    : m_screen(screen)
{
    if (!screen)
        return;
    const auto isExit = [exitButton](const QAbstractButton* b) {
        if (exitButton)
            return b == exitButton;
        return b->objectName().compare(QLatin1String("cmdexit"), Qt::CaseInsensitive) == 0
            || QString(b->text()).remove(QLatin1Char('&')) == QLatin1String("Exit");
    };
    for (QAbstractButton* b : screen->findChildren<QAbstractButton*>()) {
        const bool exit = isExit(b);
        if (!exit && b->isEnabled()) {
            b->setEnabled(false);
            m_disabled << b;
        }
    }
    m_busy = new QWidget(screen);
    m_busy->setObjectName(name);
    auto* row = new QHBoxLayout(m_busy);
    row->setContentsMargins(0, 0, 0, 0);
    auto* bar = new QProgressBar(m_busy);
    bar->setRange(0, 0);
    bar->setTextVisible(false);
    bar->setMaximumWidth(200);
    row->addWidget(bar);
    m_doing = new QLabel(doing, m_busy);
    row->addWidget(m_doing, 1);
    if (auto* box = qobject_cast<QBoxLayout*>(screen->layout()))
        box->addWidget(m_busy);
    m_busy->show();
    screen->setCursor(Qt::BusyCursor);
    screen->installEventFilter(this);
}

BusyScreen::~BusyScreen()
{
    if (!m_screen)
        return;
    m_screen->removeEventFilter(this);
    m_screen->unsetCursor();
    delete m_busy;
    for (const QPointer<QAbstractButton>& b : std::as_const(m_disabled)) {
        if (b)
            b->setEnabled(true);
    }
}

void BusyScreen::setDoing(const QString& doing)
{
    if (m_doing)
        m_doing->setText(doing);
}

QWidget* BusyScreen::screenOf(const QObject* shown)
{
    const QObject* o = shown;
    while (o && !o->isWidgetType())
        o = o->parent();
    auto* w = const_cast<QWidget*>(static_cast<const QWidget*>(o));
    while (w && !w->isWindow() && !qobject_cast<QMdiSubWindow*>(w->parentWidget()))
        w = w->parentWidget();
    return w;
}

bool BusyScreen::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_screen || event->type() != QEvent::Close)
        return false;
    event->ignore();
    if (m_onClose)
        m_onClose();
    return true;
}
