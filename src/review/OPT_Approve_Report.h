#pragma once

#include "ReviewScreen.h"

class QComboBox;
class QDateTimeEdit;
class QLineEdit;
class QPushButton;
class QTreeView;

// Approval of the matching checks of one terminal, one record at a time.
class OPT_Approve_Report : public ReviewScreen
{
    Q_OBJECT

public:
    explicit OPT_Approve_Report(QWidget* parent = nullptr);

    QComboBox* cboGW21;
    QComboBox* cboDT200;
    QLineEdit* txtDesc;
    QDateTimeEdit* DTfrom;
    QDateTimeEdit* DTto;
    QTreeView* LvData;
    QPushButton* cmdsearch;
    QPushButton* cmdApprove;
    QPushButton* cmdExport;
    QPushButton* cmdexit;

    void cboGW21_Change();
    void cboDT200_Change();
    void cmdsearch_Click();
    void cmdApprove_Click();
    void cmdexport_Click();

protected:
    void Form_Load() override;

private:
    void LoadGatewayList();
};
