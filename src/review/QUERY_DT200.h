#pragma once

#include <QWidget>

class QComboBox;
class QPushButton;
class QTableView;
class QueryModel;
class QueryRunner;

// "Query - DT200": what each handheld terminal watches, the components set
// up on the slots of its machines and their slot barcodes.
class QUERY_DT200 : public QWidget
{
    Q_OBJECT

public:
    explicit QUERY_DT200(QWidget* parent = nullptr);

    QComboBox* cboGW21() const { return m_gw; }
    QComboBox* cboDT200() const { return m_dt; }
    QPushButton* cmdsearch() const { return m_search; }
    QPushButton* cmdExport() const { return m_export; }
    QPushButton* cmdExit() const { return m_exit; }
    QTableView* msfgInfo() const { return m_grid; }
    QueryModel* model() const { return m_model; }
    QueryRunner* runner() const { return m_runner; }

public Q_SLOTS:
    void cmdsearch_Click();
    void cmdexport_Click();
    void cmdexit_Click();

private:
    void LoadData();
    void cboGW21_Change();
    void searchEnded();

    QComboBox* m_gw;
    QComboBox* m_dt;
    QPushButton* m_search;
    QPushButton* m_export;
    QPushButton* m_exit;
    QTableView* m_grid;
    QueryModel* m_model;
    QueryRunner* m_runner;
};
