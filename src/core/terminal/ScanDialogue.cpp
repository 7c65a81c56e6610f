#include "terminal/ScanDialogue.h"

#include <QRegularExpression>

namespace monitor {

namespace {

const char* const kPrompts[] = {
    "User:", "Part No:", "Initialization:", "Panel No:", "Machine/Module/Slot:", "Component:",
};

const char* const kRejections[] = {
    "Invalid User ID",
    "Invalid Part No",
    "Invalid Initialization",
    "Invalid Panel",
    "Invalid Machine/Module/Slot",
    "Invalid Component",
    "Connet error!   Please restart!",
};

constexpr int kNotStarted = 7;

// The expected component of the slot, the label and the label's reference
// designator, read in one round trip: each joined table is reached by its key
// or index, and a missing row leaves its columns Null.
const QString kLookupSql = QStringLiteral(
    "select s.line_id as set_line, s.comp_code as expected, l.link_id, l.comp_code, l.vender_name, l.lot_no, l.ship_date, l.rt_no, "
    "p.comp_code as proj_comp, p.ref_designator, p.polarity_check "
    "from (select 1 as one) k "
    "left join component_set s on s.line_id = ? and s.part_no = ? and s.mc_id = ? and s.md_id = ? "
    "and s.slot_code = ? "
    "left join component_link l on l.link_id = ? "
    "left join component_proj p on p.comp_code = l.comp_code and p.part_no = ?");
const QString kMatchSql = QStringLiteral(
    "insert into check_history (line_id, part_no, mc_id, md_id, slot_code, comp_code, gw21_ip, dt200_id, "
    "check_value, check_time, update_user, update_time, vender_comp, ref_designator, polarity_check, lot_no, "
    "ship_date, rt_no, link_id, panel_no) "
    "values (?, ?, ?, ?, ?, ?, ?, ?, '0', sysdate, ?, sysdate, ?, ?, ?, ?, ?, ?, ?, ?)");
const QString kMismatchSql = QStringLiteral(
    "insert into check_history (line_id, part_no, mc_id, md_id, slot_code, comp_code, gw21_ip, dt200_id, "
    "check_value, check_time, update_user, update_time, vender_comp, ref_designator, polarity_check, link_id) "
    "values (?, ?, ?, ?, ?, ?, ?, ?, '1', sysdate, ?, sysdate, ?, ?, ?, ?)");
const QString kErrorSql = QStringLiteral(
    "insert into error_history (line_id, part_no, mc_id, md_id, err_slot, err_comp, gw21_ip, dt200_id, "
    "update_time, update_user, vender_comp, ref_designator, polarity_check, link_id) "
    "values (?, ?, ?, ?, ?, ?, ?, ?, sysdate, ?, ?, ?, ?, ?)");

LastFrame& lastFrame()
{
    static LastFrame last;
    return last;
}

} // namespace

const LastFrame& gLastFrame()
{
    return lastFrame();
}

QString Prompt(int step)
{
    if (step < StepUser || step > StepComponent)
        return QString();
    return QString::fromLatin1(kPrompts[step - 1]);
}

QString RejectionText(int code)
{
    if (code < 1 || code > kNotStarted)
        return QString();
    return QString::fromLatin1(kRejections[code - 1]);
}

bool ReadsAsNumber(const QString& text, double* value)
{
    static const QRegularExpression number(QStringLiteral("^\\s*[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?\\s*$"));
    if (!number.match(text).hasMatch())
        return false;
    if (value)
        *value = text.trimmed().toDouble();
    return true;
}

// The answers to one frame, all to the frame's terminal through the link it
// came on.
struct ScanDialogue::Answer
{
    TerminalLink& link;
    QString terminal;
    FrameResult& result;

    void display(const QString& text)
    {
        QString error;
        if (!SendDisplayText(text, terminal, link, &error) && result.sendError.isEmpty())
            result.sendError = error;
    }
    void signal(bool on) { SendSignal(on ? QStringLiteral("on") : QStringLiteral("off"), terminal, link); }
    void reject(int code)
    {
        display(RejectionText(code));
        signal(true);
        result.termError = code;
    }
};

ScanDialogue::ScanDialogue(db::Database& db, TerminalTable& table)
    : m_db(db)
    , m_table(table)
{
}

FrameResult ScanDialogue::ProcessTerminalData(const QByteArray& frame, const QString& remoteAddress,
                                              TerminalLink& link)
{
    FrameResult result;
    const DecodedFrame d = Decode(frame);
    if (d.kind == DecodedFrame::Kind::Abandoned) {
        result.abandoned = true;
        return result;
    }
    TerminalInfo& row = m_table.row(m_table.FindDevice(d.terminal, remoteAddress));
    Answer answer{link, NodeText(d.terminal), result};

    switch (d.kind) {
    case DecodedFrame::Kind::Key:
        if (d.keyName == QLatin1String("F7")) {
            row.restart(false);
            answer.display(Prompt(StepUser));
        } else if (d.keyName == QLatin1String("F4")) {
            // A terminal that has not started has no prompt to repeat.
            if (row.step >= StepUser && row.step <= StepComponent)
                answer.display(Prompt(row.step));
            answer.signal(false);
        }
        result.lastData = d.keyName;
        break;
    case DecodedFrame::Kind::Startup:
        result.lastData = QStringLiteral("Initialize...");
        row.restart(true);
        answer.display(Prompt(StepUser));
        break;
    case DecodedFrame::Kind::Data:
        if (row.step < StepUser || row.step > StepComponent) {
            answer.reject(kNotStarted);
        } else {
            runStep(row, d.payload, answer);
        }
        break;
    case DecodedFrame::Kind::Abandoned:
        break;
    }
    result.lastNode = NodeText(d.terminal);
    if (result.lastData)
        lastFrame().data = *result.lastData;
    lastFrame().node = result.lastNode;
    return result;
}

void ScanDialogue::runStep(TerminalInfo& row, const QString& payload, Answer& answer)
{
    answer.result.lastData = payload;
    const int step = row.step;
    // Each step answers with its next prompt or its rejection.
    bool accepted = false;
    int next = step;
    try {
        switch (step) {
        case StepUser:
            if ((accepted = CheckUser(payload))) {
                row.user_id = payload;
                next = StepPartNo;
            }
            break;
        case StepPartNo:
            if ((accepted = CheckPartNo(payload, row.gw21_ip, row.dt200_id))) {
                row.part_no = payload;
                next = StepInitialization;
            }
            break;
        case StepInitialization: {
            double v = 0;
            if (ReadsAsNumber(payload, &v) && (v == 1 || v == 0)) {
                accepted = true;
                if (v == 1) {
                    row.panel_mode = QStringLiteral("1");
                    next = StepPanel;
                } else {
                    row.panel_no = QStringLiteral("1");
                    row.panel_mode = QStringLiteral("0");
                    next = StepSlot;
                }
            }
            break;
        }
        case StepPanel:
            if ((accepted = ReadsAsNumber(payload))) {
                row.panel_no = payload;
                next = StepSlot;
            }
            break;
        case StepSlot:
            // A barcode the terminal may scan but whose slot is unknown would
            // check the next label against the previous slot.
            accepted = CheckSlotLink(payload, row.gw21_ip, row.dt200_id, row.part_no) && LoadSlotLink(payload, row);
            if (accepted)
                next = StepComponent;
            break;
        case StepComponent:
            if ((accepted = CheckComponent(payload, row))) {
                double mode = 0;
                ReadsAsNumber(row.panel_mode, &mode);
                next = mode != 0 ? StepPanel : StepSlot;
            }
            break;
        default:
            break;
        }
    } catch (const db::DbError& e) {
        // A scan the database could not check is neither right nor wrong:
        // rejecting it would have the operator pull a good reel. Nothing is
        // sent, and the operator scans again once the database answers.
        answer.result.dbError = e.text();
        answer.result.abandoned = true;
        answer.result.checkedStep = step;
        return;
    }
    if (step == StepUser || step == StepPartNo || step == StepSlot || step == StepComponent)
        answer.result.checkedStep = step;
    if (!accepted) {
        answer.reject(step);
        return;
    }
    answer.display(Prompt(next));
    row.step = qint16(next);
}

bool ScanDialogue::CheckUser(const QString& user)
{
    return m_db.count(QStringLiteral("select count(*) from user_list where user_id = ?"), {user}) != 0;
}

bool ScanDialogue::CheckPartNo(const QString& partNo, const QString& gateway, const QString& terminal)
{
    return m_db.count(QStringLiteral("select count(*) from line_set where gw21_ip = ? and dt200_id = ? and part_no = ?"),
                      {gateway, terminal, partNo})
           > 0;
}

bool ScanDialogue::CheckSlotLink(const QString& barcode, const QString& gateway, const QString& terminal,
                                 const QString& partNo)
{
    return m_db.count(QStringLiteral("select count(*) from dt200_link_info where link_no = ? and gw21_ip = ? "
                                     "and dt200_id = ? and part_no = ?"),
                      {barcode, gateway, terminal, partNo})
           != 0;
}

bool ScanDialogue::LoadSlotLink(const QString& barcode, TerminalInfo& row)
{
    db::ResultSet rs =
        m_db.query(QStringLiteral("select mc_id, md_id, slot_code from slot_link where link_no = ?"), {barcode});
    if (rs.eof())
        return false;
    row.mc_id = rs.text(0);
    row.md_id = rs.text(1);
    row.slot_code = rs.text(2);
    return true;
}

bool ScanDialogue::CheckComponent(const QString& linkId, TerminalInfo& row)
{
    db::ResultSet rs = m_db.query(kLookupSql, {row.line_id, row.part_no, row.mc_id, row.md_id, row.slot_code,
                                               linkId, row.part_no});
    // A set-up row whose component is empty is still the slot's set-up: the
    // empty text is then what the label must carry.
    const bool haveSetUp = !rs.eof() && !rs.isNull(QStringLiteral("set_line"));
    const bool haveLabel = !rs.eof() && !rs.isNull(QStringLiteral("link_id"));
    const QString expected = haveSetUp ? rs.text(QStringLiteral("expected")) : QString();

    // What the row will hold once the check is recorded. The reference
    // designator and polarity belong to this label: a label without them
    // leaves them empty rather than repeating an earlier label's.
    TerminalInfo next = row;
    next.link_id = linkId;
    next.ref_designator.clear();
    next.polarity_check.clear();
    if (haveLabel) {
        next.vender_name = rs.text(QStringLiteral("vender_name"));
        next.lot_no = rs.text(QStringLiteral("lot_no"));
        next.ship_date = rs.text(QStringLiteral("ship_date"));
        next.rt_no = rs.text(QStringLiteral("rt_no"));
        if (!rs.isNull(QStringLiteral("proj_comp"))) {
            next.ref_designator = rs.text(QStringLiteral("ref_designator"));
            next.polarity_check = rs.text(QStringLiteral("polarity_check"));
        }
    }

    bool match = false;
    if (haveSetUp && haveLabel) {
        match = expected == rs.text(QStringLiteral("comp_code"));
        const QVariantList where = {next.line_id, next.part_no, next.mc_id,   next.md_id,
                                    next.slot_code, expected,  next.gw21_ip, next.dt200_id,
                                    next.user_id, next.vender_name, next.ref_designator, next.polarity_check};
        if (match) {
            m_db.exec(kMatchSql, where + QVariantList{next.lot_no, next.ship_date, next.rt_no, next.link_id,
                                                      next.panel_no});
        } else {
            m_db.exec(kMismatchSql, where + QVariantList{next.link_id});
        }
    } else {
        m_db.exec(kErrorSql, {next.line_id, next.part_no, next.mc_id, next.md_id, next.slot_code,
                              expected, next.gw21_ip, next.dt200_id,
                              next.user_id, QString(), next.ref_designator, next.polarity_check, next.link_id});
    }
    row = next;
    return match;
}

} // namespace monitor
