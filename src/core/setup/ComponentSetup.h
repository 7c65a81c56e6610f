#pragma once

#include "db/Database.h"

#include <QList>
#include <QString>

// The component expected on every slot (component_set) and its journal
// (set_hist): what the component set-up screen's Save does with its edit
// grid, without the screen.
namespace setup {

// The module the edit grid shows: line, part number, machine and module.
struct ModuleKey
{
    QString line;
    QString part;
    QString machine;
    QString module;
    bool operator==(const ModuleKey&) const = default;
};

// One row of the edit grid: the slot, the component wanted on it ("" for
// none) and whether the row carries the delete mark.
struct SlotRow
{
    QString slot;
    QString comp;
    bool marked = false;
};

enum class SaveMode {
    New, // every row: the slot takes the row's component, or is cleared
    Edit, // the same, for the stored slots the grid was loaded with
    Del, // the marked row's slot is cleared
};

// One journal row: action "Insert", "Update" or "Delete", the slot, the
// component before and after.
void WriteSetHist(db::Database& db, const QString& action, const ModuleKey& key, const QString& slot,
                  const QString& before, const QString& after, const QString& user);

// Writes the rows one by one, from the first. Each row's journal row and its
// write stand or fall together, so the journal never names a change that was
// not made. A slot holds one component: giving a stored slot another one is
// an "Update"; an empty row clears only a slot that is stored; a row whose
// slot already holds its component writes nothing. Returns the number of
// slots changed. Throws db::DbError at the first row that fails; the rows
// before it stay written.
int SaveSlotRows(db::Database& db, SaveMode mode, const ModuleKey& key, const QList<SlotRow>& rows,
                 const QString& user);

} // namespace setup
