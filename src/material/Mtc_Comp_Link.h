#pragma once

#include "MaintenanceScreen.h"
#include "material/ComponentLots.h"

class QComboBox;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTreeWidgetItem;

// "Maintenance - Component Link Information": registers incoming component
// lots under generated link identifiers and prints their link labels.
class Mtc_Comp_Link : public MaintenanceScreen
{
    Q_OBJECT

public:
    explicit Mtc_Comp_Link(QWidget* parent = nullptr);

    void LoadData() override;

    // The cascade of choices: project, part number, component, vendor.
    void cboProj_Click();
    void cboPN_Click();
    void cboComp_Click();
    void cboComp_LostFocus();
    void cboVD_Click();
    // Link labels: n copies of the lot in the boxes, or with "Order Print"
    // the clicked row and the rows above it, up to n labels.
    void cmdPrint_Click();

    // The 1-based index of the list row last clicked; 0 when the screen opens
    // and after Cancel. A column sort keeps it on the clicked row.
    int selIndex = 0;

    QRadioButton *optPCBA, *optFPCA;
    QLineEdit* txtLink;
    QComboBox *cboProj, *cboPN, *cboComp, *cboVD;
    QLineEdit *txtVDDesc, *txtRef, *txtPolarity, *txtLot, *txtShip, *txtRT;
    QTreeWidget* LvData;
    QCheckBox *CHK_ALL, *CHK_Prn;
    QProgressBar* PB;
    QPushButton *cmdPrint, *cmdNew, *cmdEdit, *cmdDelete, *cmdSave, *cmdCancel, *cmdexit, *cmdexport;

protected:
    void modeEntered() override;
    bool inputAccepted() override;
    void insertRow() override;
    void updateRow() override;
    void deleteRow() override;
    void clearBoxes() override;
    void rowToBoxes(const QStringList& texts) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fillCombo(QComboBox* box, const QString& sql, const QVariantList& values);
    void setBrowseExtras(bool on);
    material::Lot boxesToLot() const;
    void onColumnSorted();

    // The item selIndex stands for while the list has not been reloaded.
    QTreeWidgetItem* m_selItem = nullptr;
};
