#pragma once

#include "db/Database.h"

#include <QString>

// The writes of registered component lots (table component_link).
namespace material {

// One lot as the screen's boxes hold it; values are stored as they stand.
struct Lot
{
    QString linkId;
    QString compCode;
    QString venderName;
    QString venderDesc;
    QString lotNo;
    QString shipDate;
    QString rtNo;
    QString projId;
    QString partNo;
    QString refDesignator;
    QString polarityCheck;
};

// Stores a new lot under the identifier shown to the user (trimmed) or, when
// another workstation stored that one meanwhile, under the next free one of
// the same prefix; returns the identifier stored. The check and the insert run
// in one transaction serialised against every other allocation, so two
// workstations never store one identifier twice nor lose a lot to it. Throws
// db::DbError, and LinkIdsUsedUp when the prefix has no identifier left.
QString InsertLot(db::Database& db, const Lot& lot, const QString& user);

// Rewrites every column but the identifier, found trimmed; returns the rows
// changed. Throws db::DbError.
int UpdateLot(db::Database& db, const Lot& lot, const QString& user);

// Deletes the lot of the trimmed identifier; no row is kept for check records
// that name it. Returns the rows deleted. Throws db::DbError.
int DeleteLot(db::Database& db, const QString& linkId);

} // namespace material
