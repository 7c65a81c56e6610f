#pragma once

#include "ExcelExport.h"

#include <QWidget>

class QComboBox;
class QDateTimeEdit;
class QPushButton;
class QTableView;
class QueryModel;
class QueryRunner;

// "Query - Component Loading / Changes Record": the matching checks of one
// part number in a time window, oldest first, exported under a title block.
class QUERY_COMP : public QWidget
{
    Q_OBJECT

public:
    explicit QUERY_COMP(QWidget* parent = nullptr);

    QComboBox* cboProj() const { return m_proj; }
    QComboBox* cboPart() const { return m_part; }
    QDateTimeEdit* DTfrom() const { return m_from; }
    QDateTimeEdit* DTto() const { return m_to; }
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
    void cboProj_Change();
    void searchEnded();

    QComboBox* m_proj;
    QComboBox* m_part;
    QDateTimeEdit* m_from;
    QDateTimeEdit* m_to;
    QPushButton* m_search;
    QPushButton* m_export;
    QPushButton* m_exit;
    QTableView* m_grid;
    QueryModel* m_model;
    QueryRunner* m_runner;
    // The project and part number of the search whose rows the grid shows:
    // the export's title block names them, not what the boxes say later.
    Module1::TitleTexts m_shown;
};
