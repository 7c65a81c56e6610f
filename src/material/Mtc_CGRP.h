#pragma once

#include "MaintenanceScreen.h"

class QLineEdit;
class QPushButton;
class QTableWidget;

// "Maintenance - Component Group": the groups every component belongs to.
class Mtc_CGRP : public MaintenanceScreen
{
    Q_OBJECT

public:
    explicit Mtc_CGRP(QWidget* parent = nullptr);
    void LoadData() override;

    QPushButton *cmdExport, *cmdNew, *cmdEdit, *cmdDelete, *cmdSave, *cmdCancel, *cmdExit;
    QTableWidget* msfgCGRP;
    QLineEdit* txtID;
    QLineEdit* txtDesc;

protected:
    qlonglong deleteGuardCount() override;
};
