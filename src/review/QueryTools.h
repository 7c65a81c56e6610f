#pragma once

#include "query/Query.h"

#include <QList>

class QComboBox;
class QDateTimeEdit;
class QTableView;
class QTreeView;
class QWidget;
class QueryModel;

// The pieces the query screens share beyond the runner and the model.
namespace querytools {

// A picker showing "MM/dd/yyyy HH:mm:ss".
QDateTimeEdit* newTimePicker(QWidget* parent, const QString& name);
// The picker's value to the second.
QDateTime pickerValue(const QDateTimeEdit* picker);
query::Window pickerWindow(const QDateTimeEdit* from, const QDateTimeEdit* to);
// Sets the pickers to the default window.
void InitDates(QDateTimeEdit* from, QDateTimeEdit* to);

// Refills a filter box from the statement's first column, "<ALL>" first when
// asked, and selects the first entry. The box's signals stay quiet; the
// caller runs the dependent cascade. Throws db::DbError (the box then holds
// "<ALL>" alone or nothing).
void fillBox(QComboBox* box, const query::Statement& statement, bool withAll);

// Shows a model in a grid or a list: StyleFlexGrid or StyleListView, column 0
// hidden, widths in twips for the shown columns.
void showGrid(QTableView* grid, QueryModel* model, const QList<int>& widthsTwips);
void showList(QTreeView* list, QueryModel* model, const QList<int>& widthsTwips);

} // namespace querytools
