#pragma once

#include "MaintenanceScreen.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;

// "Maintenance - Part No": the part numbers of each project, whether their
// checks need approval, and their labels.
class Mtc_Part : public MaintenanceScreen
{
    Q_OBJECT

public:
    explicit Mtc_Part(QWidget* parent = nullptr);
    void LoadData() override;

    QTableWidget* msfgModule;
    QLineEdit* txtID;
    QLineEdit* txtDesc;
    QComboBox* cboProj;
    QRadioButton* Opt_A;
    QRadioButton* Opt_N;
    QPushButton *cmdPrint, *cmdImport, *cmdexport, *cmdNew, *cmdEdit, *cmdDelete, *cmdSave, *cmdCancel, *cmdexit;

    void cmdPrint_Click();

protected:
    void modeEntered() override;
    void insertRow() override;
    int updateRow() override;
    qlonglong deleteGuardCount() override;
    void clearBoxes() override;
    void rowToBoxes(const QStringList& texts) override;
    std::optional<workbook::ImportLayout> importLayout() const override;

private:
    QString approveFlag() const;
};
