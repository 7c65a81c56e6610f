#pragma once

#include "ScriptedPrompter.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTreeWidget>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// Rows, sheets and readings the material screen tests share.
namespace kit {

testing::ScriptedPrompter& prompter();

void addProject(const QString& id);
void addGroup(const QString& id, const QString& desc = QStringLiteral("group"));
void addComponent(const QString& code, const QString& group, const QString& vendor = QStringLiteral("NIL"),
                  const QString& type = QStringLiteral("MP"));
void addPart(const QString& part, const QString& project, const QString& approve = QStringLiteral("0"));
void addCompProj(const QString& project, const QString& part, const QString& group, const QString& comp,
                 const QString& ref = QStringLiteral("F"), const QString& polarity = QStringLiteral("1"));
// Check records that expected comp on part.
void addChecks(int n, const QString& part, const QString& comp = QString());
void addLineSet(const QString& part, const QString& project);

// Rows of a query as "a|b|c" texts.
QStringList rows(const QString& sql);

// A workbook whose first sheet holds these rows (the first is the header).
QString writeSheet(const QString& folder, const QString& name, const QList<QStringList>& rows);
// The lines of today's error log without their time of day.
QStringList logLines();

// Export capture: exports go to a folder of the test and are read back.
void captureExports(const QString& folder);
void releaseExports();
// The sheet of the last export, nothing when none was written since the last call.
std::optional<QList<QStringList>> lastExport();

// Enabled states of buttons, in the order given.
QList<bool> enabled(const QList<QAbstractButton*>& buttons);

QStringList listColumn(const QTreeWidget* list, int column);
QStringList gridColumn(const QTableWidget* grid, int column);

} // namespace kit
