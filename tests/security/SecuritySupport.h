#pragma once

#include "DbRows.h"
#include "ScriptedPrompter.h"
#include "app/Module1.h"

#include <QString>
#include <QStringList>

class QTableWidget;

// Rows and clicks the security screen tests share.
namespace sec {

using testing::prompter;

using testing::addGroup;
using testing::addUser;
using testing::grant;
QStringList grantsOf(const QString& group);
QString passwordOf(const QString& userId);

// A mouse click, as a person makes it, on the row whose key column holds key.
void clickCell(QTableWidget* grid, const QString& key, int column = 1, int keyColumn = 1);

} // namespace sec
