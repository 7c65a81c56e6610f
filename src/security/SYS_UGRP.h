#pragma once

#include "MaintenanceScreen.h"

class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// Security - User Group: the groups that users belong to and that function
// codes are granted to. The group SYSADMIN is kept from everyone outside it.
class SYS_UGRP : public MaintenanceScreen
{
    Q_OBJECT

public:
    explicit SYS_UGRP(QWidget* parent = nullptr);

    void LoadData() override { LoadUserGroups(); }
    void LoadUserGroups();

    QTreeWidget* lvUserGroup;
    QLineEdit* txtUGid;
    QLineEdit* txtUGDesc;
    QPushButton *cmdNew, *cmdEdit, *cmdDelete, *cmdSave, *cmdCancel, *cmdExit;

protected:
    bool enterAllowed(const QString& mode) override;
    void modeEntered() override;
    bool saveAllowed() override;
    bool inputAccepted() override;
    void insertRow() override;
    int updateRow() override;
    int deleteRow() override;
    void saveFailed(const db::DbError& error) override;
    bool rowShowable(const QStringList& texts) override;
    void rowToBoxes(const QStringList& texts) override;

private:
    QTreeWidgetItem* selectedItem() const;
};
