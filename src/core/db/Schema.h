#pragma once

#include "db/Database.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace schema {

enum class Type {
    Text,
    Time,
    Number,
};

struct Column
{
    const char* name;
    Type type;
    int width = 0; // text only
    const char* defaultValue = nullptr; // SQL literal
};

struct Table
{
    const char* name;
    std::vector<Column> columns;
    std::vector<const char*> key; // empty: no key
};

// Every table of the system, as the current schema version defines them.
const std::vector<Table>& tables();
const Table* findTable(const QString& name);
// Width of a text column, 0 when the column is not text or unknown.
int textWidth(const QString& table, const QString& column);

// The version this build's schema is at.
int currentVersion();
// The version stored in the database, 0 for a database without the schema.
int storedVersion(db::Database& db);

// Brings the database up to currentVersion(): creates what a fresh database
// lacks (with the seed rows) and applies the steps an older one has not had.
// Never drops anything. Throws db::DbError.
void ensure(db::Database& db);

// The statements of the first version, rendered for the engine (for tests
// and for reading).
QStringList createStatements(const db::Dialect& dialect);


} // namespace schema
