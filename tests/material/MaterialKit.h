#pragma once

#include "DbRows.h"
#include "FileTree.h"
#include "ScriptedPrompter.h"
#include "TestFiles.h"
#include "Widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

// Master data, labels and list handling the material screen tests share.
namespace kit {

using testing::prompter;

inline void addProject(const QString& id)
{
    testing::addRow("proj_info", {"proj_id"}, {id});
}
inline void addGroup(const QString& id)
{
    testing::addRow("component_group", {"group_id"}, {id});
}
inline void addComponent(const QString& code, const QString& group, const QString& vendor = QStringLiteral("NIL"),
                         const QString& type = QStringLiteral("MP"), const QString& vendorDesc = QStringLiteral("vd"))
{
    testing::addRow("component_list", {"comp_code", "comp_desc", "group_id", "method_type", "vender_name", "vender_desc"},
                    {code, "desc", group, type, vendor, vendorDesc});
}
// approve: a null text stores no flag.
inline void addPart(const QString& part, const QString& project, const QString& approve = QStringLiteral("0"))
{
    testing::addRow("part_info", {"part_no", "part_desc", "proj_id", "approve"}, {part, "pd", project, approve});
}
inline void addCompProj(const QString& project, const QString& part, const QString& group, const QString& comp,
                        const QString& ref = QStringLiteral("F"), const QString& polarity = QStringLiteral("1"))
{
    testing::addRow("component_proj", {"proj_id", "part_no", "group_id", "comp_code", "ref_designator", "polarity_check"},
                    {project, part, group, comp, ref, polarity});
}
// Check records that expected comp on part.
inline void addChecks(int n, const QString& part, const QString& comp = QString())
{
    for (int i = 0; i < n; ++i)
        testing::addRow("check_history", {"line_id", "part_no", "comp_code", "check_value"}, {"L1", part, comp, "0"});
}

// A golden label file of tests/data/label.
inline QByteArray golden(const QString& name)
{
    return testing::fileBytes(testing::dataFile(QStringLiteral("label/") + name));
}

// A choice as the user makes it in a drop-down list.
inline void choose(QComboBox* box, const QString& text)
{
    const int i = box->findText(text);
    QVERIFY2(i >= 0, qPrintable(text));
    box->setCurrentIndex(i);
    Q_EMIT box->activated(i);
}

// A row of a list as the user clicks it: by its index, or the first row
// whose column shows the text.
inline void clickRow(QTreeWidget* list, int row)
{
    QTreeWidgetItem* item = list->topLevelItem(row);
    QVERIFY(item);
    list->setCurrentItem(item);
    Q_EMIT list->itemClicked(item, 1);
}
inline void clickRow(QTreeWidget* list, int column, const QString& text)
{
    const QList<QTreeWidgetItem*> found = list->findItems(text, Qt::MatchExactly, column);
    QVERIFY2(!found.isEmpty(), qPrintable(text));
    clickRow(list, list->indexOfTopLevelItem(found.first()));
}

} // namespace kit
