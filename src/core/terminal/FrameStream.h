#pragma once

#include <QByteArray>
#include <QList>
#include <functional>

namespace monitor {

// Cuts the byte stream of one gateway connection into frames. TCP keeps no
// frame to one read: a frame may arrive in pieces and two frames may arrive
// in one read. Byte 0 of a frame is normally its length, and it wins while it
// is plausible: a piece that announces more bytes than have come waits for
// them. Where byte 0 cannot be the length (too small, or the cut there does
// not end the way a frame ends: CR LF, a key code after 00, FF FF FF FF),
// bytes that end like a frame are one frame: a gateway need not put a length
// into a key or start-up frame. An ending counts only after the terminal
// number and the type byte, so a header cut short never passes for a frame.
// A piece that already ends like a frame is handed on at once when the next
// read is a whole frame by itself (its byte 0 its own size): a key frame
// whose byte 0 happens to look like a length must not swallow the next
// terminal's frame. A piece that gets no bytes for longer than the timeout
// is handed on as one frame, so that nothing the terminal sent is silently
// lost and a garbled length cannot hold back what follows; the bytes its
// length still announced are dropped when they come (within a bound of
// time), so that the rest of a stalled frame never passes for a frame of
// another terminal. A piece that grows to 255 bytes without ending like a
// frame can be no frame: it is handed on as it is, and what follows it is
// its rest, dropped up to and including the next frame ending (or until the
// bytes pause for the timeout), so that the middle of an overlong frame never
// passes for a frame of the terminal its byte 7 happens to name. At most one
// unfinished piece (under 255 bytes) is held.
class FrameStream
{
public:
    using Clock = std::function<qint64()>; // milliseconds, monotonic

    static constexpr qint64 kDefaultTimeoutMs = 2000;
    // Longest frame a length byte can announce.
    static constexpr qsizetype kMaxFrame = 255;
    // Shortest frame: the eight header bytes and a two-byte ending.
    static constexpr qsizetype kShortestFrame = 10;

    explicit FrameStream(Clock clock = {}, qint64 timeoutMs = kDefaultTimeoutMs);

    // The whole frames completed by these bytes, in order; a piece that
    // waited past the timeout comes first, on its own.
    QList<QByteArray> feed(const QByteArray& bytes);
    // The waiting piece, when it has waited past the timeout; for a caller
    // that looks in without new bytes (a timer).
    QList<QByteArray> takeStale();
    // The waiting piece as one frame, however long it waited: for a
    // connection about to be closed.
    QList<QByteArray> flush();

    // Bytes waiting for the rest of their frame.
    qsizetype pending() const { return m_buffer.size(); }
    void clear();

    // True when the bytes end the way a frame of any kind ends, with the
    // ending after byte 7.
    static bool endsLikeFrame(QByteArrayView bytes);
    // The length of the whole frame the bytes begin with (byte 0 a plausible
    // length, the bytes up to it ending like a frame); 0 when they do not.
    static qsizetype leadingFrame(QByteArrayView bytes);

private:
    QList<QByteArray> handOnHeld();
    // Drops from fresh what is left of an overlong piece, up to its end.
    void dropOverlongRest(QByteArrayView& fresh, qint64 now);

    Clock m_clock;
    qint64 m_timeoutMs;
    QByteArray m_buffer;
    qint64 m_since = 0; // when the held piece last grew
    qsizetype m_owed = 0;
    qint64 m_owedSince = 0;
    bool m_owedEndsLikeFrame = false;
    bool m_overlong = false; // the rest of an overlong piece is being dropped
    qint64 m_overlongSince = 0;
    QByteArray m_overlongTail; // its last bytes, for an ending cut by a read
};

} // namespace monitor
