#pragma once

#include "MaintenanceScreen.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTreeWidget>

// Two small screens that plug into the maintenance cycle the way the real
// ones do: a grid screen on mc_info (defaults from its table binding, a
// delete guard, an import with a check) and a list screen on component_group
// with "View All", column sort, gates and the Cancel ending.
// Rows the tests need in line_info and mc_info.
void addLine(const QString& id);
void addMachine(const QString& id, const QString& line);

class DemoMachineScreen : public MaintenanceScreen
{
    Q_OBJECT

public:
    explicit DemoMachineScreen(QWidget* parent = nullptr);
    void LoadData() override;

    QPushButton *cmdNew, *cmdEdit, *cmdDelete, *cmdSave, *cmdCancel, *cmdexit, *cmdexport, *cmdImport;
    QLineEdit* txtID;
    QLineEdit* txtDesc;
    QComboBox* cboLine;
    QTableWidget* msfgMachine;
    int loads = 0;

protected:
    std::optional<workbook::ImportLayout> importLayout() const override;
};

class DemoGroupScreen : public MaintenanceScreen
{
    Q_OBJECT

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
