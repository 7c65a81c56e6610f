#include "ExportCatcher.h"

#include "ExcelExport.h"

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
    if (opened.isEmpty())
        return {};
    const auto part = workbook::xlsxPart(last(), name);
    return part ? QString::fromUtf8(*part) : QString();
}

} // namespace testing
