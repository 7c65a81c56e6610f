#pragma once

#include "ReviewScreen.h"

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTreeView;

// Binds the serial numbers of one panel to a snapshot of the material on
// every slot.
class OPT_Load_SN : public ReviewScreen
{
    Q_OBJECT

public:
    explicit OPT_Load_SN(QWidget* parent = nullptr);

    QComboBox* cboProj;
    QLineEdit* txtBatch;
    QLineEdit* txtPanel;
    QLineEdit* txtSN;
    QListWidget* lstSN;
    QTreeView* LvData;
    QPushButton* cmdSave;
    QPushButton* cmdClear;
    QPushButton* cmdExit;

    void cboProj_Click();
    void txtPanel_LostFocus();
    void txtSN_Enter();
    void lstSN_DblClick();
    void cmdSave_Click();
    void cmdClear_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void Form_Load() override;

private:
    void clearInputs();
    void ShowRecentChecks(const QString& project);

    bool m_inPanelLookup = false;
    bool m_typing = false; // a key in the project box is being handled
};
