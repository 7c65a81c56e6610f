#include "MaterialKit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

namespace kit {

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
