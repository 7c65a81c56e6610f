#pragma once

#include <QWidget>

class QPushButton;
class QTreeWidget;

// Security - Reset User Password: sets a user's password back to the user
// id. Only SYSADMIN may reset SYSADMIN's own.
class SYS_RESETPWD : public QWidget
{
    Q_OBJECT

public:
    explicit SYS_RESETPWD(QWidget* parent = nullptr);

    void cmdReassign_Click();
    void cmdexit_Click();
    void lvUser_ColumnClick(int column);

    QTreeWidget* lvUser;
    QPushButton* cmdReassign;
    QPushButton* cmdExit;

private:
    void initlvUser();
    void loadUsers();
};
