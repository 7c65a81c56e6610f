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

// Rows, sheets, labels and readings the material screen tests share.
namespace kit {

testing::ScriptedPrompter& prompter();

void addProject(const QString& id);
void addGroup(const QString& id, const QString& desc = QStringLiteral("group"));
void addComponent(const QString& code, const QString& group, const QString& vendor = QStringLiteral("NIL"),
                  const QString& type = QStringLiteral("MP"), const QString& vendorDesc = QStringLiteral("vd"));
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
// The two boxes an import ends with when some rows were refused.
QStringList importedWithErrors(int n);

// A file's bytes; a golden label file of tests/data/label.
QByteArray readFile(const QString& path);
QByteArray golden(const QString& name);

// Enabled states of buttons, in the order given.
QList<bool> enabled(const QList<QAbstractButton*>& buttons);

QStringList listColumn(const QTreeWidget* list, int column);
QStringList gridColumn(const QTableWidget* grid, int column);
QStringList entries(const QComboBox* box);
// A choice as the user makes it in a drop-down list.
void choose(QComboBox* box, const QString& text);
// A row of a list as the user clicks it.
void clickRow(QTreeWidget* list, int row);

} // namespace kit
