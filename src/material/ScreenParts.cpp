#include "ScreenParts.h"

#include "app/Module1.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

namespace material {

QPushButton* addButton(QBoxLayout* row, const QString& caption)
{
    auto* b = new QPushButton(caption);
    row->addWidget(b);
    return b;
}

QLineEdit* addTextBox(QFormLayout* form, const QString& label, int maxLength)
{
    auto* box = new QLineEdit;
    box->setMaxLength(maxLength);
    form->addRow(label, box);
    return box;
}

QComboBox* addDropDown(QFormLayout* form, const QString& label)
{
    auto* box = new QComboBox;
    box->setEditable(false);
    box->setMinimumContentsLength(16);
    form->addRow(label, box);
    return box;
}

void fillDropDown(QComboBox* box, const QString& sql, const QVariantList& params)
{
    db::ResultSet rs = Module1::gConn().query(sql, params);
    box->clear();
    for (; !rs.eof(); rs.moveNext())
        box->addItem(rs.text(0));
    box->setCurrentIndex(-1);
}

void chooseOrClear(QComboBox* box, const QString& text)
{
    box->setCurrentIndex(box->findText(text));
}

QProgressBar* addLoadBar(QBoxLayout* layout)
{
    auto* bar = new QProgressBar;
    bar->setVisible(false);
    layout->addWidget(bar);
    return bar;
}

} // namespace material
