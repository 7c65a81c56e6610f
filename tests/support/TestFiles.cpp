#include "TestFiles.h"

#include "workbook/WorkbookExport.h"

#include <QDir>

namespace testing {

namespace {

class Rows : public workbook::TableSource
{
public:
    explicit Rows(const QList<QStringList>& rows) : m_rows(rows) {}
    int rowCount() const override { return int(m_rows.size()) - 1; }
    int columnCount() const override { return m_rows.isEmpty() ? 0 : int(m_rows[0].size()); }
    QString header(int column) const override { return m_rows[0].value(column); }
    QString text(int row, int column) const override { return m_rows[row + 1].value(column); }

private:
    QList<QStringList> m_rows;
};

} // namespace

QString dataFile(const QString& name)
{
    return QDir(QStringLiteral(TROVA_TEST_DATA)).filePath(name);
}

QString writeSheet(const QString& path, const QList<QStringList>& rows)
{
    QString error;
    if (!workbook::writeExport(Rows(rows), workbook::SourceKind::List, {}, path, &error))
        qFatal("cannot write %s: %s", qPrintable(path), qPrintable(error));
    return path;
}

} // namespace testing
