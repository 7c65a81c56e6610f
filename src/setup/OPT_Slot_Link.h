#pragma once

#include "MaintenanceScreen.h"

class QComboBox;
class QLineEdit;
class QProgressBar;
class QPushButton;

// Which slot barcode names which machine, module and slot (slot_link).
class OPT_Slot_Link : public MaintenanceScreen
{
    Q_OBJECT

public:
    explicit OPT_Slot_Link(QWidget* parent = nullptr);

    void LoadData() override;

    QLineEdit* txtID;
    QComboBox *cboMC, *cboMD, *cboSlot;
    QCheckBox* CHK_ALL;
    QTableWidget* msfgLink;
    QProgressBar* PB;
    QPushButton *cmdImport, *cmdexport, *cmdNew, *cmdEdit, *cmdDelete, *cmdSave, *cmdCancel, *cmdexit;

protected:
    int deleteRow() override;
    std::optional<workbook::ImportLayout> importLayout() const override;

private:
    void cboMC_Change();
    void cboMD_Change();
};
