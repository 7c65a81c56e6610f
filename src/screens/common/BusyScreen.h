#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <functional>

class QAbstractButton;
class QLabel;
class QWidget;

// A screen while work it started runs on beside the event loop (a workbook
// read or written, rows stored): a moving bar saying what it does, the busy
// pointer over the screen alone (the other screens, the terminal monitor
// among them, stay as they are), every button off but Exit, as while a
// search runs, and a close held back and handed to the work, whose handler is
// still on the screen's stack. Everything is put back when this goes.
class BusyScreen : public QObject
{
public:
    // exitButton null: the screen's button named "cmdexit" in any letter
    // case or captioned Exit. name names the bar, for tests. A null screen
    // shows nothing.
    BusyScreen(QWidget* screen, QAbstractButton* exitButton, const QString& name, const QString& doing);
    ~BusyScreen() override;

    void setDoing(const QString& doing);
    QWidget* screen() const { return m_screen; }
    // Runs for every close of the screen meanwhile; the close itself does
    // not happen.
    void onClose(std::function<void()> handler) { m_onClose = std::move(handler); }

    // The screen a list shown by this object belongs to: the widget below
    // its window or its frame in the main window; null for an object no
    // widget owns.
    static QWidget* screenOf(const QObject* shown);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> m_screen;
    QWidget* m_busy = nullptr;
    QLabel* m_doing = nullptr;
    QList<QPointer<QAbstractButton>> m_disabled;
    std::function<void()> m_onClose;
};
