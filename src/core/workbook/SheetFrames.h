#pragma once

#include "workbook/Workbook.h"

#include <QByteArray>
#include <QString>
#include <functional>

// The reader program's answer on its standard output: "XLR1", then frames
// of a tag byte, a 32-bit big-endian length and that many bytes. 'C' is a
// cell (32-bit row, 16-bit column, UTF-8 text); the answer ends with 'Z'
// (the 32-bit count of cells: the sheet was read whole) or 'E' (UTF-8: why
// it cannot be read), and nothing follows.
namespace workbook {

// What the rows handed back may take, whatever the sheet declares: the
// places up to the last cell of each row, filled or not. A million rows of
// 16 columns fit. Their text together is bounded by kMaxSheetChars.
constexpr qint64 kMaxSheetPlaces = qint64(1) << 24;

class FrameWriter
{
public:
    // out gets the bytes in pieces; false from it stops the writing.
    explicit FrameWriter(std::function<bool(const QByteArray&)> out);
    void cell(int row, int column, const QString& text);
    void end();
    void refuse(const QString& reason);
    // Hands on what is buffered; false when out failed at any time.
    bool flush();

private:
    void frame(char tag, const QByteArray& payload);

    std::function<bool(const QByteArray&)> m_out;
    QByteArray m_buffer;
    quint32 m_cells = 0;
    bool m_ok = true;
};

// Checks the answer as it arrives, trusting none of its lengths, and builds
// the rows from it.
class FrameDecoder
{
public:
    // Takes the next bytes; false once the answer is malformed or past the
    // limits above (failure() says which), after which bytes are ignored.
    bool feed(const QByteArray& bytes);

    // Why the answer was refused: a sentence; empty while it holds.
    const QString& failure() const { return m_failure; }
    // The reader's own refusal ('E'), and whether it read the sheet whole.
    const QString& refusal() const { return m_refusal; }
    bool complete() const { return m_complete; }
    Rows takeRows() { return std::move(m_rows); }

private:
    bool fail(const QString& what);
    bool take(char tag, const char* payload, quint32 size);

    QByteArray m_pending;
    bool m_magicSeen = false;
    bool m_complete = false;
    QString m_refusal;
    QString m_failure;
    Rows m_rows;
    qint64 m_cells = 0;
    qint64 m_places = 0;
    qint64 m_chars = 0;
};

} // namespace workbook
