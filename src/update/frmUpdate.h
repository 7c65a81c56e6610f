#pragma once

#include <QWidget>
#include <memory>

class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class frmUpdate1;
namespace wizard {
class InfoFrame;
}

// Page 1 of the update wizard, opened by the start-up splash when the
// published version differs: an animated "connecting" bar, then Next to the
// download page. No login follows: the wizard alone ends the program or
// starts the new one.
class frmUpdate : public QWidget
{
    Q_OBJECT

public:
    // One tick of the connection animation. Nominally 1 ms; a desktop timer
    // ticks at about 16 ms, which keeps the animation visible.
    static constexpr int kTickMs = 16;

    explicit frmUpdate(QWidget* parent = nullptr);
    ~frmUpdate() override;

    QProgressBar* UpdateStatus() const { return m_status; }
    QLabel* Connectionstatus() const { return m_connectionStatus; }
    QLabel* UpdateYes() const { return m_updateYes; }
    QPushButton* cmdNext() const { return m_next; }
    QPushButton* cmdCancel() const { return m_cancel; }
    QPushButton* cmdCloseUpdate() const { return m_closeUpdate; }
    QTimer* UpdateTimer() const { return m_timer; }
    wizard::InfoFrame* Frame12() const { return m_info; }
    // Page 2, once Next (or Interrupt) has loaded it.
    frmUpdate1* page2() const { return m_page2.get(); }

public Q_SLOTS:
    void UpdateTimer_Timer();
    void cmdNext_Click();
    void cmdCloseUpdate_Click();
    void cmdCancel_Click();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void Form_Load();
    frmUpdate1* loadPage2();

    QProgressBar* m_status;
    QLabel* m_connectionStatus;
    QLabel* m_updateYes;
    QPushButton* m_next;
    QPushButton* m_cancel;
    QPushButton* m_closeUpdate;
    QTimer* m_timer;
    wizard::InfoFrame* m_info;
    std::unique_ptr<frmUpdate1> m_page2;
};
