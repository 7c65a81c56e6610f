#pragma once

#include <QByteArray>
#include <QList>
#include <functional>

namespace monitor {

// Cuts the byte stream of one gateway connection into frames. TCP keeps no
// frame to one read: a frame may arrive in pieces and two frames may arrive
// in one read. Byte 0 of a data frame is normally its length, so the stream
// is cut by it, but only where the cut ends the way a frame ends (CR LF, a
// key code after 00, or FF FF FF FF): a gateway need not put a length into a
// key or start-up frame. Bytes that end like a frame and cannot be cut by
// their length are one frame, as a gateway sends one frame per write. A piece
// that waits longer than the timeout is handed on as one frame, so that
// nothing the terminal sent is silently lost and a garbled length cannot hold
// back what follows. At most one unfinished piece (under 255 bytes) is held.
class FrameStream
{
public:
    using Clock = std::function<qint64()>; // milliseconds, monotonic

    static constexpr qint64 kDefaultTimeoutMs = 2000;
    // Longest frame a length byte can announce.
    static constexpr qsizetype kMaxFrame = 255;

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

    // True when the bytes end the way a frame of any kind ends.
    static bool endsLikeFrame(QByteArrayView bytes);

private:
    Clock m_clock;
    qint64 m_timeoutMs;
    QByteArray m_buffer;
    qint64 m_since = 0;
};

} // namespace monitor
