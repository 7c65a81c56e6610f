#include "terminal/TerminalTable.h"

namespace monitor {

void TerminalInfo::restart(bool clearLinkId)
{
    step = StepUser;
    md_id.clear();
    part_no.clear();
    slot_code.clear();
    user_id.clear();
    ref_designator.clear();
    polarity_check.clear();
    lot_no.clear();
    ship_date.clear();
    rt_no.clear();
    panel_no.clear();
    if (clearLinkId)
        link_id.clear();
}

int TerminalTable::FindDevice(int terminal, const QString& remoteAddress) const
{
    for (int i = 1; i <= kRows; ++i) {
        const TerminalInfo& r = m_rows[size_t(i)];
        if (r.gw21_ip != remoteAddress || r.dt200_id.isEmpty())
            continue;
        bool ok = false;
        const int id = r.dt200_id.trimmed().toInt(&ok);
        if (ok && id == terminal)
            return i;
    }
    return 0;
}

TerminalTable::LoadResult TerminalTable::LoadDevices(db::Database& db)
{
    db::ResultSet rs = db.query(QStringLiteral("select distinct line_id, mc_id, gw21_ip, dt200_id from line_set "
                                               "order by gw21_ip, dt200_id, line_id, mc_id"));
    std::array<TerminalInfo, kRows + 1> fresh;
    fresh[0] = m_rows[0];
    std::array<bool, kRows + 1> taken{};
    LoadResult result;
    for (; !rs.eof(); rs.moveNext()) {
        if (result.loaded == kRows) {
            ++result.leftOut;
            continue;
        }
        TerminalInfo& r = fresh[size_t(++result.loaded)];
        r.line_id = rs.text(0);
        r.mc_id = rs.text(1);
        r.gw21_ip = rs.text(2);
        r.dt200_id = rs.text(3);
        // The same terminal on the same line: its operator goes on where he
        // was. Rows pair up in order when a terminal serves several machines.
        for (int old = 1; old <= m_loaded; ++old) {
            const TerminalInfo& o = m_rows[size_t(old)];
            if (taken[size_t(old)] || o.gw21_ip != r.gw21_ip || o.dt200_id != r.dt200_id || o.line_id != r.line_id)
                continue;
            taken[size_t(old)] = true;
            const QString machine = r.mc_id;
            r = o;
            // The machine of a scanned slot stays with its slot; otherwise
            // the set-up's machine is the one to show.
            if (o.step != StepComponent)
                r.mc_id = machine;
            break;
        }
    }
    m_rows = fresh;
    m_loaded = result.loaded;
    return result;
}

void TerminalTable::clear()
{
    m_rows = {};
    m_loaded = 0;
}

TerminalTable& gTerminals()
{
    static TerminalTable table;
    return table;
}

} // namespace monitor
