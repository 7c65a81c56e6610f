#include "layout/SlotTree.h"

#include "db/Database.h"

#include <QLocale>
#include <cfenv>
#include <cmath>

namespace layout {

int SlotTree::slotCount() const
{
    int n = 0;
    for (const ModuleNode& m : modules)
        n += int(m.slots.size());
    return n;
}

std::optional<int> readWholeNumber(const QString& text)
{
    bool ok = false;
    const double v = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    // nearbyint rounds halves to the even neighbour in the default mode.
    const int saved = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double r = std::nearbyint(v);
    std::fesetround(saved);
    if (r < -32768.0 || r > 32767.0)
        return std::nullopt;
    return int(r);
}

QString numberedId(const QString& machine, int prefixLength, int number)
{
    return machine.left(std::max(prefixLength, 0)) + QString::number(number).rightJustified(3, QLatin1Char('0'));
}

SlotTree generateTree(const QString& machine, int prefixLength, int modules, int slotsPerModule)
{
    SlotTree tree;
    tree.machine = machine;
    int s = 0;
    for (int m = 1; m <= modules; ++m) {
        ModuleNode module;
        module.key = QStringLiteral("M") + QString::number(m);
        module.text = numberedId(machine, prefixLength, m);
        for (int q = 1; q <= slotsPerModule; ++q) {
            ++s;
            module.slots.append({QStringLiteral("S") + QString::number(s), numberedId(machine, prefixLength, q)});
        }
        tree.modules.append(module);
    }
    return tree;
}

QList<SlotRow> treeRows(const SlotTree& tree)
{
    QList<SlotRow> rows;
    for (const ModuleNode& m : tree.modules) {
        for (const SlotNode& s : m.slots)
            rows.append({s.text, m.text, tree.machine});
    }
    return rows;
}

SlotTree treeFromRows(const QString& machine, const QList<SlotRow>& rows)
{
    SlotTree tree;
    tree.machine = machine;
    int k = 0;
    for (const SlotRow& r : rows) {
        if (tree.modules.isEmpty() || tree.modules.last().text != r.mdId) {
            ModuleNode m;
            m.key = QStringLiteral("M") + QString::number(tree.modules.size() + 1);
            m.text = r.mdId;
            tree.modules.append(m);
        }
        ++k;
        tree.modules.last().slots.append({QStringLiteral("S") + QString::number(k), r.slotId});
    }
    return tree;
}

std::optional<CountTexts> loadedCounts(const SlotTree& tree)
{
    const int n = int(tree.modules.size());
    const int k = tree.slotCount();
    if (n == 0 || k == 0)
        return std::nullopt;
    // Fifteen significant digits, no exponent for the counts that occur.
    const QString average = QString::number(double(k) / double(n), 'g', 15);
    return CountTexts{QString::number(n), average.left(3)};
}

QString stepCount(const QString& text, int delta, int maximum)
{
    const std::optional<int> v = readWholeNumber(text);
    if (!v)
        return text;
    if (delta < 0 && *v < 2)
        return text;
    // Stop at the box's limit rather than write a number it would cut.
    if (delta > 0 && *v >= maximum)
        return text;
    return QString::number(*v + delta);
}

SlotTree loadTree(db::Database& db, const QString& machine)
{
    db::ResultSet rs = db.query(QStringLiteral("select slot_id, md_id, mc_id from slot_info where mc_id = ? "
                                               "order by mc_id, md_id, slot_id"),
                                {machine});
    QList<SlotRow> rows;
    for (; !rs.eof(); rs.moveNext())
        rows.append({rs.text(0), rs.text(1), rs.text(2)});
    return treeFromRows(machine, rows);
}

std::optional<SaveFailure> saveTree(db::Database& db, const SlotTree& tree, const QString& userId)
{
    QString current;
    try {
        db::Transaction tx(db);
        db.exec(QStringLiteral("delete from slot_info where mc_id = ?"), {tree.machine});
        const QString insert = QStringLiteral("insert into slot_info (slot_id, md_id, mc_id, update_user, update_time) "
                                              "values (?, ?, ?, ?, sysdate)");
        for (const SlotRow& r : treeRows(tree)) {
            current = r.slotId;
            db.exec(insert, {r.slotId, r.mdId, r.mcId, userId});
        }
        tx.commit();
    } catch (const db::DbError& e) {
        // The transaction is gone by now: whatever waits on the message
        // cannot commit half of it.
        return SaveFailure{e.kind(), current, e.text()};
    }
    return std::nullopt;
}

QString failureMessage(const SaveFailure& failure)
{
    switch (failure.kind) {
    case db::ErrorKind::UniqueViolation:
        return failure.nodeText + QStringLiteral(" already exist.");
    case db::ErrorKind::ValueTooLong:
        return failure.nodeText + QStringLiteral(" length too long.");
    default:
        return failure.description;
    }
}

} // namespace layout
