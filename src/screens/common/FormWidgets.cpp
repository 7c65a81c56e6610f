#include "FormWidgets.h"

#include "ListTools.h"
#include "app/Module1.h"
#include "db/Schema.h"

#include <QAbstractButton>
#include <QApplication>
#include <QBoxLayout>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QScopeGuard>
#include <QPushButton>

namespace formui {

QPushButton* addButton(QWidget* parent, QBoxLayout* row, const QString& caption, const char* name)
{
    auto* b = new QPushButton(caption, parent);
    if (name)
        b->setObjectName(QLatin1String(name));
    row->addWidget(b);
    return b;
}

void leaveFocusedBox(QWidget* screen, QAbstractButton* button)
{
    // A button or tick box has nothing to finish; the focus stays on it.
    QWidget* focused = QApplication::focusWidget();
    if (focused && !qobject_cast<QAbstractButton*>(focused) && screen->isAncestorOf(focused))
        button->setFocus(Qt::OtherFocusReason);
}

void addLabelledRows(QGridLayout* grid, QWidget* parent, std::initializer_list<std::pair<QString, QWidget*>> rows,
                     int firstRow)
{
    int r = firstRow;
    for (const auto& [label, box] : rows) {
        grid->addWidget(new QLabel(label, parent), r, 0);
        grid->addWidget(box, r++, 1);
    }
}

QLineEdit* addTextBox(QFormLayout* form, const QString& label, int maxLength)
{
    auto* box = new QLineEdit;
    box->setMaxLength(maxLength);
    form->addRow(label, box);
    return box;
}

void limitToColumn(QWidget* box, const QString& table, const QString& column)
{
    auto* edit = qobject_cast<QLineEdit*>(box);
    if (auto* combo = qobject_cast<QComboBox*>(box))
        edit = combo->lineEdit(); // none unless editable
    const int width = schema::textWidth(table, column);
    if (edit && width > 0 && edit->maxLength() > width)
        edit->setMaxLength(width);
}

void makeEditable(QComboBox* box)
{
    box->setEditable(true);
    // Qt's completer fills in the rest of the first entry that starts with
    // what was typed ("1" becomes "100"), and matches entries regardless of
    // case when the box is left.
    box->setCompleter(nullptr);
    box->setInsertPolicy(QComboBox::NoInsert);
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

namespace {

// Marks an entry that showStored added for a value its list lacks.
constexpr int kStoredOnlyRole = Qt::UserRole + 71;

bool storedOnly(const QComboBox* box, int i)
{
    return box->itemData(i, kStoredOnlyRole).toBool();
}

} // namespace

void showStored(QComboBox* box, const QString& text)
{
    int i = box->findText(text);
    if (i < 0 && !text.isEmpty()) {
        box->addItem(text);
        i = box->count() - 1;
        box->setItemData(i, true, kStoredOnlyRole);
    }
    box->setCurrentIndex(i);
    // Only the value shown keeps an entry of its own.
    for (int j = box->count() - 1; j >= 0; --j) {
        if (j != i && storedOnly(box, j))
            box->removeItem(j);
    }
}

void dropStoredOnly(QComboBox* box)
{
    // Removing the current entry would choose a neighbour instead.
    if (storedOnly(box, box->currentIndex()))
        box->setCurrentIndex(-1);
    for (int j = box->count() - 1; j >= 0; --j) {
        if (storedOnly(box, j))
            box->removeItem(j);
    }
}

QProgressBar* addLoadBar(QBoxLayout* layout)
{
    auto* bar = new QProgressBar;
    bar->setVisible(false);
    layout->addWidget(bar);
    return bar;
}

void fillListShowingProgress(QTreeWidget* list, QProgressBar* bar, const QString& sql)
{
    // The rows come a part at a time, their number unknown until the last.
    bar->setRange(0, 0);
    bar->setVisible(true);
    const auto hide = qScopeGuard([bar = QPointer<QProgressBar>(bar)] {
        if (bar)
            bar->setVisible(false);
    });
    Module1::FillList(list, sql);
}

} // namespace formui
