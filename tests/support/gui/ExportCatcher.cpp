#include "ExportCatcher.h"

#include "ExcelExport.h"
#include "TestFiles.h"

#include <QDir>

namespace testing {

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
    return QString::fromUtf8(workbook::xlsxPart(last(), name).value_or(QByteArray()));
}

QString ExportCatcher::writeSheet(const QString& name, const QList<QStringList>& rows) const
{
    return testing::writeSheet(QDir(folder()).filePath(name), rows);
}

} // namespace testing
