#include "ExportCatcher.h"

#include "ExcelExport.h"
#include "workbook/WorkbookExport.h"

#include <QDir>

namespace testing {

namespace {

class RowsSource : public workbook::TableSource
{
public:
    explicit RowsSource(const QList<QStringList>& rows) : m_rows(rows) {}
    int rowCount() const override { return int(m_rows.size()) - 1; }
    int columnCount() const override { return m_rows.isEmpty() ? 0 : int(m_rows[0].size()); }
    QString header(int column) const override { return m_rows[0].value(column); }
    QString text(int row, int column) const override { return m_rows[row + 1].value(column); }

private:
    QList<QStringList> m_rows;
};

} // namespace

ExportCatcher::ExportCatcher()
{
    Module1::setExportFolder(m_dir.path());
    Module1::setWorkbookOpener([this](const QString& path) {
        opened << path;
        return openerWorks;
    });
}

ExportCatcher::~ExportCatcher()
{
    Module1::setExportFolder(QString());
    Module1::setWorkbookOpener([](const QString&) { return false; });
}

workbook::Rows ExportCatcher::lastRows() const
{
    if (opened.isEmpty())
        return {};
    return workbook::readFirstSheet(last()).value_or(workbook::Rows());
}

QString ExportCatcher::lastPart(const QString& name) const
{
    if (opened.isEmpty())
        return {};
    const auto part = workbook::xlsxPart(last(), name);
    return part ? QString::fromUtf8(*part) : QString();
}

QString ExportCatcher::writeSheet(const QString& name, const QList<QStringList>& rows) const
{
    const QString path = QDir(folder()).filePath(name);
    QString error;
    if (!workbook::writeExport(RowsSource(rows), workbook::SourceKind::List, {}, path, &error))
        qFatal("cannot write %s: %s", qPrintable(path), qPrintable(error));
    return path;
}

} // namespace testing
