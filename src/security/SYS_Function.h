#pragma once

#include "MaintenanceScreen.h"

class QLineEdit;
class QPushButton;
class QTableWidget;

// Secuirity - Function List: the function codes that grants are made of,
// with their descriptions. Codes are added and described, never deleted.
class SYS_Function : public MaintenanceScreen
{
    Q_OBJECT

public:
    explicit SYS_Function(QWidget* parent = nullptr);

    void LoadData() override;

    QTableWidget* msfgFunc;
    QLineEdit* txtID;
    QLineEdit* txtDesc;
    QPushButton *cmdNew, *cmdEdit, *cmdSave, *cmdCancel, *cmdExit;

protected:
    void saveFailed(const db::DbError& error) override;
    void clearBoxes() override {} // Cancel keeps the boxes' text
};
