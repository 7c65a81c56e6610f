#pragma once

#include <QString>
#include <QStringList>
#include <QVector>
#include <atomic>
#include <memory>
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
    // The texts of a data row, columnCount() of them.
    virtual QStringList cells(int row) const;
};

// A copy of what a source shows, taken at once (cheaply: texts are shared,
// not copied) so that it can be written on another thread while the list it
// came from changes.
std::shared_ptr<const TableSource> snapshotOf(const TableSource& source);

// A list model that hands out such a copy of its rows in one step, however
// many there are. The screens' exports look for it on a model they are given.
class SnapshotModel
{
public:
    virtual ~SnapshotModel() = default;
    // Laid out as the export reads a model: the model's column 0 (a grid's
    // status, a list's item text) is the status, its columns from 1 on are
    // the source's columns.
    virtual std::shared_ptr<const TableSource> exportSnapshot() const = 0;
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
// written whole (a full disk is said so); the file is then removed, and the
// writing leaves nothing on the disk. When *stop is set meanwhile the
// writing ends at the next row and the file is removed (false, no
// description). The temporary files go to the workbook's folder.
bool writeExport(const TableSource& source, SourceKind kind, const ExportOptions& options, const QString& path,
                 QString* error = nullptr, const std::atomic_bool* stop = nullptr);

} // namespace workbook
