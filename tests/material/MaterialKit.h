#pragma once

#include "ScriptedPrompter.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QList>
#include <QString>
#include <QStringList>

// Master data, labels and list handling the material screen tests share.
namespace kit {

using testing::prompter;

void addProject(const QString& id);
void addGroup(const QString& id);
void addComponent(const QString& code, const QString& group, const QString& vendor = QStringLiteral("NIL"),
                  const QString& type = QStringLiteral("MP"), const QString& vendorDesc = QStringLiteral("vd"));
void addPart(const QString& part, const QString& project, const QString& approve = QStringLiteral("0"));
void addCompProj(const QString& project, const QString& part, const QString& group, const QString& comp,
                 const QString& ref = QStringLiteral("F"), const QString& polarity = QStringLiteral("1"));
// Check records that expected comp on part.
void addChecks(int n, const QString& part, const QString& comp = QString());

// A file's bytes; a golden label file of tests/data/label.
QByteArray readFile(const QString& path);
QByteArray golden(const QString& name);

// Enabled states of buttons, in the order given.
QList<bool> enabled(const QList<QAbstractButton*>& buttons);

QStringList listColumn(const QTreeWidget* list, int column);
QStringList entries(const QComboBox* box);
// A choice as the user makes it in a drop-down list.
void choose(QComboBox* box, const QString& text);
// A row of a list as the user clicks it; the first row whose column shows
// the text.
void clickRow(QTreeWidget* list, int row);
void clickRow(QTreeWidget* list, int column, const QString& text);

} // namespace kit
