#pragma once

#include "ScriptedPrompter.h"

#include <QString>
#include <QStringList>

class QComboBox;
class QTableWidget;
class QTreeWidget;

// Rows and clicks the security screen tests share.
namespace sec {

testing::ScriptedPrompter& prompter();

void addGroup(const QString& id, const QString& status = QStringLiteral("1"));
// A user whose password is `password`, or the user id itself when empty.
void addUser(const QString& id, const QString& group, const QString& password = QString());
void grant(const QString& group, const QStringList& codes);
QStringList grantsOf(const QString& group);
QString passwordOf(const QString& userId);

QStringList comboItems(const QComboBox* box);
// The row (or item) whose column holds text; -1 when none does.
int rowOf(const QTableWidget* grid, int column, const QString& text);
int itemOf(const QTreeWidget* list, int column, const QString& text);
// A mouse click on a cell, as a person makes it.
void clickCell(QTableWidget* grid, int row, int column);
void clickItem(QTreeWidget* list, int row);

// Makes the database refuse to insert the grant of one code, to make a
// rewrite of grants fail half-way; and to skip every password update.
void refuseGrantOf(const QString& code);
void skipPasswordUpdates();

} // namespace sec
