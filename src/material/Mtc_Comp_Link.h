#pragma once

#include "MaintenanceScreen.h"
#include "material/ComponentLots.h"

class QComboBox;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

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
    // Link labels of the clicked lot, as the list shows it now: n copies, or
    // with "Order Print" the lot and the lots listed above it, up to n labels.
    // Nothing when the lot is not listed any more.
    void cmdPrint_Click();

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
    int updateRow() override;
    int deleteRow() override;
    void clearBoxes() override;
    void rowToBoxes(const QStringList& texts) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fillCombo(QComboBox* box, const QString& sql, const QVariantList& values);
    void setBrowseExtras(bool on);
    material::Lot boxesToLot() const;
};
