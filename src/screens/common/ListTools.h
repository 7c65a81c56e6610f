#pragma once

#include "db/DbError.h"
#include "db/ResultSet.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <functional>

class QAbstractItemView;
class QComboBox;
class QLineEdit;
class QObject;
class QTableWidget;
class QTreeView;
class QTreeWidget;

// Helpers the list screens share: laying out and filling grids and lists,
// the "View All" row limit, the column-click sort and the key-box clean-up.
namespace Module1 {

// Lists with a "View All" box show this many rows while it is unticked.
constexpr int kViewAllLimit = 100;

// The screen's SELECT (with its own ORDER BY) cut to its first
// kViewAllLimit rows unless viewAll.
QString LimitRows(const QString& select, bool viewAll);

// Lays out an empty grid: StyleFlexGrid, column 0 hidden and empty, the
// headers from column 1 with their widths in twips, left-aligned. A long
// list is emptied a part at a time, as a fill fills it (FillStopped).
void InitGrid(QTableWidget* grid, const QStringList& headers, const QList<int>& widthsTwips);
// The text a list shows for field i of the current row: Null as the empty
// text, a time column of the schema (update_time, check_time ...) as
// "MM/dd/yyyy HH:mm:ss" on every engine, anything else as it reads.
QString ShownText(const db::ResultSet& rs, int i);

// Every fill of a list lets the program's timers and sockets (the terminal
// monitor) run between its slices; the user's own input waits until the
// fill ends, so nothing acts on a list half filled. A fill stops at its next
// slice when its list goes: its screen closed by any road (the close is
// held until the handler that fills has returned, then made), the list
// filled anew meanwhile (a login as another user), the program ending. It
// then throws FillStopped, which the handler that reads the list ends on
// without a word.
class FillStopped : public db::DbError
{
public:
    FillStopped();
};

// How long work on the screen thread (a fill, rows stored by an import)
// runs before events are handled again. Tests set 0: after every part.
int SliceMs();
void setSliceMs(int ms);

// Appends one grid row per row of the statement, read a part at a time
// beside the program's connection (Database::readInParts): field i into
// column i + 1 as ShownText; only the first `fields` fields (all when -1).
// Throws db::DbError, FillStopped.
void FillGrid(QTableWidget* grid, const QString& sql, const QVariantList& params = {}, int fields = -1);
// The same from rows already read.
void FillGrid(QTableWidget* grid, db::ResultSet rs, int fields = -1);

// Lays out an empty list: StyleListView, the item's own text (column 0)
// hidden, the headers from column 1 with their widths in twips.
void InitList(QTreeWidget* list, const QStringList& headers, const QList<int>& widthsTwips);
// Appends one item per row of the statement, as FillGrid: field i into
// column i + 1 as ShownText. Throws db::DbError, FillStopped.
void FillList(QTreeWidget* list, const QString& sql, const QVariantList& params = {}, int fields = -1);
void FillList(QTreeWidget* list, db::ResultSet rs, int fields = -1);

// The texts of a shown row from column 1 on (the grid's hidden column and
// the list's item text are not part of it).
QStringList GridRowTexts(const QTableWidget* grid, int row);
QStringList ListRowTexts(const QTreeWidget* list, int row);

// Calls pick(row, column, clicked) each time the user picks a row of the
// view: a mouse click on a row (clicked true, the column clicked; also the
// row already highlighted), or a move of the highlight by keys: arrows,
// Home/End, the page keys, a typed letter (clicked false, the current
// column). The boxes a screen fills from its rows so always show the row the
// user sees highlighted; a row that only has the focus frame (the view got
// the focus) is no pick. A mouse press that moves the highlight is one pick,
// made when the button is released. Rows are the view's top-level rows.
void OnRowPicked(QAbstractItemView* view, const std::function<void(int row, int column, bool clicked)>& pick);

// Calls act(row) when Space is pressed in the view with a current row: the
// keyboard's road to what a click on the row does.
void OnSpace(QAbstractItemView* view, const std::function<void(int row)>& act);

// Scrolls so that the last row is the top visible row.
void ScrollToLastRow(QTableWidget* grid);
void ScrollToLastRow(QTreeWidget* list);

// Column-click sort of a list: nothing on an empty list; otherwise the list
// is sorted once by the clicked column in the flipped order (one order for
// the whole list; a fresh list counts as ascending, so the first click sorts
// descending). Items added later are not sorted.
void SortListByColumn(QTreeView* list, int column);
// Connects the list's header clicks to SortListByColumn.
void InstallColumnSort(QTreeView* list);

// Refills a combo box's list with the first field of every row, in order:
// list and text emptied first, no entry selected afterwards. A refill is no
// change of the text the screen reacts to.
void FillCombo(QComboBox* box, db::ResultSet rs);
// Empties a combo box's list and text, as FillCombo does for no rows.
void ClearCombo(QComboBox* box);
// Runs react once for every change of the box's text, however it came:
// typed, picked from the list or set by the program. A database failure in
// react is shown.
void OnTextChange(QComboBox* box, QObject* context, const std::function<void()>& react);

enum class KeyCleanUp {
    UpperDropControl, // upper case; characters below code 31 and outside Windows-1252 dropped
    UpperOnly,
};
// The key box's clean-up when the focus leaves it.
void UpperCaseKeyBox(QLineEdit* box, KeyCleanUp how = KeyCleanUp::UpperDropControl);
void InstallUpperCaseKeyBox(QLineEdit* box, KeyCleanUp how = KeyCleanUp::UpperDropControl);

} // namespace Module1
