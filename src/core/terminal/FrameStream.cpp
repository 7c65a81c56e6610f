#include "terminal/FrameStream.h"

#include <QElapsedTimer>

namespace monitor {

namespace {

qint64 monotonicMs()
{
    static QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return timer.elapsed();
}

// The size of the frame ending (CR LF, a key code after 00, FF FF FF FF)
// that the n bytes read through at end with; 0 when they end with none.
// The decoder knows a start-up frame by its escape text, which ends the same
// way when "FF" comes before three FF bytes: two 'F' bytes, or a byte whose
// escape ends in F and an 'F'.
template<typename At>
qsizetype endingBefore(At at, qsizetype n)
{
    if (n >= 2 && at(n - 2) == 0x0D && at(n - 1) == 0x0A)
        return 2;
    if (n >= 2 && at(n - 2) == 0x00 && at(n - 1) >= 0x3B && at(n - 1) <= 0x41)
        return 2;
    if (n < 4 || at(n - 3) != 0xFF || at(n - 2) != 0xFF || at(n - 1) != 0xFF)
        return 0;
    if (at(n - 4) == 0xFF)
        return 4;
    const auto escapesToF = [](int b) { return b == 'F' || ((b < 32 || b >= 128) && (b & 0x0F) == 0x0F); };
    return n >= 5 && at(n - 4) == 'F' && escapesToF(at(n - 5)) ? 5 : 0;
}

// The bytes of a piece kept to find an ending that a read cut: all but the
// last byte of the longest ending.
constexpr qsizetype kEndingTail = 4;

} // namespace

FrameStream::FrameStream(Clock clock, qint64 timeoutMs)
    : m_clock(clock ? std::move(clock) : Clock(monotonicMs))
    , m_timeoutMs(timeoutMs)
{
}

void FrameStream::clear()
{
    m_buffer.clear();
    m_heldMayBeOwed = false;
    m_owed = 0;
    m_overlong = false;
}

bool FrameStream::endsLikeFrame(QByteArrayView b)
{
    const auto at = [&](qsizetype i) { return static_cast<unsigned char>(b.at(i)); };
    const qsizetype ending = endingBefore(at, b.size());
    const qsizetype header = kShortestFrame - 2; // bytes 0 to 7
    return ending > 0 && b.size() - ending >= header;
}

qsizetype FrameStream::leadingFrame(QByteArrayView b)
{
    if (b.isEmpty())
        return 0;
    const qsizetype length = static_cast<unsigned char>(b.at(0));
    if (length < kShortestFrame || length > b.size())
        return 0;
    return endsLikeFrame(b.first(length)) ? length : 0;
}

qsizetype FrameStream::announcedRest(QByteArrayView b)
{
    if (b.isEmpty())
        return 0;
    const qsizetype length = static_cast<unsigned char>(b.at(0));
    return length >= kShortestFrame && length > b.size() ? length - b.size() : 0;
}

bool FrameStream::wholeByItsByte0(QByteArrayView bytes)
{
    return leadingFrame(bytes) > 0 && endsLikeFrame(bytes);
}

bool FrameStream::nextFrameOfGateway(QByteArrayView fresh, QByteArrayView head)
{
    // Without a true byte 0 the bytes are known to begin a frame only when
    // all six header bytes agree.
    const bool whole = wholeByItsByte0(fresh);
    if (!(whole ? head.size() >= 2 : head.size() >= kHeaderEnd && endsLikeFrame(fresh)))
        return false;
    const qsizetype compared = qMin(head.size(), kHeaderEnd) - 1;
    return fresh.sliced(1, compared) == head.sliced(1, compared);
}

qsizetype FrameStream::continuation(QByteArrayView fresh, QByteArrayView piece, QByteArrayView head, qsizetype rest,
                                    bool handedOn, bool pieceEndsLikeFrame, bool afterPause)
{
    // A piece that was a frame already had a wrong length byte, not a late
    // rest, when a frame with a true one follows.
    if (pieceEndsLikeFrame && leadingFrame(fresh) > 0)
        return 0;
    // After a pause, a whole frame by its own byte 0 that repeats the header
    // bytes the piece began with is the gateway's next frame, also where it
    // is as long as the piece's rest: a rest would repeat them only by
    // chance.
    if (afterPause && nextFrameOfGateway(fresh, head))
        return 0;
    // The rest ends where the length said, the way a frame ends: a read that
    // carries more begins with it, also when the read would end like a frame
    // of its own from its first byte. A true length in byte 0 wins over a
    // read that merely looks like a frame: a gateway's frames are cut by TCP
    // anywhere, and the rest of one comes joined to the frames after it.
    if (rest > 0 && fresh.size() >= rest) {
        // The ending may begin in the piece.
        const QByteArrayView tail = piece.last(qMin(piece.size(), kEndingTail));
        const auto at = [&](qsizetype i) {
            return static_cast<unsigned char>(i < tail.size() ? tail.at(i) : fresh.at(i - tail.size()));
        };
        if (endingBefore(at, tail.size() + rest) > 0)
            return rest;
        // Bytes already handed on are dropped only as their true rest; bytes
        // still held may yet grow into a frame, or past any frame's length.
        if (handedOn)
            return 0;
    }
    // Handed on, the piece's rest is dropped; a frame by itself is not.
    if (handedOn)
        return endsLikeFrame(fresh) ? 0 : fresh.size();
    // Held, a whole frame by its own byte 0 may be the gateway's next frame;
    // bytes that are not can only be the rest, also where they end like a
    // frame: a gateway need not put a true length into byte 0, and the rest
    // of a frame cut after its first bytes ends like one.
    return wholeByItsByte0(fresh) ? 0 : fresh.size();
}

void FrameStream::owe(QByteArrayView piece, bool pieceEndsLikeFrame, qint64 now)
{
    m_owed = announcedRest(piece);
    m_owedTail = piece.last(qMin(piece.size(), kEndingTail)).toByteArray();
    m_owedHead = piece.first(qMin(piece.size(), kHeaderEnd)).toByteArray();
    m_owedSince = now;
    m_owedEndsLikeFrame = pieceEndsLikeFrame;
}

// A piece that waited past the timeout: its rest may still come.
QList<QByteArray> FrameStream::handOnHeld(qint64 now)
{
    QList<QByteArray> frames;
    if (m_buffer.isEmpty())
        return frames;
    owe(m_buffer, false, now);
    frames << m_buffer;
    m_buffer.clear();
    return frames;
}

void FrameStream::dropOverlongRest(QByteArrayView& fresh, qint64 firstArrival, qint64 now)
{
    if (firstArrival - m_overlongSince > m_timeoutMs) {
        m_overlong = false;
        return;
    }
    // Any ending counts here: these bytes are the middle of a frame, not its
    // header. The tail lets an ending span two reads.
    const qsizetype tail = m_overlongTail.size();
    const auto at = [&](qsizetype i) {
        return static_cast<unsigned char>(i < tail ? m_overlongTail.at(i) : fresh.at(i - tail));
    };
    for (qsizetype i = tail; i < tail + fresh.size(); ++i) {
        if (endingBefore(at, i + 1) > 0) {
            m_overlong = false;
            fresh = fresh.sliced(i + 1 - tail);
            return;
        }
    }
    m_overlongTail = (m_overlongTail + fresh.last(qMin(fresh.size(), kEndingTail)).toByteArray()).right(kEndingTail);
    m_overlongSince = now;
    fresh = {};
}

QList<QByteArray> FrameStream::takeStale(qint64 upTo)
{
    if (m_buffer.isEmpty() || upTo - m_since <= m_timeoutMs)
        return {};
    const bool owed = m_heldMayBeOwed;
    m_heldMayBeOwed = false;
    QList<QByteArray> frames = handOnHeld(upTo);
    // Most likely the unfinished rest a frame announced: dropped like it.
    if (owed)
        frames.clear();
    return frames;
}

QList<QByteArray> FrameStream::flush()
{
    QList<QByteArray> frames;
    if (endsLikeFrame(m_buffer))
        frames << m_buffer;
    clear();
    return frames;
}

QList<QByteArray> FrameStream::feed(const QByteArray& bytes, qint64 firstArrival, qint64 lastArrival)
{
    // Pauses end with the first of the bytes; what they leave waiting waits
    // from the last.
    QList<QByteArray> frames = takeStale(firstArrival);
    if (bytes.isEmpty())
        return frames;
    const qint64 now = qMax(firstArrival, lastArrival);
    QByteArrayView fresh(bytes);

    QByteArray afterRest;
    if (m_owed > 0) {
        // Bytes held since are looked at again with the fresh ones.
        const QByteArray held = m_heldMayBeOwed ? m_buffer + bytes : QByteArray();
        const QByteArrayView since = m_heldMayBeOwed ? QByteArrayView(held) : fresh;
        // A rest later than another wait is not the handed-on piece's.
        const qsizetype rest =
            firstArrival - m_owedSince > m_timeoutMs ? 0
                                                     : continuation(since, m_owedTail, m_owedHead, m_owed, true,
                                                                    m_owedEndsLikeFrame, true);
        m_heldMayBeOwed = false;
        if (rest == 0) {
            m_owed = 0;
        } else if (m_owedEndsLikeFrame && rest < m_owed && announcedRest(since) > 0) {
            // The piece was a frame already, so its byte 0 may have been no
            // length at all: bytes that are not yet its whole rest but begin
            // like a frame may be the head of one with a true byte 0, and
            // are held until the one or the other ends where its byte 0
            // said.
            m_buffer = since.toByteArray();
            m_heldMayBeOwed = true;
            m_since = m_owedSince = now;
            return frames;
        } else {
            m_owed -= rest;
            m_owedSince = now;
            m_owedTail = (m_owedTail + since.first(rest).toByteArray()).right(kEndingTail);
            m_buffer.clear();
            afterRest = since.sliced(rest).toByteArray();
            fresh = afterRest;
            if (fresh.isEmpty())
                return frames;
        }
    }
    if (m_overlong) {
        dropOverlongRest(fresh, firstArrival, now);
        if (fresh.isEmpty())
            return frames;
    }
    // TCP keeps the order of the gateway's writes: once another frame comes,
    // what the held piece lacks will not. The rest of a frame that TCP cut
    // inside a burst comes at once.
    const bool afterPause = firstArrival - m_since > kAtOnceMs;
    if (!m_buffer.isEmpty()
        && continuation(fresh, m_buffer, m_buffer, announcedRest(m_buffer), false, false, afterPause) == 0) {
        frames << m_buffer;
        m_buffer.clear();
    }
    m_buffer += fresh;

    qsizetype at = 0;
    while (at < m_buffer.size()) {
        const QByteArrayView rest = QByteArrayView(m_buffer).sliced(at);
        const qsizetype length = static_cast<unsigned char>(rest.at(0));
        if (length >= kShortestFrame && length <= rest.size() && endsLikeFrame(rest.first(length))) {
            frames << rest.first(length).toByteArray();
            at += length;
            continue;
        }
        if (endsLikeFrame(rest)) {
            // A frame now, whatever byte 0 announced: what it still announced
            // is dropped if it comes.
            frames << rest.toByteArray();
            owe(rest, true, now);
            at = m_buffer.size();
        } else if (rest.size() >= kMaxFrame) {
            // No frame is this long: hand it on and drop its rest.
            frames << rest.toByteArray();
            at = m_buffer.size();
            m_overlong = true;
            m_overlongSince = now;
            m_overlongTail = rest.last(kEndingTail).toByteArray();
        }
        break;
    }
    m_buffer.remove(0, at);
    // The wait counts from the latest bytes, not from the piece's first.
    if (!m_buffer.isEmpty())
        m_since = now;
    return frames;
}

} // namespace monitor
