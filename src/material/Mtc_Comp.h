#pragma once

#include "MaintenanceScreen.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTreeWidget;

// "Maintenance - Component": one row per component code and vendor, with
// its group and its method type (mass production codes are 11 characters).
class Mtc_Comp : public MaintenanceScreen
{
    Q_OBJECT

public:
    explicit Mtc_Comp(QWidget* parent = nullptr);
    void LoadData() override;

    QRadioButton* Opt_MP;
    QRadioButton* Opt_PT;
    QPushButton *cmdImport, *cmdexport, *cmdNew, *cmdEdit, *cmdDelete, *cmdSave, *cmdCancel, *cmdExit;
    QTreeWidget* LvData;
    QCheckBox* CHK_ALL;
    QLineEdit* txtID;
    QLineEdit* txtDesc;
    QComboBox* cboGP;
    QLineEdit* txtVDName;
    QLineEdit* txtVDDesc;
    QProgressBar* PB;

    void Opt_MP_Click();
    void Opt_PT_Click();

protected:
    void modeEntered() override;
    bool inputAccepted() override;
    void insertRow() override;
    void rowToBoxes(const QStringList& texts) override;
    std::optional<workbook::ImportLayout> importLayout() const override;
};
