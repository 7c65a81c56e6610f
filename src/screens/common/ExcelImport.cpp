#include "ExcelImport.h"

#include "app/MessageLayer.h"
#include "app/Module1.h"
#include "workbook/Workbook.h"

#include <QApplication>
#include <QDir>

namespace Module1 {

QString ExcelFileFilter()
{
    return QStringLiteral("Excel Files (*.xls *.xlsx)");
}

workbook::ImportOutcome ImportExcel(const workbook::ImportLayout& layout, const std::function<void()>& loadData)
{
    const QString path = msg::prompter().openFileName(QString(), QDir::homePath(), ExcelFileFilter());
    if (path.isEmpty())
        return {};
    return ImportExcelFile(path, layout, loadData);
}

workbook::ImportOutcome ImportExcelFile(const QString& path, const workbook::ImportLayout& layout,
                                       const std::function<void()>& loadData)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QString error;
    const auto rows = workbook::readFirstSheet(path, &error);
    workbook::ImportOutcome out;
    // A sheet without a single row is said so; a sheet whose data end at
    // row 2 imports nothing and says nothing.
    if (rows && rows->isEmpty())
        error = QStringLiteral("The first sheet of the file %1 holds no rows.").arg(path);
    if (!rows || rows->isEmpty()) {
        QApplication::restoreOverrideCursor();
        out.error = QDir::toNativeSeparators(error);
        msg::information(out.error);
        return out;
    }
    out = workbook::importRows(*rows, layout, gConn(), gUserID, [](const QString& line) { WriteErrorLog(line); });
    QApplication::restoreOverrideCursor();

    if (out.failed()) {
        // The rows before the failure are stored; say how many.
        msg::information(out.error + QStringLiteral("\n\n%1 records were imported before the error.").arg(out.stored));
        return out;
    }
    if (out.stored > 0)
        msg::box(QStringLiteral("The success import ") + QString::number(out.stored) + QStringLiteral(" records."));
    if (out.rejected > 0)
        msg::box(QStringLiteral("Please check the error log file ") + QDir::toNativeSeparators(ErrorLogPath()));
    if (out.stored > 0 && loadData)
        loadData();
    return out;
}

} // namespace Module1
