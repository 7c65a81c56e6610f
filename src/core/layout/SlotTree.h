#pragma once

#include "db/DbError.h"

#include <QList>
#include <QString>
#include <optional>

namespace db {
class Database;
}

// The module and slot tree of one machine: the machine at the root, its
// modules below it, the slots of each module below that. A module exists
// only as the md_id of its slots in slot_info; a slot is told apart by the
// pair (md_id, slot_id) within its machine. The screen draws and reads the
// tree; building, storing and loading it lives here.
namespace layout {

struct SlotNode
{
    QString key; // "S" + running number over the whole tree
    QString text; // slot_id
    bool operator==(const SlotNode&) const = default;
};

struct ModuleNode
{
    QString key; // "M" + module number
    QString text; // md_id
    QList<SlotNode> slots;
    bool operator==(const ModuleNode&) const = default;
};

struct SlotTree
{
    QString machine; // the root's text; its key is "T"
    QList<ModuleNode> modules;

    int slotCount() const;
    bool operator==(const SlotTree&) const = default;
};

inline const QString kRootKey = QStringLiteral("T");

// The largest counts the screen's boxes hold.
constexpr int kMaxModules = 99;
constexpr int kMaxSlots = 999;

// A count box's text as a whole number: a fraction rounded to the nearest
// whole number, a half to the even neighbour ("2.5" -> 2, "3.5" -> 4).
// Nothing for a text that is no number or lies outside -32768..32767.
std::optional<int> readWholeNumber(const QString& text);

// The first prefixLength characters of the machine id (all of it when it is
// shorter), followed by the number with at least three digits: ("ABCDEF", 3,
// 7) -> "ABC007", ("AB", 5, 12) -> "AB012".
QString numberedId(const QString& machine, int prefixLength, int number);

// A machine's tree with the given number of modules, each holding
// slotsPerModule slots. Slot numbers restart at 1 in every module; slot keys
// run on over the whole tree.
SlotTree generateTree(const QString& machine, int prefixLength, int modules, int slotsPerModule);

// One row of slot_info.
struct SlotRow
{
    QString slotId;
    QString mdId;
    QString mcId;
    bool operator==(const SlotRow&) const = default;
};

// The rows a tree stores, by its own levels: every slot under the module it
// hangs on, so modules with unequal numbers of slots keep them. A module
// without slots has no row.
QList<SlotRow> treeRows(const SlotTree& tree);

// The tree of stored rows in the order given (the rows of one machine,
// ordered by module and slot): a new module wherever md_id changes.
SlotTree treeFromRows(const QString& machine, const QList<SlotRow>& rows);

// What the count boxes show for a loaded tree: the module count, and the
// slots per module as the shortest decimal text of slots / modules cut to
// three characters (5 slots in 2 modules: "2.5"). Nothing for an empty tree.
struct CountTexts
{
    QString modules;
    QString slots;
};
std::optional<CountTexts> loadedCounts(const SlotTree& tree);

// A count box stepped by the spinner: down from below 2 leaves it, up from
// the maximum leaves it; otherwise the whole number plus delta.
QString stepCount(const QString& text, int delta, int maximum);

// The stored tree of a machine. Throws db::DbError.
SlotTree loadTree(db::Database& db, const QString& machine);

// Why a save failed: the kind of database error, the text of the slot being
// stored when it happened (empty when the delete failed) and the database's
// description.
struct SaveFailure
{
    db::ErrorKind kind = db::ErrorKind::Other;
    QString nodeText;
    QString description;
};

// Replaces every stored row of the tree's machine with the tree's rows, all
// or nothing. On failure the transaction is already rolled back when this
// returns, so the machine keeps the rows it had.
std::optional<SaveFailure> saveTree(db::Database& db, const SlotTree& tree, const QString& userId);

// The message for a failed save: the slot text followed by " already exist."
// for a duplicate, by " length too long." for a value too long for its
// column, else the database's description.
QString failureMessage(const SaveFailure& failure);

} // namespace layout
