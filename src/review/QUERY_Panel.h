#pragma once

#include "QueryScreen.h"

class QDateTimeEdit;
class QLineEdit;
class QRadioButton;
class QTreeView;

// "Query - Traceability Information": boards by batch, panel or serial
// number, or snapshot slots by material; a double-click walks from a board to
// its material and from a material slot to the boards that used it.
class QUERY_Panel : public QueryScreen
{
    Q_OBJECT

public:
    explicit QUERY_Panel(QWidget* parent = nullptr);

    QRadioButton* Opt1() const { return m_opt1; }
    QRadioButton* Opt2() const { return m_opt2; }
    QLineEdit* txtBatch() const { return m_batch; }
    QLineEdit* txtPanel() const { return m_panel; }
    QLineEdit* txtSN() const { return m_sn; }
    QLineEdit* txtLot() const { return m_lot; }
    QLineEdit* txtShip() const { return m_ship; }
    QLineEdit* txtRT() const { return m_rt; }
    QLineEdit* txtComp() const { return m_comp; }
    QDateTimeEdit* DTfrom() const { return m_from; }
    QDateTimeEdit* DTto() const { return m_to; }
    QTreeView* LvData() const { return m_list; }
    QPushButton* cmdexport() const { return m_export; }
    QPushButton* cmdexit() const { return m_exit; }

public Q_SLOTS:
    void cmdsearch_Click() override;
    void cmdexport_Click() override;
    // Drills down on the current row.
    void LvData_DblClick();

private:
    void FrameXP(bool product, bool materials);
    void searchEnded(int rows, bool stopped) override;

    QRadioButton* m_opt1;
    QRadioButton* m_opt2;
    QLineEdit* m_batch;
    QLineEdit* m_panel;
    QLineEdit* m_sn;
    QLineEdit* m_lot;
    QLineEdit* m_ship;
    QLineEdit* m_rt;
    QLineEdit* m_comp;
    QDateTimeEdit* m_from;
    QDateTimeEdit* m_to;
    QTreeView* m_list;
};
