#pragma once

#include "QueryScreen.h"

class QComboBox;
class QDateTimeEdit;
class QRadioButton;
class QTableView;

// "Query - WIP by history": the checks the terminal monitor recorded and the
// scans it could not match, by line, machine, module, slot, part number and
// time window, coloured by result.
class QUERY_WIP : public QueryScreen
{
    Q_OBJECT

public:
    explicit QUERY_WIP(QWidget* parent = nullptr);

    QComboBox* cboLine() const { return m_line; }
    QComboBox* cboMC() const { return m_mc; }
    QComboBox* cboMD() const { return m_md; }
    QComboBox* cboSlot() const { return m_slot; }
    QComboBox* cboProj() const { return m_proj; }
    QComboBox* cboPart() const { return m_part; }
    QDateTimeEdit* DTfrom() const { return m_from; }
    QDateTimeEdit* DTto() const { return m_to; }
    QRadioButton* Opt_1() const { return m_opt[0]; }
    QRadioButton* Opt_2() const { return m_opt[1]; }
    QRadioButton* Opt_3() const { return m_opt[2]; }
    QPushButton* cmdexport() const { return m_export; }
    QPushButton* cmdexit() const { return m_exit; }
    QTableView* MFGdata() const { return m_grid; }

public Q_SLOTS:
    void cmdsearch_Click() override;
    void cmdexport_Click() override;

private:
    void LoadData();
    void cboLine_Change();
    void cboMC_Change();
    void cboMD_Change();
    void cboProj_Change();

    QComboBox* m_line;
    QComboBox* m_mc;
    QComboBox* m_md;
    QComboBox* m_slot;
    QComboBox* m_proj;
    QComboBox* m_part;
    QDateTimeEdit* m_from;
    QDateTimeEdit* m_to;
    QRadioButton* m_opt[3];
    QTableView* m_grid = nullptr;
};
