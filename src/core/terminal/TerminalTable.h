#pragma once

#include "db/Database.h"

#include <QString>
#include <array>

namespace monitor {

// The dialogue states of a terminal.
enum Step : qint16 {
    StepNotStarted = 0,
    StepUser = 1,
    StepPartNo = 2,
    StepInitialization = 3,
    StepPanel = 4,
    StepSlot = 5,
    StepComponent = 6,
};

// One terminal of the line set-up and its place in the scan dialogue.
struct TerminalInfo
{
    QString gw21_ip;
    QString dt200_id; // as stored: three digits
    QString line_id;
    QString part_no;
    QString mc_id;
    QString md_id;
    QString slot_code;
    qint16 step = StepNotStarted;
    QString user_id;
    QString ref_designator;
    QString polarity_check;
    QString lot_no;
    QString ship_date;
    QString rt_no;
    QString vender_name;
    QString link_id;
    QString panel_no;
    QString panel_mode;

    // What F7 clears; the start-up frame clears link_id as well.
    void restart(bool clearLinkId);
};

// Row 0 serves every terminal that the set-up does not know; rows 1 to 50
// hold the terminals of line_set.
class TerminalTable
{
public:
    static constexpr int kRows = 50;

    struct LoadResult
    {
        int loaded = 0;
        // Rows of line_set beyond the kRows the table holds.
        int leftOut = 0;
    };

    TerminalInfo& row(int i) { return m_rows.at(size_t(i)); }
    const TerminalInfo& row(int i) const { return m_rows.at(size_t(i)); }
    int loaded() const { return m_loaded; }

    // The first row from 1 whose gateway equals the address exactly and whose
    // stored terminal id reads as the terminal number; 0 when none does.
    int FindDevice(int terminal, const QString& remoteAddress) const;

    // Rebuilds rows 1 to 50 from the distinct terminals of line_set, in a
    // fixed order. A terminal keeps its dialogue only when its gateway,
    // terminal id and line are unchanged; every other row starts afresh, so
    // no terminal takes over another one's user, part number or step.
    // Throws db::DbError; the table is left as it was then.
    LoadResult LoadDevices(db::Database& db);

    void clear();

private:
    std::array<TerminalInfo, kRows + 1> m_rows;
    int m_loaded = 0;
};

// The table of the process; it outlives the monitor screen.
TerminalTable& gTerminals();

} // namespace monitor
