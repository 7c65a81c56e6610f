#pragma once

#include "DbRows.h"
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

// Master data and labels the material screen tests share.
namespace kit {

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

} // namespace kit
