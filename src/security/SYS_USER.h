#pragma once

#include "MaintenanceScreen.h"

class QComboBox;
class QDateTimeEdit;
class QFrame;
class QLineEdit;
class QPushButton;
class QTableWidget;

// Secuirity - User Information: who may log in, with name, group and
// validity dates. A new user's password is the user id. The logged-in user's
// own row is not listed, so nobody edits or deletes their own account here.
class SYS_USER : public MaintenanceScreen
{
    Q_OBJECT

public:
    explicit SYS_USER(QWidget* parent = nullptr);

    void LoadData() override;

    // How the dates are shown and read back, whatever the desktop's locale.
    static QString dateText(const QDateTime& t);

    QFrame* Frame2; // the edit fields
    QFrame* Frame3; // the grid
    QTableWidget* msfgUser;
    QLineEdit* txtUserID;
    QLineEdit* txtFullName;
    QLineEdit* txtDesc;
    QComboBox* cboGP;
    QDateTimeEdit* dtpEffect;
    QDateTimeEdit* dtpExpiry;
    QPushButton *cmdNew, *cmdEdit, *cmdDelete, *cmdSave, *cmdCancel, *cmdExit, *cmdexport;

protected:
    bool enterAllowed(const QString& mode) override;
    void modeEntered() override;
    bool inputAccepted() override;
    void insertRow() override;
    int updateRow() override;
    int deleteRow() override;
    // A row of the SYSADMIN group is shown only to its members.
    bool rowShowable(const QStringList& texts) override;
    void rowToBoxes(const QStringList& texts) override;
    void clearBoxes() override;

private:
    QStringList selectedRow() const;
    // Whether the boxes show the row: Edit and Delete act on no other.
    bool shownInBoxes(const QStringList& row) const;
    void showGroup(const QString& group);
    static void showDate(QDateTimeEdit* box, const QString& text);
};
