#pragma once

#include "MaintenanceScreen.h"

#include <QVariantList>

class QComboBox;
class QPushButton;

// Which part number runs on which line and machine, watched by which gateway
// and terminal (line_set).
class OPT_Line_Set : public MaintenanceScreen
{
    Q_OBJECT

public:
    explicit OPT_Line_Set(QWidget* parent = nullptr);

    void LoadData() override;

    QComboBox *cboLine, *cboProj, *cboPart, *cboMC, *cboGW21, *cboDT;
    QTableWidget* msfgData;
    QPushButton *cmdImport, *cmdExport, *cmdNew, *cmdEdit, *cmdDelete, *cmdSave, *cmdCancel, *cmdExit;

protected:
    void modeEntered() override;
    int updateRow() override;
    qlonglong deleteGuardCount() override;
    void showDeleteRefused(qlonglong users) override;
    int deleteRow() override;
    std::optional<workbook::ImportLayout> importLayout() const override;

private:
    void cboGW21_Change();
    void cboLine_Change();
    void cboProj_Change();
    QVariantList boxTexts() const;

    // The six values of the row Edit was pressed on, as stored.
    QVariantList m_editedRow;
};
