#include "SetupWidgets.h"

#include "FormWidgets.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>

namespace setupui {

QComboBox* selector(QWidget* parent, const char* name)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(QLatin1String(name));
    formui::makeEditable(box);
    box->setMinimumWidth(130);
    return box;
}

QComboBox* labelledSelector(QWidget* parent, QGridLayout* grid, int row, int col, const char* label, const char* name)
{
    QComboBox* box = selector(parent, name);
    grid->addWidget(new QLabel(QLatin1String(label), parent), row, col * 2);
    grid->addWidget(box, row, col * 2 + 1);
    return box;
}

} // namespace setupui
