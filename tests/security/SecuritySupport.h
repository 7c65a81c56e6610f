#pragma once

#include "DbRows.h"
#include "ScriptedPrompter.h"
#include "app/Module1.h"

#include <QString>
#include <QStringList>

class QTableWidget;
class QTreeWidget;

// Rows and clicks the security screen tests share.
namespace sec {

using testing::prompter;

void addGroup(const QString& id, const QString& status = QStringLiteral("1"));
// Valid from 03/05/2024 to 01/31/2099; the password is the user id unless given.
void addUser(const QString& id, const QString& group, const QString& password = QString());
void grant(const QString& group, const QStringList& codes);
inline QStringList grantsOf(const QString& group)
{
    return testing::queryRows("select func_id from function_grant where group_id = ? order by func_id", {group});
}
inline QString passwordOf(const QString& userId)
{
    return Module1::gConn().scalar("select password from user_list where user_id = ?", {userId}).toString();
}

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
