#pragma once

#include <QString>
#include <QStringList>
#include <QVector>
#include <optional>

// Reading the first sheet of a workbook file (.xls or .xlsx) as rows of
// text cells without leading and trailing blanks, the way the imports see a
// sheet, and the text form of numbers that goes with it. No widgets, no Excel.
namespace workbook {

// A number as its shortest decimal text: 1234 -> "1234", 0.1 -> "0.1",
// 1e20 -> "100000000000000000000"; never an exponent, never a trailing ".0".
QString numberText(double value);

// One sheet as rows from sheet row 1: rows[r][c] is the cell of sheet row
// r + 1, column c + 1, leading and trailing blanks removed. Rows are as long
// as their last filled cell; a missing row is an empty list.
using Rows = QVector<QStringList>;

// The cell text or the empty text when the row is shorter.
inline QString cell(const Rows& rows, int row, int column)
{
    if (row < 0 || row >= rows.size() || column < 0 || column >= rows[row].size())
        return QString();
    return rows[row][column];
}

// The workbook reader program beside this program's executable, and what
// it may use.
inline const QString kReaderProgramName = QStringLiteral("trova-xlreader");
QString readerProgram();
struct ReaderLimits
{
    QString program = readerProgram();
    qint64 memoryBytes = qint64(2) << 30;
    int cpuSeconds = 120;
    int wallSeconds = 240;
};

// Reads the first sheet (in the workbook's sheet order) of an .xls or .xlsx
// file, told by its content (see readSheetCells for the cell texts). The
// file is read in the reader program, one run per file under the limits,
// so that no file can crash, hang or exhaust this program. Nothing on
// failure, with "The file X is not a readable Excel workbook." and the
// reason on the next line in *error.
std::optional<Rows> readFirstSheet(const QString& path, QString* error = nullptr, const ReaderLimits& limits = {});

// The sheet's XML of the first worksheet of an .xlsx file, for checks of
// what a written workbook holds beyond its cell texts (panes, formats,
// widths). Also the styles part.
std::optional<QByteArray> xlsxPart(const QString& path, const QString& partName, QString* error = nullptr);
std::optional<QString> xlsxFirstSheetPartName(const QString& path, QString* error = nullptr);

} // namespace workbook
