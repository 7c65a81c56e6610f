#pragma once

#include "DbRows.h"
#include "MaintenanceScreen.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTreeWidget>

// Two small screens on the maintenance cycle, for what the real screens'
// tests do not drive: a grid screen on mc_info with the Reload ending, and a
// list screen on component_group with "View All", the column sort and the
// Cancel ending. Each counts its loads.
using testing::addLine;
using testing::addMachine;

class DemoScreen : public MaintenanceScreen
{
public:
    QPushButton *cmdNew, *cmdEdit, *cmdDelete, *cmdSave, *cmdCancel, *cmdexit, *cmdexport;
    QLineEdit* txtID;
    QLineEdit* txtDesc;
    int loads = 0;

protected:
    explicit DemoScreen(QWidget* parent);
    // The buttons and the two boxes, as every demo screen has them.
    CycleSetup cycle(QWidget* view);
};

class DemoMachineScreen : public DemoScreen
{
public:
    explicit DemoMachineScreen(QWidget* parent = nullptr);
    void LoadData() override;

    QComboBox* cboLine;
    QTableWidget* msfgMachine;
};

class DemoGroupScreen : public DemoScreen
{
public:
    explicit DemoGroupScreen(QWidget* parent = nullptr);
    void LoadData() override;

    QCheckBox* CHK_ALL;
    QTreeWidget* LvData;
};
