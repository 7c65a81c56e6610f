#pragma once

#include "ListTools.h"

#include <QComboBox>
#include <QStringList>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>
#include <algorithm>

// Reading and using the screens' boxes, lists and grids as a person does.
namespace testing {

// The entries of a choice box, in order.
inline QStringList comboItems(const QComboBox* box)
{
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

// A choice as the user makes it in a drop-down list.
inline void choose(QComboBox* box, const QString& text)
{
    const int i = box->findText(text);
    QVERIFY2(i >= 0, qPrintable(box->objectName() + " has no entry " + text));
    box->setCurrentIndex(i);
    Q_EMIT box->activated(i);
}

// A row of a list as the user clicks it: by its index, or the first row
// whose column shows the text. A shown list gets a real mouse click.
inline void clickRow(QTreeView* list, int row)
{
    const QModelIndex index = list->model()->index(row, 1);
    QVERIFY(index.isValid());
    if (!list->isVisible()) {
        list->setCurrentIndex(index);
        Q_EMIT list->clicked(index);
        return;
    }
    list->scrollTo(index);
    QRect r; // the whole row, its hidden columns left out
    for (int c = 0; c < list->model()->columnCount(); ++c)
        r |= list->visualRect(list->model()->index(row, c));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(r.left() + 40, r.center().y()));
}
inline void clickRow(QTreeWidget* list, int column, const QString& text)
{
    const QList<QTreeWidgetItem*> found = list->findItems(text, Qt::MatchExactly, column);
    QVERIFY2(!found.isEmpty(), qPrintable(text));
    clickRow(list, list->indexOfTopLevelItem(found.first()));
}

// A mouse click, as a person makes it, in the column of the grid row whose
// key column holds the key.
inline void clickCell(QTableWidget* grid, const QString& key, int column = 1, int keyColumn = 1)
{
    const QList<QTableWidgetItem*> found = grid->findItems(key, Qt::MatchExactly);
    const auto at = std::find_if(found.begin(), found.end(), [&](auto* i) { return i->column() == keyColumn; });
    QVERIFY2(at != found.end(), qPrintable(key));
    const QModelIndex index = grid->model()->index((*at)->row(), column);
    grid->scrollTo(index);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(index).center());
}

// The first `columns` texts of each grid row, joined by "|".
inline QStringList gridRows(const QTableWidget* grid, int columns)
{
    QStringList out;
    for (int r = 0; r < grid->rowCount(); ++r)
        out << Module1::GridRowTexts(grid, r).mid(0, columns).join('|');
    return out;
}

} // namespace testing
