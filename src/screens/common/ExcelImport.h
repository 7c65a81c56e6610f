#pragma once

#include "workbook/WorkbookImport.h"

#include <functional>

class QAbstractButton;
class QWidget;

// The import of a screen's rows from a workbook: the file dialog, the run
// (see workbook::importRows) and its messages. Returns what the run did;
// nothing (an empty outcome) when the dialog was cancelled.
namespace Module1 {

// "Excel Files (*.xls *.xlsx)"
QString ExcelFileFilter();

// Shows the open-file dialog in the user's home folder, reads the first
// sheet and runs the layout's rows. Ends with "The success import " + count
// + " records." when rows were stored and the pointer to the error log when
// rows were refused, then runs loadData when rows were stored. A file that is
// no readable workbook, or a failure during the run, is shown (with the
// count of rows stored before it, which loadData then shows while the
// connection stays open).
//
// While the reader program reads the file, and while the rows are stored (a
// slice at a time, each row whole), events go on being handled (the
// terminal monitor keeps answering): the screen shows what it does, its
// buttons but Exit are disabled, and closing it asks whether to stop the
// import. Stopped while reading, nothing is stored; while storing, the rows
// stored so far stay, as before a failure, and their count is shown. The
// screen closes then.
workbook::ImportOutcome ImportExcel(const workbook::ImportLayout& layout, const std::function<void()>& loadData,
                                   QWidget* screen = nullptr, QAbstractButton* exitButton = nullptr);

// The same run on a file that is already chosen.
workbook::ImportOutcome ImportExcelFile(const QString& path, const workbook::ImportLayout& layout,
                                       const std::function<void()>& loadData, QWidget* screen = nullptr,
                                       QAbstractButton* exitButton = nullptr);

// Stops the import the screen is reading a workbook or storing rows for, if
// any: no further row is stored and nothing is said, since it was started by
// a user who has logged out. The screen's buttons come back when the import
// has ended; a close of the screen meanwhile waits for that without asking.
void DropImport(QWidget* screen);

// The main window's Exit while imports run: each asks, as a close of its
// screen does, whether to stop. True when none runs, and the program may end
// now. Otherwise false: answered No, every import goes on and the program
// stays; answered Yes by each, they stop, say what they stored as after a
// close, and then end the program.
bool ImportsLetProgramEnd();

// The reader program the imports run; empty: the one beside the program.
// Tests put a slow one in.
void setImportReader(const QString& program);

} // namespace Module1
