#pragma once

#include <QWidget>

class QLineEdit;
class QPushButton;

// Secuirity - Change Password: the logged-in user changes their own
// password after giving the old one.
class SYS_PWD : public QWidget
{
    Q_OBJECT

public:
    explicit SYS_PWD(QWidget* parent = nullptr);

    void cmdOK_Click();
    void cmdCancle_Click();

    QLineEdit* OldPWD;
    QLineEdit* NewPWD;
    QLineEdit* NewPWD2;
    QPushButton* cmdOK;
    QPushButton* cmdCancle;

public Q_SLOTS:
    // Nothing typed by the previous user stays.
    void resetForUser() { clearBoxes(); }

private:
    void clearBoxes();
};
