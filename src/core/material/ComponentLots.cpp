#include "material/ComponentLots.h"

#include "material/LinkId.h"

namespace material {

namespace {

// Advisory lock keys of identifier allocation: this base plus the prefix as a
// number, so that only allocations of the same type and day wait for each other.
constexpr qint64 kAllocationLockBase = qint64(0x4C4E4B) << 32;

qint64 lockKey(const QString& prefix)
{
    bool ok = false;
    const qint64 n = prefix.toLongLong(&ok);
    return kAllocationLockBase + (ok ? n : qint64(qHash(prefix) & 0x7fffffff));
}

} // namespace

QString InsertLot(db::Database& db, const Lot& lot, const QString& user)
{
    QString id = lot.linkId.trimmed();
    const QString prefix = id.left(kPrefixLength);
    db::Transaction tx(db, lockKey(prefix));
    const QString insert = QStringLiteral(
        "insert into component_link (link_id, comp_code, vender_name, vender_desc, lot_no, ship_date, rt_no, proj_id, "
        "part_no, ref_designator, polarity_check, update_user, update_time) "
        "values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, sysdate)");
    auto values = [&] {
        return QVariantList{id,          lot.compCode, lot.venderName, lot.venderDesc,
                            lot.lotNo,   lot.shipDate, lot.rtNo,       lot.projId,
                            lot.partNo,  lot.refDesignator, lot.polarityCheck, user};
    };
    // Nothing is stored when another workstation stored the shown identifier
    // first; then the next free one of its prefix is taken, which no other
    // allocation can take while this transaction holds the lock.
    if (prefix.size() < kPrefixLength) {
        db.exec(insert, values());
    } else if (db.exec(insert + QStringLiteral(" on conflict (link_id) do nothing"), values()) == 0) {
        id = NextAfter(prefix, HighestLinkId(db, prefix));
        db.exec(insert, values());
    }
    tx.commit();
    return id;
}

void UpdateLot(db::Database& db, const Lot& lot, const QString& user)
{
    db.exec(QStringLiteral("update component_link set comp_code = ?, vender_name = ?, proj_id = ?, part_no = ?, "
                           "ref_designator = ?, polarity_check = ?, vender_desc = ?, lot_no = ?, ship_date = ?, "
                           "rt_no = ?, update_user = ?, update_time = sysdate where link_id = ?"),
            {lot.compCode, lot.venderName, lot.projId, lot.partNo, lot.refDesignator, lot.polarityCheck,
             lot.venderDesc, lot.lotNo, lot.shipDate, lot.rtNo, user, lot.linkId.trimmed()});
}

void DeleteLot(db::Database& db, const QString& linkId)
{
    db.exec(QStringLiteral("delete from component_link where link_id = ?"), {linkId.trimmed()});
}

} // namespace material
