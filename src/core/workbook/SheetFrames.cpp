#include "workbook/SheetFrames.h"

#include "workbook/SheetReader.h"

#include <QtEndian>

namespace workbook {

namespace {

const QByteArray kMagic("XLR1");
constexpr quint32 kCellHead = 6; // row and column
// A cell's text as UTF-8: at most three bytes for each UTF-16 unit.
constexpr quint32 kMaxCellFrame = kCellHead + 3 * kMaxCellChars;
constexpr quint32 kMaxReasonBytes = 4096;

void appendBig(QByteArray& out, quint32 value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        out.append(char((value >> (8 * i)) & 0xFF));
}

} // namespace

FrameWriter::FrameWriter(std::function<bool(const QByteArray&)> out) : m_out(std::move(out))
{
    m_buffer = kMagic;
}

void FrameWriter::frame(char tag, const QByteArray& payload)
{
    m_buffer.append(tag);
    appendBig(m_buffer, quint32(payload.size()), 4);
    m_buffer.append(payload);
    if (m_buffer.size() >= (1 << 20))
        flush();
}

void FrameWriter::cell(int row, int column, const QString& text)
{
    QByteArray payload;
    appendBig(payload, quint32(row), 4);
    appendBig(payload, quint32(column), 2);
    payload.append(text.toUtf8());
    frame('C', payload);
    ++m_cells;
}

void FrameWriter::end()
{
    QByteArray payload;
    appendBig(payload, m_cells, 4);
    frame('Z', payload);
}

void FrameWriter::refuse(const QString& reason)
{
    QByteArray text = reason.toUtf8();
    if (text.size() > qsizetype(kMaxReasonBytes))
        text = reason.left(kMaxReasonBytes / 4).toUtf8();
    frame('E', text);
}

bool FrameWriter::flush()
{
    if (m_ok && !m_buffer.isEmpty())
        m_ok = m_out(m_buffer);
    m_buffer.clear();
    return m_ok;
}

bool FrameDecoder::fail(const QString& what)
{
    if (m_failure.isEmpty())
        m_failure = what;
    m_pending.clear();
    m_rows.clear();
    return false;
}

bool FrameDecoder::feed(const QByteArray& bytes)
{
    if (!m_failure.isEmpty())
        return false;
    m_pending.append(bytes);
    qsizetype at = 0;
    if (!m_magicSeen) {
        if (m_pending.size() < kMagic.size())
            return true;
        if (!m_pending.startsWith(kMagic))
            return fail(QStringLiteral("The reader's answer is malformed: it does not begin as one."));
        m_magicSeen = true;
        at = kMagic.size();
    }
    while (m_pending.size() - at >= 5) {
        const char* head = m_pending.constData() + at;
        const quint32 size = qFromBigEndian<quint32>(head + 1);
        if (m_complete || !m_refusal.isEmpty())
            return fail(QStringLiteral("The reader's answer is malformed: bytes follow its end."));
        const quint32 limit = head[0] == 'C' ? kMaxCellFrame : head[0] == 'E' ? kMaxReasonBytes : 4;
        if (size > limit)
            return fail(QStringLiteral("The reader's answer is malformed: a frame of %1 bytes.").arg(size));
        if (quint64(m_pending.size() - at - 5) < size)
            break;
        if (!take(head[0], head + 5, size))
            return false;
        at += 5 + qsizetype(size);
    }
    m_pending.remove(0, at);
    if ((m_complete || !m_refusal.isEmpty()) && !m_pending.isEmpty())
        return fail(QStringLiteral("The reader's answer is malformed: bytes follow its end."));
    return true;
}

bool FrameDecoder::take(char tag, const char* payload, quint32 size)
{
    switch (tag) {
    case 'C': {
        if (size <= kCellHead)
            return fail(QStringLiteral("The reader's answer is malformed: an empty cell."));
        const quint32 row = qFromBigEndian<quint32>(payload);
        const quint16 column = qFromBigEndian<quint16>(payload + 4);
        if (row >= quint32(kMaxRows) || column >= kMaxColumns)
            return fail(QStringLiteral("The reader's answer is malformed: a cell outside the sheet."));
        ++m_cells;
        if (m_rows.size() <= qsizetype(row))
            m_rows.resize(qsizetype(row) + 1);
        QStringList& r = m_rows[qsizetype(row)];
        if (r.size() <= column) {
            m_places += column + 1 - r.size();
            if (m_places > kMaxSheetPlaces)
                return fail(QStringLiteral("The sheet is too large: its rows hold more than %1 cells, counting the "
                                           "empty ones before the last filled cell of each row.")
                                .arg(kMaxSheetPlaces));
            r.resize(column + 1);
        }
        // Every cell that arrives counts, a replaced one too: what is held
        // never passes the bound, whatever the reader sends.
        QString text = QString::fromUtf8(payload + kCellHead, qsizetype(size - kCellHead));
        m_chars += text.size();
        if (m_chars > kMaxSheetChars)
            return fail(sheetTextTooLarge());
        r[column] = std::move(text);
        return true;
    }
    case 'Z':
        if (size != 4 || qFromBigEndian<quint32>(payload) != quint64(m_cells))
            return fail(QStringLiteral("The reader's answer is malformed: its count of cells does not match."));
        m_complete = true;
        return true;
    case 'E':
        m_refusal = QString::fromUtf8(payload, qsizetype(size));
        if (m_refusal.isEmpty())
            return fail(QStringLiteral("The reader's answer is malformed: a refusal without a reason."));
        m_rows.clear();
        return true;
    default:
        return fail(QStringLiteral("The reader's answer is malformed: an unknown frame."));
    }
}

} // namespace workbook
