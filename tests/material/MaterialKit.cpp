#include "MaterialKit.h"

#include "app/Module1.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

using Module1::gConn;

namespace kit {

void addProject(const QString& id)
{
    gConn().exec("insert into proj_info (proj_id, proj_desc, update_user, update_time) values (?, 'p', 'SYSADMIN', sysdate)",
                 {id});
}

void addGroup(const QString& id)
{
    gConn().exec("insert into component_group (group_id, group_desc, update_user, update_time) "
                 "values (?, 'group', 'SYSADMIN', sysdate)",
                 {id});
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

void clickRow(QTreeWidget* list, int column, const QString& text)
{
    const int row = int(listColumn(list, column).indexOf(text));
    QVERIFY2(row >= 0, qPrintable(text));
    clickRow(list, row);
}

} // namespace kit
