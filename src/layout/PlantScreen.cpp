#include "PlantScreen.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
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
    auto button = [this, row](const QString& text, const char* name) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        row->addWidget(b);
        return b;
    };
    if (withImport)
        cmdImport = button(QStringLiteral("&Import"), "cmdImport");
    cmdexport = button(QStringLiteral("E&xport"), "cmdexport");
    row->addStretch(1);
    cmdNew = button(QStringLiteral("&New"), "cmdNew");
    cmdEdit = button(QStringLiteral("&Edit"), "cmdEdit");
    cmdDelete = button(QStringLiteral("&Delete"), "cmdDelete");
    cmdSave = button(QStringLiteral("&Save"), "cmdSave");
    cmdCancel = button(QStringLiteral("&Cancel"), "cmdCancel");
    cmdexit = button(QStringLiteral("E&xit"), "cmdexit");
    layout->addLayout(row);
}

QLineEdit* PlantScreen::addTextBox(const QString& label, int maxLength)
{
    const int r = m_boxes->rowCount();
    auto* box = new QLineEdit(this);
    box->setMaxLength(maxLength);
    m_boxes->addWidget(new QLabel(label, this), r, 0);
    m_boxes->addWidget(box, r, 1);
    return box;
}

QComboBox* PlantScreen::addComboBox(const QString& label)
{
    const int r = m_boxes->rowCount();
    auto* box = new QComboBox(this);
    m_boxes->addWidget(new QLabel(label, this), r, 0);
    m_boxes->addWidget(box, r, 1);
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
    CycleSetup s;
    s.cmdNew = cmdNew;
    s.cmdEdit = cmdEdit;
    s.cmdDelete = cmdDelete;
    s.cmdSave = cmdSave;
    s.cmdCancel = cmdCancel;
    s.cmdexit = cmdexit;
    s.cmdexport = cmdexport;
    s.cmdImport = cmdImport;
    s.grid = m_grid;
    s.saveEnding = SaveEnding::Reload;
    return s;
}
