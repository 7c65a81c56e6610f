#pragma once

#include <QWidget>

class QPushButton;

// The first window of the update wizard, opened by the start-up splash when
// the published version differs. It decides alone how the program goes on:
// for now it tells the user and ends the program when closed.
class frmUpdate : public QWidget
{
    Q_OBJECT

public:
    explicit frmUpdate(QWidget* parent = nullptr);

    QPushButton* cmdExit() const { return m_exit; }

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    QPushButton* m_exit;
};
