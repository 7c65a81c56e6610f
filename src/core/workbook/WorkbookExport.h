#pragma once

#include <QString>
#include <QVector>
#include <optional>

// Writing what a screen's grid or list shows into a new .xlsx file: header
// row, panes frozen below it, left alignment, fitted column widths, the
// screens' variants. Widget-free: the screens hand in their list through
// TableSource.
namespace workbook {

// The shown list, read cell by cell. Rows and columns count from 0 over the
// data rows and the exportable columns (a grid's hidden column 0 and a list's
// hidden item text are not part of it).
class TableSource
{
public:
    virtual ~TableSource() = default;
    virtual int rowCount() const = 0;
    virtual int columnCount() const = 0;
    virtual QString header(int column) const = 0;
    virtual QString text(int row, int column) const = 0;
    // The status text a grid keeps in its hidden column; row -1 is the
    // header row.
    virtual QString status(int row) const { return QString(); }
};

enum class SourceKind {
    Grid, // header font size 14, first column left-aligned
    List, // whole table left-aligned
};

struct ExportOptions
{
    bool starFirstColumn = false; // data cells of the first column as "*" + text + "*"
    bool dropLastColumn = false; // the last column is not written
    bool rowColourByStatus = false; // grid: fill each row by its status text
    bool titleBlock = false; // grid: title, project and part number above the table
    QString project;
    QString partNo;
};

// A first-column cell written with starFirstColumn, read back as the text
// it stands for: trimmed, without the "*" the export put before and after
// it. Any other text comes back trimmed.
QString withoutStarMarks(const QString& cell);

// Fill colour (RGB) for a row status: "0", "1" and "2" (exact texts) give the
// workbook palette's colours 34, 36 and 40; any other text no fill.
std::optional<unsigned> statusFill(const QString& status);

// Fits column widths to their texts, in the workbook's character units.
class ColumnWidths
{
public:
    void add(int column, const QString& text, double fontSize = 11.0);
    // 0 when nothing was added for the column.
    double width(int column) const;
    int columnCount() const { return int(m_widths.size()); }

private:
    QVector<double> m_widths;
};

// Writes the sheet. A source without data rows gives a workbook with an
// empty sheet. False with a description in *error when the file cannot be
// written.
bool writeExport(const TableSource& source, SourceKind kind, const ExportOptions& options, const QString& path,
                 QString* error = nullptr);

} // namespace workbook
