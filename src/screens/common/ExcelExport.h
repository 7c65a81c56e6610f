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
// workbook. A failure to write or to open the file is shown. Returns true
// when the workbook was written and opened.
bool ExportGridToExcel(QTableWidget* grid, ExportOptions options = ExportOption::None, const TitleTexts& title = {});
bool ExportListToExcel(QTreeWidget* list, ExportOptions options = ExportOption::None);
// The same for a grid or list shown through a model (long query results):
// column 0 holds the grid's hidden status or the list's item text and is not
// exported; headers are the model's horizontal header texts.
bool ExportGridModelToExcel(const QAbstractItemModel* model, ExportOptions options = ExportOption::None,
                            const TitleTexts& title = {});
bool ExportListModelToExcel(const QAbstractItemModel* model, ExportOptions options = ExportOption::None);

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
