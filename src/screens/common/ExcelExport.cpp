#include "ExcelExport.h"

#include "app/MessageLayer.h"
#include "workbook/ExportRecord.h"
#include "workbook/WorkbookExport.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTemporaryFile>
#include <QTreeWidget>
#include <QUrl>

namespace Module1 {

namespace {

WorkbookOpener& opener()
{
    static WorkbookOpener o = [](const QString& path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
    return o;
}

QString& exportFolder()
{
    static QString folder;
    return folder;
}

QString folderInUse()
{
    return exportFolder().isEmpty() ? QDir::tempPath() : exportFolder();
}

// The name newWorkbookPath gives: the prefix, six generated characters.
const QRegularExpression& exportName()
{
    static const QRegularExpression re(QStringLiteral("^TROVA_[A-Za-z0-9]{6}\\.xlsx$"));
    return re;
}

class GridSource : public workbook::TableSource
{
public:
    explicit GridSource(const QTableWidget* g) : m_grid(g) {}
    int rowCount() const override { return m_grid->rowCount(); }
    int columnCount() const override { return std::max(0, m_grid->columnCount() - 1); }
    QString header(int column) const override { return headerText(column + 1); }
    QString text(int row, int column) const override
    {
        const QTableWidgetItem* item = m_grid->item(row, column + 1);
        return item ? item->text() : QString();
    }
    QString status(int row) const override
    {
        if (row < 0)
            return headerText(0);
        const QTableWidgetItem* item = m_grid->item(row, 0);
        return item ? item->text() : QString();
    }

private:
    QString headerText(int column) const
    {
        const QTableWidgetItem* h = m_grid->horizontalHeaderItem(column);
        return h ? h->text() : QString();
    }
    const QTableWidget* m_grid;
};

class ListSource : public workbook::TableSource
{
public:
    explicit ListSource(const QTreeWidget* l) : m_list(l) {}
    int rowCount() const override { return m_list->topLevelItemCount(); }
    int columnCount() const override { return std::max(0, m_list->columnCount() - 1); }
    QString header(int column) const override { return m_list->headerItem()->text(column + 1); }
    QString text(int row, int column) const override { return m_list->topLevelItem(row)->text(column + 1); }

private:
    const QTreeWidget* m_list;
};

class ModelSource : public workbook::TableSource
{
public:
    explicit ModelSource(const QAbstractItemModel* m) : m_model(m) {}
    int rowCount() const override { return m_model->rowCount(); }
    int columnCount() const override { return std::max(0, m_model->columnCount() - 1); }
    QString header(int column) const override
    {
        return m_model->headerData(column + 1, Qt::Horizontal).toString();
    }
    QString text(int row, int column) const override
    {
        return m_model->data(m_model->index(row, column + 1)).toString();
    }
    QString status(int row) const override
    {
        if (row < 0)
            return m_model->headerData(0, Qt::Horizontal).toString();
        return m_model->data(m_model->index(row, 0)).toString();
    }

private:
    const QAbstractItemModel* m_model;
};

// A new file name in the export folder, kept after the export so that the
// application that opens it can read it.
QString newWorkbookPath(QString* error)
{
    const QString folder = folderInUse();
    QTemporaryFile f(QDir(folder).filePath(QStringLiteral("TROVA_XXXXXX.xlsx")));
    f.setAutoRemove(false);
    if (!f.open()) {
        *error = QStringLiteral("A new workbook cannot be created in %1: %2")
                     .arg(QDir::toNativeSeparators(folder), f.errorString());
        return QString();
    }
    return f.fileName();
}

bool exportSource(const workbook::TableSource& source, workbook::SourceKind kind, const workbook::ExportOptions& o)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QString error;
    QString path = newWorkbookPath(&error);
    const bool written = !path.isEmpty() && workbook::writeExport(source, kind, o, path, &error);
    if (written)
        workbook::recordWrittenExport(path);
    QApplication::restoreOverrideCursor();
    if (!written) {
        msg::error(error);
        return false;
    }
    if (!opener()(path)) {
        // Not an error: the workbook is there for the user to take.
        msg::information(QStringLiteral("The workbook was written to %1. No application here opens .xlsx files: "
                                        "open or copy it from there.")
                             .arg(QDir::toNativeSeparators(path)));
        return false;
    }
    return true;
}

workbook::ExportOptions toOptions(ExportOptions options)
{
    workbook::ExportOptions o;
    o.starFirstColumn = options.testFlag(ExportOption::StarFirstColumn);
    o.dropLastColumn = options.testFlag(ExportOption::DropLastColumn);
    o.rowColourByStatus = options.testFlag(ExportOption::RowColourByStatus);
    o.titleBlock = options.testFlag(ExportOption::TitleBlock);
    return o;
}

} // namespace

bool ExportGridToExcel(QTableWidget* grid, ExportOptions options, const TitleTexts& title)
{
    workbook::ExportOptions o = toOptions(options);
    o.project = title.project;
    o.partNo = title.partNo;
    return exportSource(GridSource(grid), workbook::SourceKind::Grid, o);
}

bool ExportListToExcel(QTreeWidget* list, ExportOptions options)
{
    workbook::ExportOptions o = toOptions(options);
    o.rowColourByStatus = false;
    o.titleBlock = false;
    return exportSource(ListSource(list), workbook::SourceKind::List, o);
}

bool ExportGridModelToExcel(const QAbstractItemModel* model, ExportOptions options, const TitleTexts& title)
{
    workbook::ExportOptions o = toOptions(options);
    o.project = title.project;
    o.partNo = title.partNo;
    return exportSource(ModelSource(model), workbook::SourceKind::Grid, o);
}

bool ExportListModelToExcel(const QAbstractItemModel* model, ExportOptions options)
{
    workbook::ExportOptions o = toOptions(options);
    o.rowColourByStatus = false;
    o.titleBlock = false;
    return exportSource(ModelSource(model), workbook::SourceKind::List, o);
}

void setWorkbookOpener(WorkbookOpener o)
{
    opener() = std::move(o);
}

void setExportFolder(const QString& folder)
{
    exportFolder() = folder;
}

int RemoveOldExports(const QDateTime& now)
{
    return workbook::removeUnchangedExports(folderInUse(), exportName(), now);
}

} // namespace Module1
