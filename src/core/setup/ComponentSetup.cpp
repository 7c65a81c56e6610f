#include "setup/ComponentSetup.h"

#include <optional>

namespace setup {

namespace {

const QString kSlotCondition =
    QStringLiteral(" where line_id = ? and part_no = ? and mc_id = ? and md_id = ? and slot_code = ?");

QVariantList slotValues(const ModuleKey& k, const QString& slot)
{
    return {k.line, k.part, k.machine, k.module, slot};
}

// The component stored on the slot ("" for a Null one); nothing when the
// slot has no row. The row stays locked until the transaction ends.
std::optional<QString> storedComponent(db::Database& db, const ModuleKey& k, const QString& slot)
{
    db::ResultSet rs = db.query(QStringLiteral("select comp_code from component_set") + kSlotCondition +
                                    db.dialect().forUpdate(),
                                slotValues(k, slot));
    if (rs.eof())
        return std::nullopt;
    return rs.text(0);
}

} // namespace

void WriteSetHist(db::Database& db, const QString& action, const ModuleKey& key, const QString& slot,
                  const QString& before, const QString& after, const QString& user)
{
    db.exec(QStringLiteral("insert into set_hist (action, line_id, part_no, mc_id, md_id, slot_code, from_comp, "
                           "to_comp, update_user, update_time) values (?, ?, ?, ?, ?, ?, ?, ?, ?, sysdate)"),
            {action, key.line, key.part, key.machine, key.module, slot, before, after, user});
}

int SaveSlotRows(db::Database& db, SaveMode mode, const ModuleKey& key, const QList<SlotRow>& rows,
                 const QString& user)
{
    int changed = 0;
    for (const SlotRow& row : rows) {
        if (mode == SaveMode::Del && !row.marked)
            continue;
        const QString wanted = mode == SaveMode::Del ? QString() : row.comp;

        // The journal must name only writes that happen: the slot read here
        // cannot change or vanish before this row's write (a concurrent
        // delete waits, or has already happened and is seen).
        db::Transaction tx(db, QStringLiteral("component_set"));
        const std::optional<QString> stored = storedComponent(db, key, row.slot);
        QVariantList where = slotValues(key, row.slot);
        if (!stored) {
            if (wanted.isEmpty())
                continue; // nothing stored, nothing wanted
            WriteSetHist(db, QStringLiteral("Insert"), key, row.slot, QString(), wanted, user);
            db.exec(QStringLiteral("insert into component_set (line_id, part_no, mc_id, md_id, slot_code, comp_code, "
                                   "update_user, update_time) values (?, ?, ?, ?, ?, ?, ?, sysdate)"),
                    where << wanted << user);
        } else if (wanted.isEmpty()) {
            WriteSetHist(db, QStringLiteral("Delete"), key, row.slot, *stored, QString(), user);
            db.exec(QStringLiteral("delete from component_set") + kSlotCondition, where);
        } else if (wanted != *stored) {
            WriteSetHist(db, QStringLiteral("Update"), key, row.slot, *stored, wanted, user);
            db.exec(QStringLiteral("update component_set set comp_code = ?, update_user = ?, update_time = sysdate") +
                        kSlotCondition,
                    QVariantList{wanted, user} + where);
        } else {
            continue; // unchanged
        }
        tx.commit();
        ++changed;
    }
    return changed;
}

} // namespace setup
