#include "terminal/FrameStream.h"

#include "terminal/FrameCodec.h"

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

} // namespace

FrameStream::FrameStream(Clock clock, qint64 timeoutMs)
    : m_clock(clock ? std::move(clock) : Clock(monotonicMs))
    , m_timeoutMs(timeoutMs)
{
}

void FrameStream::clear()
{
    m_buffer.clear();
}

QList<QByteArray> FrameStream::feed(const QByteArray& bytes)
{
    QList<QByteArray> frames;
    if (bytes.isEmpty())
        return frames;
    const qint64 now = m_clock();
    if (!m_buffer.isEmpty() && now - m_since > m_timeoutMs) {
        m_buffer.clear();
        ++m_dropped;
    }
    if (m_buffer.isEmpty())
        m_since = now;
    m_buffer += bytes;

    qsizetype at = 0;
    while (at < m_buffer.size()) {
        const int length = static_cast<unsigned char>(m_buffer.at(at));
        if (length < kMinFrame) {
            frames << m_buffer.mid(at);
            at = m_buffer.size();
            break;
        }
        if (m_buffer.size() - at < length)
            break;
        frames << m_buffer.mid(at, length);
        at += length;
    }
    m_buffer.remove(0, at);
    if (!m_buffer.isEmpty() && at > 0)
        m_since = now;
    return frames;
}

} // namespace monitor
