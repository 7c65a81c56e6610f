#pragma once

#include "MaintenanceScreen.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTreeWidget;

// "Maintenance - Component Define by Project": the components each part
// number of a project needs, with reference designator and polarity check.
class Mtc_Comp_Proj : public MaintenanceScreen
{
    Q_OBJECT

public:
    explicit Mtc_Comp_Proj(QWidget* parent = nullptr);
    void LoadData() override;

    QComboBox* cboProj;
    QComboBox* cboPart;
    QComboBox* cboGroup;
    QComboBox* cboComp;
    QLineEdit* txtRef;
    QLineEdit* txtPolarity;
    QTreeWidget* LvData;
    QProgressBar* PB;
    QCheckBox* CHK_ALL;
    QPushButton *cmdImport, *cmdexport, *cmdNew, *cmdEdit, *cmdDelete, *cmdSave, *cmdCancel, *cmdexit;

protected:
    void modeEntered() override;
    bool inputAccepted() override;
    int updateRow() override;
    qlonglong deleteGuardCount() override;
    int deleteRow() override;
    void saveFailed(const db::DbError& error) override;
    void clearBoxes() override;
    void rowToBoxes(const QStringList& texts) override;
    std::optional<workbook::ImportLayout> importLayout() const override;

private:
    void cboProj_Change();
    void cboGroup_Change();
    void refill(QComboBox* box, const QString& sql, const QString& key);
};
