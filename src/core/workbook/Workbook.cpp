#include "workbook/Workbook.h"

#include "workbook/XlsxPackage.h"

namespace workbook {

namespace {

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

} // namespace

std::optional<QString> xlsxFirstSheetPartName(const QString& path, QString* error)
{
    XlsxPackage package(path);
    QString reason;
    auto sheet = package.firstSheet(&reason);
    if (!sheet) {
        setError(error, QStringLiteral("%1: %2").arg(path, reason));
        return std::nullopt;
    }
    return sheet->part;
}

std::optional<QByteArray> xlsxPart(const QString& path, const QString& partName, QString* error)
{
    XlsxPackage package(path);
    QString reason;
    auto data = package.part(partName, &reason);
    if (!data)
        setError(error, QStringLiteral("%1: %2").arg(path, reason));
    return data;
}

} // namespace workbook
