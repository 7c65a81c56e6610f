#pragma once

#include <QDateTime>
#include <QFlags>
#include <QString>
#include <functional>

class QAbstractItemModel;
class QTableWidget;
class QTreeWidget;

// Export of a screen's grid or list to a new workbook that opens in the
// desktop's spreadsheet application. The file is written to the temporary
// folder and left there for the user to look at, print or save elsewhere.
namespace Module1 {

enum class ExportOption {
    None = 0,
    StarFirstColumn = 1, // first column's data cells as "*" + text + "*"
    DropLastColumn = 2, // the last shown column is not exported
    RowColourByStatus = 4, // grid: rows filled by the status text in the hidden column 0
    TitleBlock = 8, // grid: title, project and part number above the table
};
Q_DECLARE_FLAGS(ExportOptions, ExportOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(ExportOptions)

// The texts of the title block.
struct TitleTexts
{
    QString project;
    QString partNo;
};

// Grids: header row from the header captions, data from column 1 on (the
// hidden column 0 is not exported). Lists: the columns from 1 on (the item's
// own text is not exported). A grid or list without rows opens an empty
// workbook. The user is told where the workbook was written, and a failure
// to write it is shown. Returns true when the workbook was written and
// handed to the desktop to open.
//
// The rows are taken as the list shows them when the export starts; the
// workbook is written from them while events go on being handled (the
// terminal monitor keeps answering): the screen shows that it writes and its
// buttons but Exit are off. Closing the screen meanwhile stops the export
// (nothing is opened, no file is left) and then closes it.
bool ExportGridToExcel(QTableWidget* grid, ExportOptions options = ExportOption::None, const TitleTexts& title = {});
bool ExportListToExcel(QTreeWidget* list, ExportOptions options = ExportOption::None);
// The same for a grid or list shown through a model (long query results):
// column 0 holds the grid's hidden status or the list's item text and is not
// exported; headers are the model's horizontal header texts.
bool ExportGridModelToExcel(const QAbstractItemModel* model, ExportOptions options = ExportOption::None,
                            const TitleTexts& title = {});
bool ExportListModelToExcel(const QAbstractItemModel* model, ExportOptions options = ExportOption::None);

// Stops the export the screen is writing, if any, without a word: it was
// started by a user who has logged out. Nothing is opened, no file is left.
void DropExport(QWidget* screen);

// Opens a written workbook; true when the desktop took it. The default hands
// the file to the desktop's default application; tests replace it.
using WorkbookOpener = std::function<bool(const QString& path)>;
void setWorkbookOpener(WorkbookOpener opener);
// Where exports are written; the temporary folder unless set (tests).
void setExportFolder(const QString& folder);

// Removes the workbooks earlier exports left in the export folder that were
// written more than a day before now and are unchanged since, so that the
// folder does not grow for ever; one the user changed stays. Run at
// start-up. Returns how many were removed.
int RemoveOldExports(const QDateTime& now);

} // namespace Module1
