#pragma once

#include <QString>
#include <functional>

// Reading the first sheet of a workbook file in this process, cell by cell.
// The import never calls this itself: it runs it in the reader program (see
// readFirstSheet), so that a file that crashes, loops in or exhausts a library
// ends that program and never this one.
namespace workbook {

// The sheet's own limits; a coordinate past them is refused, never stored.
constexpr int kMaxRows = 1048576;
constexpr int kMaxColumns = 16384;
constexpr int kMaxCellChars = 32767;
// What one part of an .xlsx package may inflate to: a million-row sheet is
// a few hundred MB.
constexpr qint64 kMaxPartBytes = qint64(2) << 30;
// What the cells of one sheet may hold together, in UTF-16 units: 2^27, or
// 256 MiB once the import holds them as text. The imports' sheets carry keys
// and short names in a dozen columns or fewer; a full sheet of 1,048,576
// rows of 16 cells of 8 characters fits, as do 100,000 rows of 1,300
// characters each. Counting cells is not enough: a few kilobytes of
// compressed XML can give 100,000 cells that all show one shared text of
// 32,767 characters, gigabytes once each cell is a text of its own.
constexpr qint64 kMaxSheetChars = qint64(1) << 27;
// The refusal of a sheet past kMaxSheetChars.
QString sheetTextTooLarge();

// A cell as the reader finds it: 0-based row and column inside the limits,
// the text without leading and trailing blanks, never empty. A later cell at
// the same place replaces an earlier one.
using CellSink = std::function<void(int row, int column, const QString& text)>;

// Reads the first sheet (in the workbook's sheet order) of an .xls or .xlsx
// file, told by its content. Numbers come as numberText, dates as
// "yyyy-MM-dd", date-times as "yyyy-MM-dd HH:mm:ss", times as "HH:mm:ss",
// booleans as "TRUE"/"FALSE", formulas as their cached result. Returns an
// empty text when the sheet was read to its end, else why it cannot be read
// (a sentence); cells already given are then not the sheet and are dropped.
QString readSheetCells(const QString& path, const CellSink& sink);

// The two readers, for callers that know the format.
QString readXlsxCells(const QString& path, const CellSink& sink);
QString readXlsCells(const QString& path, const CellSink& sink);

// Opens a file for reading without blocking, so that a named pipe put in
// its place never waits for a writer, and keeps it only when what was opened
// is a regular file; its reads then block as usual. The descriptor, or -1
// with the reason in *reason. Every file the reader reads is opened here.
int openRegularFile(const QString& path, QString* reason);
// A name that opens the very file behind an open descriptor again,
// whatever happens to its path meanwhile.
QString descriptorPath(int fd);

// "A1" for row 0, column 0.
QString cellName(int row, int column);

// The text without leading and trailing blanks; a tab or a line break kept
// in a cell is part of its text.
QString trimBlanks(const QString& text);

} // namespace workbook
