#pragma once

#include "ReviewScreen.h"

class QComboBox;
class QDateTimeEdit;
class QLineEdit;
class QPushButton;
class QTreeView;

// Throw (scrap) quantities of the matching checks of one part number, one
// record at a time.
class OPT_Throw_QTY : public ReviewScreen
{
    Q_OBJECT

public:
    explicit OPT_Throw_QTY(QWidget* parent = nullptr);

    QComboBox* cboProj;
    QComboBox* cboPart;
    QDateTimeEdit* DTfrom;
    QDateTimeEdit* DTto;
    QLineEdit* txtQTY;
    QTreeView* LvData;
    QPushButton* cmdsearch;
    QPushButton* cmdSave;
    QPushButton* cmdExport;
    QPushButton* cmdexit;

    void cboProj_Change();
    void cmdsearch_Click();
    void LvData_Click();
    void cmdSave_Click();
    void cmdexport_Click();

protected:
    void Form_Load() override;

private:
    void LoadProjectList();
};
