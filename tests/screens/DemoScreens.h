#pragma once

#include "DbRows.h"
#include "MaintenanceScreen.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

using testing::addLine;
using testing::addMachine;

// A small list screen on component_group for what no real screen's test
// drives of the cycle's list view: "View All" at the row limit, the one sort
// order of all columns and the Cancel ending. It counts its loads.
class DemoGroupScreen : public MaintenanceScreen
{
public:
    explicit DemoGroupScreen(QWidget* parent = nullptr);
    void LoadData() override;

    QPushButton *cmdNew, *cmdEdit, *cmdDelete, *cmdSave, *cmdCancel, *cmdexit, *cmdexport;
    QLineEdit* txtID;
    QLineEdit* txtDesc;
    QCheckBox* CHK_ALL;
    QTreeWidget* LvData;
    int loads = 0;
};
