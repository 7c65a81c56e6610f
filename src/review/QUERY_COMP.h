#pragma once

#include "ExcelExport.h"
#include "QueryScreen.h"

class QComboBox;
class QDateTimeEdit;
class QTableView;

// "Query - Component Loading / Changes Record": the matching checks of one
// part number in a time window, oldest first, exported under a title block.
class QUERY_COMP : public QueryScreen
{
    Q_OBJECT

public:
    explicit QUERY_COMP(QWidget* parent = nullptr);

    QComboBox* cboProj() const { return m_proj; }
    QComboBox* cboPart() const { return m_part; }
    QDateTimeEdit* DTfrom() const { return m_from; }
    QDateTimeEdit* DTto() const { return m_to; }
    QPushButton* cmdexport() const { return m_export; }
    QPushButton* cmdexit() const { return m_exit; }
    QTableView* MFGdata() const { return m_grid; }

public Q_SLOTS:
    void cmdsearch_Click() override;
    void cmdexport_Click() override;

private:
    void LoadData();
    void cboProj_Change();

    QComboBox* m_proj;
    QComboBox* m_part;
    QDateTimeEdit* m_from;
    QDateTimeEdit* m_to;
    QTableView* m_grid = nullptr;
    // The project and part number of the search whose rows the grid shows:
    // the export's title block names them, not what the boxes say later.
    Module1::TitleTexts m_shown;
};
