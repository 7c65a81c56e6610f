#pragma once

#include <QString>
#include <QStringList>

// Rows the layout tests need, written straight into the tables.
void addLine(const QString& id);
void addMachine(const QString& id, const QString& line);
// n check records made at the given line, machine, gateway and terminal.
void addChecks(int n, const QString& line, const QString& machine, const QString& ip = QString(),
               const QString& terminal = QString());
// A table's rows as "col1|col2|...", in the order of the first column.
QStringList tableRows(const QString& table, const QStringList& columns);
