#include "material/ComponentLots.h"

#include "material/LinkId.h"

namespace material {

QString InsertLot(db::Database& db, const Lot& lot, const QString& user)
{
    QString id = lot.linkId.trimmed();
    const QString prefix = id.left(kPrefixLength);
    // Only allocations of the same type and day wait for each other.
    db::Transaction tx(db, QStringLiteral("component_link.link_id ") + prefix);
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

int UpdateLot(db::Database& db, const Lot& lot, const QString& user)
{
    return db.exec(QStringLiteral("update component_link set comp_code = ?, vender_name = ?, proj_id = ?, part_no = ?, "
                           "ref_designator = ?, polarity_check = ?, vender_desc = ?, lot_no = ?, ship_date = ?, "
                           "rt_no = ?, update_user = ?, update_time = sysdate where link_id = ?"),
            {lot.compCode, lot.venderName, lot.projId, lot.partNo, lot.refDesignator, lot.polarityCheck,
             lot.venderDesc, lot.lotNo, lot.shipDate, lot.rtNo, user, lot.linkId.trimmed()});
}

int DeleteLot(db::Database& db, const QString& linkId)
{
    return db.exec(QStringLiteral("delete from component_link where link_id = ?"), {linkId.trimmed()});
}

} // namespace material
