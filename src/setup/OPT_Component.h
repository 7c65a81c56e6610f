#pragma once

#include "MaintenanceScreen.h"
#include "setup/ComponentSetup.h"

class QComboBox;
class QProgressBar;
class QPushButton;
class QTreeWidgetItem;

// The component expected on every slot of a module for a line, part number
// and machine (component_set), with a journal row for every change.
class OPT_Component : public MaintenanceScreen
{
    Q_OBJECT

public:
    explicit OPT_Component(QWidget* parent = nullptr);

    void LoadData() override;

    // What the mark column of the edit grid shows on the marked row.
    static QString markText();

    // Marks the clicked row of the edit grid; the tree's node sets or clears
    // the component of the marked row.
    void MFGdata_Click(int row);
    void TV_NodeClick(QTreeWidgetItem* node);

    QComboBox *cboLine, *cboPart, *cboMC, *cboMD;
    QTableWidget* msfgInfo;
    QTableWidget* MFGdata;
    QTreeWidget* TV;
    QProgressBar* PB;
    QPushButton *cmdImport, *cmdNew, *cmdEdit, *cmdDelete, *cmdSave, *cmdCancel, *cmdExport, *cmdExit;

protected:
    void modeEntered() override;
    bool inputAccepted() override;
    void insertRow() override;
    int updateRow() override;
    int deleteRow() override;
    void saveFailed(const db::DbError& error) override;
    void rowToBoxes(const QStringList& texts) override;
    std::optional<workbook::ImportLayout> importLayout() const override;

private:
    void EnableSelectors(bool line, bool part, bool machine, bool module);
    void cboLine_Change();
    void cboPart_Change();
    void cboMC_Change();
    void cboMD_Change();
    void showOverview();
    void loadTree();
    void initGrids();
    void addSlotRow(const QString& slot, const QString& comp);
    setup::ModuleKey moduleKey() const;
    int saveRows(setup::SaveMode mode);

    bool m_selectorsOn = false;
    // The line, part number, machine and module whose slots the edit grid holds.
    setup::ModuleKey m_gridKey;
};
