#include "MaterialKit.h"

#include "ExcelExport.h"
#include "app/Module1.h"
#include "workbook/WorkbookExport.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>
#include <QFile>
#include <QTableWidget>
#include <QTreeWidget>

using Module1::gConn;

namespace kit {

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

testing::ScriptedPrompter& prompter()
{
    return *testing::ScriptedPrompter::current();
}

void addProject(const QString& id)
{
    gConn().exec("insert into proj_info (proj_id, proj_desc, update_user, update_time) values (?, 'p', 'SYSADMIN', sysdate)",
                 {id});
}

void addGroup(const QString& id, const QString& desc)
{
    gConn().exec("insert into component_group (group_id, group_desc, update_user, update_time) "
                 "values (?, ?, 'SYSADMIN', sysdate)",
                 {id, desc});
}

void addComponent(const QString& code, const QString& group, const QString& vendor, const QString& type,
                  const QString& vendorDesc)
{
    gConn().exec("insert into component_list (comp_code, comp_desc, group_id, method_type, vender_name, vender_desc, "
                 "update_user, update_time) values (?, 'desc', ?, ?, ?, ?, 'SYSADMIN', sysdate)",
                 {code, group, type, vendor, vendorDesc});
}

void addPart(const QString& part, const QString& project, const QString& approve)
{
    gConn().exec("insert into part_info (part_no, part_desc, proj_id, approve, update_user, update_time) "
                 "values (?, 'pd', ?, ?, 'SYSADMIN', sysdate)",
                 {part, project, approve.isNull() ? QVariant() : QVariant(approve)});
}

void addCompProj(const QString& project, const QString& part, const QString& group, const QString& comp,
                 const QString& ref, const QString& polarity)
{
    gConn().exec("insert into component_proj (proj_id, part_no, group_id, comp_code, ref_designator, polarity_check, "
                 "update_user, update_time) values (?, ?, ?, ?, ?, ?, 'SYSADMIN', sysdate)",
                 {project, part, group, comp, ref, polarity});
}

void addChecks(int n, const QString& part, const QString& comp)
{
    for (int i = 0; i < n; ++i)
        gConn().exec("insert into check_history (line_id, part_no, comp_code, check_value, update_user, update_time) "
                     "values ('L1', ?, ?, '0', 'OP', sysdate)",
                     {part, comp});
}

void addLineSet(const QString& part, const QString& project)
{
    gConn().exec("insert into line_set (line_id, proj_id, part_no, mc_id, gw21_ip, dt200_id, update_user, update_time) "
                 "values ('L1', ?, ?, 'MC1', '10.0.0.1', '1', 'SYSADMIN', sysdate)",
                 {project, part});
}

QStringList rows(const QString& sql)
{
    QStringList out;
    db::ResultSet rs = gConn().query(sql);
    for (; !rs.eof(); rs.moveNext()) {
        QStringList f;
        for (int i = 0; i < rs.fieldCount(); ++i)
            f << rs.text(i);
        out << f.join(QLatin1Char('|'));
    }
    return out;
}

QString writeSheet(const QString& folder, const QString& name, const QList<QStringList>& rows)
{
    const QString path = QDir(folder).filePath(name);
    QString error;
    if (!workbook::writeExport(RowsSource(rows), workbook::SourceKind::List, {}, path, &error))
        qFatal("cannot write %s: %s", qPrintable(path), qPrintable(error));
    return path;
}

QStringList logLines()
{
    QFile f(Module1::ErrorLogPath());
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList out;
    for (const QString& line : QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
        out << line.mid(10); // "HH:mm:ss  "
    return out;
}

QStringList importedWithErrors(int n)
{
    return {QStringLiteral("The success import %1 records.").arg(n),
            "Please check the error log file " + QDir::toNativeSeparators(Module1::ErrorLogPath())};
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray golden(const QString& name)
{
    const QByteArray bytes =
        readFile(QFileInfo(QStringLiteral(__FILE__)).dir().filePath(QStringLiteral("../data/label/") + name));
    if (bytes.isEmpty())
        qFatal("no golden label %s", qPrintable(name));
    return bytes;
}

QList<bool> enabled(const QList<QAbstractButton*>& buttons)
{
    QList<bool> out;
    for (const QAbstractButton* b : buttons)
        out << b->isEnabled();
    return out;
}

QStringList listColumn(const QTreeWidget* list, int column)
{
    QStringList out;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        out << list->topLevelItem(i)->text(column);
    return out;
}

QStringList gridColumn(const QTableWidget* grid, int column)
{
    QStringList out;
    for (int r = 0; r < grid->rowCount(); ++r)
        out << (grid->item(r, column) ? grid->item(r, column)->text() : QString());
    return out;
}

QStringList entries(const QComboBox* box)
{
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

void choose(QComboBox* box, const QString& text)
{
    const int i = box->findText(text);
    QVERIFY2(i >= 0, qPrintable(text));
    box->setCurrentIndex(i);
    Q_EMIT box->activated(i);
}

void clickRow(QTreeWidget* list, int row)
{
    QTreeWidgetItem* item = list->topLevelItem(row);
    list->setCurrentItem(item);
    Q_EMIT list->itemClicked(item, 1);
}

} // namespace kit
