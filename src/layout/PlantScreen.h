#pragma once

#include "MaintenanceScreen.h"

class QComboBox;
class QGridLayout;
class QLineEdit;
class QPushButton;
class QTableWidget;

// The frame the line, machine, terminal and project screens share: labelled
// boxes above the grid, the buttons below it, and the cycle's Save that
// reloads the list and keeps the boxes. A screen adds its boxes, names its
// grid, fills in the cycle and calls Form_Load.
class PlantScreen : public MaintenanceScreen
{
    Q_OBJECT

public:
    QPushButton* cmdImport = nullptr; // only on screens that import
    QPushButton* cmdexport = nullptr;
    QPushButton* cmdNew = nullptr;
    QPushButton* cmdEdit = nullptr;
    QPushButton* cmdDelete = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdexit = nullptr;

protected:
    PlantScreen(const QString& caption, bool withImport, QWidget* parent);

    QLineEdit* addTextBox(const QString& label, int maxLength);
    QComboBox* addComboBox(const QString& label);
    // The grid under the boxes, named after the screen's list.
    QTableWidget* addGrid(const QString& name);

    // The buttons and the grid, ready for the screen's boxes.
    CycleSetup cycleSetup() const;

private:
    CycleSetup m_cycle; // the buttons
    QGridLayout* m_boxes = nullptr;
    QTableWidget* m_grid = nullptr;
};
