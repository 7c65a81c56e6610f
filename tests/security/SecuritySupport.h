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
QStringList grantsOf(const QString& group);
QString passwordOf(const QString& userId);

// A mouse click, as a person makes it, on the row whose key column holds key.
void clickCell(QTableWidget* grid, const QString& key, int column = 1, int keyColumn = 1);
void clickItem(QTreeWidget* list, const QString& key, int keyColumn = 1);

} // namespace sec
