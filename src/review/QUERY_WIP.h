#pragma once

#include <QWidget>

class QComboBox;
class QDateTimeEdit;
class QPushButton;
class QRadioButton;
class QTableView;
class QueryModel;
class QueryRunner;

// "Query - WIP by history": the checks the terminal monitor recorded and the
// scans it could not match, by line, machine, module, slot, part number and
// time window, coloured by result.
class QUERY_WIP : public QWidget
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
    QPushButton* cmdsearch() const { return m_search; }
    QPushButton* cmdexport() const { return m_export; }
    QPushButton* cmdexit() const { return m_exit; }
    QTableView* MFGdata() const { return m_grid; }
    QueryModel* model() const { return m_model; }
    QueryRunner* runner() const { return m_runner; }

public Q_SLOTS:
    void cmdsearch_Click();
    void cmdexport_Click();
    void cmdexit_Click();

private:
    void InitDates();
    void LoadData();
    void cboLine_Change();
    void cboMC_Change();
    void cboMD_Change();
    void cboProj_Change();
    void searchEnded();

    QComboBox* m_line;
    QComboBox* m_mc;
    QComboBox* m_md;
    QComboBox* m_slot;
    QComboBox* m_proj;
    QComboBox* m_part;
    QDateTimeEdit* m_from;
    QDateTimeEdit* m_to;
    QRadioButton* m_opt[3];
    QPushButton* m_search;
    QPushButton* m_export;
    QPushButton* m_exit;
    QTableView* m_grid;
    QueryModel* m_model;
    QueryRunner* m_runner;
};
