#pragma once

#include <QByteArray>
#include <QList>
#include <functional>

namespace monitor {

// Cuts the byte stream of one gateway connection into frames. TCP keeps no
// frame to one read: a frame may arrive in pieces and two frames may arrive
// in one read. Byte 0 of every frame the gateway sends is the frame's length,
// so the stream is cut by it. A piece that waits longer than the timeout for
// its rest is dropped when the next bytes arrive, so a lost or garbled length
// cannot hold back the frames that follow; the wait never holds more than one
// unfinished frame (at most 254 bytes).
class FrameStream
{
public:
    using Clock = std::function<qint64()>; // milliseconds, monotonic

    static constexpr qint64 kDefaultTimeoutMs = 2000;

    explicit FrameStream(Clock clock = {}, qint64 timeoutMs = kDefaultTimeoutMs);

    // The whole frames completed by these bytes, in order. A length byte too
    // small for any frame cannot be cut by: the rest of the read is handed on
    // as it stands (one read, one frame), and the decoder drops what it cannot
    // read.
    QList<QByteArray> feed(const QByteArray& bytes);

    // Bytes waiting for the rest of their frame.
    qsizetype pending() const { return m_buffer.size(); }
    // Number of unfinished pieces dropped so far.
    int dropped() const { return m_dropped; }
    void clear();

private:
    Clock m_clock;
    qint64 m_timeoutMs;
    QByteArray m_buffer;
    qint64 m_since = 0;
    int m_dropped = 0;
};

} // namespace monitor
