#pragma once

#include "QueryScreen.h"

class QComboBox;
class QTableView;

// "Query - DT200": what each handheld terminal watches, the components set
// up on the slots of its machines and their slot barcodes.
class QUERY_DT200 : public QueryScreen
{
    Q_OBJECT

public:
    explicit QUERY_DT200(QWidget* parent = nullptr);

    QComboBox* cboGW21() const { return m_gw; }
    QComboBox* cboDT200() const { return m_dt; }
    QPushButton* cmdExport() const { return m_export; }
    QPushButton* cmdExit() const { return m_exit; }
    QTableView* msfgInfo() const { return m_grid; }

public Q_SLOTS:
    void cmdsearch_Click() override;
    void cmdexport_Click() override;

private:
    void LoadData();
    void cboGW21_Change();

    QComboBox* m_gw;
    QComboBox* m_dt;
    QTableView* m_grid = nullptr;
};
