#include "PlantScreen.h"

#include "FormWidgets.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

PlantScreen::PlantScreen(const QString& caption, bool withImport, QWidget* parent) : MaintenanceScreen(parent)
{
    setWindowTitle(caption);
    resize(800, 560);
    auto* layout = new QVBoxLayout(this);
    m_boxes = new QGridLayout;
    m_boxes->setColumnStretch(2, 1);
    layout->addLayout(m_boxes);

    auto* row = new QHBoxLayout;
    if (withImport)
        cmdImport = addCycleButton(row, m_cycle.cmdImport, QStringLiteral("&Import"), "cmdImport");
    cmdexport = addCycleButton(row, m_cycle.cmdexport, QStringLiteral("E&xport"), "cmdexport");
    row->addStretch(1);
    cmdNew = addCycleButton(row, m_cycle.cmdNew, QStringLiteral("&New"), "cmdNew");
    cmdEdit = addCycleButton(row, m_cycle.cmdEdit, QStringLiteral("&Edit"), "cmdEdit");
    cmdDelete = addCycleButton(row, m_cycle.cmdDelete, QStringLiteral("&Delete"), "cmdDelete");
    cmdSave = addCycleButton(row, m_cycle.cmdSave, QStringLiteral("&Save"), "cmdSave");
    cmdCancel = addCycleButton(row, m_cycle.cmdCancel, QStringLiteral("&Cancel"), "cmdCancel");
    cmdexit = addCycleButton(row, m_cycle.cmdexit, QStringLiteral("E&xit"), "cmdexit");
    layout->addLayout(row);
}

QLineEdit* PlantScreen::addTextBox(const QString& label, int maxLength)
{
    auto* box = new QLineEdit(this);
    box->setMaxLength(maxLength);
    formui::addLabelledRows(m_boxes, this, {{label, box}}, m_boxes->rowCount());
    return box;
}

QComboBox* PlantScreen::addComboBox(const QString& label)
{
    auto* box = new QComboBox(this);
    formui::addLabelledRows(m_boxes, this, {{label, box}}, m_boxes->rowCount());
    return box;
}

QTableWidget* PlantScreen::addGrid(const QString& name)
{
    m_grid = new QTableWidget(this);
    m_grid->setObjectName(name);
    // Between the boxes and the buttons.
    auto* layout = static_cast<QVBoxLayout*>(this->layout());
    layout->insertWidget(1, m_grid, 1);
    return m_grid;
}

MaintenanceScreen::CycleSetup PlantScreen::cycleSetup() const
{
    CycleSetup s = m_cycle;
    s.grid = m_grid;
    s.saveEnding = SaveEnding::Reload;
    return s;
}
