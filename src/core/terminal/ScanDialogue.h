#pragma once

#include "db/Database.h"
#include "terminal/FrameCodec.h"
#include "terminal/TerminalTable.h"

#include <QString>
#include <optional>

namespace monitor {

// The prompts of the dialogue steps 1 to 6 and the rejection texts of the
// codes 1 to 7.
QString Prompt(int step);
QString RejectionText(int code);

// True when the text reads as a number (blanks around it allowed).
bool ReadsAsNumber(const QString& text, double* value = nullptr);

// What the monitor screen shows for one frame.
struct FrameResult
{
    // The frame was abandoned: it could not be decoded, or the database
    // failed during its step. Nothing was sent and no rejection is reported.
    bool abandoned = false;
    // The key name, "Initialize..." or the payload; unset when the frame
    // leaves the last data text as it was.
    std::optional<QString> lastData;
    // The terminal number as three digits; empty when abandoned.
    QString lastNode;
    // The rejection code, 0 for none.
    int termError = 0;
    // Why a display frame was not sent, when one was not.
    QString sendError;
    // The database failure that abandoned the frame.
    QString dbError;
    // The dialogue step whose statements ran, to their end or, with dbError,
    // to its failure; 0 when the frame ran none.
    int checkedStep = 0;
};

// The last data text and terminal number, kept for the whole process: the
// monitor's data line shows them after every frame, also after one that left
// them as they were (an undecodable frame, a terminal that has not started).
struct LastFrame
{
    QString data;
    QString node;
};
const LastFrame& gLastFrame();

// The scan dialogue of every terminal of a table, checked against the
// set-up in one database. Every scanned text is a bound value. The monitor
// screen keeps one FrameStream per gateway socket, feeds every read through
// it and hands each whole frame here with the socket's remote address.
class ScanDialogue
{
public:
    ScanDialogue(db::Database& db, TerminalTable& table);

    // Handles one whole frame that arrived from the gateway at remoteAddress;
    // every answer goes back through link to the frame's terminal.
    FrameResult ProcessTerminalData(const QByteArray& frame, const QString& remoteAddress, TerminalLink& link);

    // The checks of the steps; each throws db::DbError.
    bool CheckUser(const QString& user);
    bool CheckPartNo(const QString& partNo, const QString& gateway, const QString& terminal);
    bool CheckSlotLink(const QString& barcode, const QString& gateway, const QString& terminal, const QString& partNo);
    // Puts the barcode's machine, module and slot into the row; false when
    // slot_link does not know the barcode.
    bool LoadSlotLink(const QString& barcode, TerminalInfo& row);
    // Verifies the label against the row's slot and records the check; true
    // only for a match. The row takes the label's data only once the record
    // is stored.
    bool CheckComponent(const QString& linkId, TerminalInfo& row);

private:
    struct Answer;
    void runStep(TerminalInfo& row, const QString& payload, Answer& answer);

    db::Database& m_db;
    TerminalTable& m_table;
};

} // namespace monitor
