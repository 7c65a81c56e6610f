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

bool FrameStream::endsLikeFrame(QByteArrayView b)
{
    const qsizetype n = b.size();
    if (n < kShortestFrame)
        return false;
    const auto at = [&](qsizetype i) { return static_cast<unsigned char>(b.at(i)); };
    if (at(n - 2) == 0x0D && at(n - 1) == 0x0A)
        return true;
    if (at(n - 2) == 0x00 && at(n - 1) >= 0x3B && at(n - 1) <= 0x41)
        return true;
    return n >= kShortestFrame + 2 && at(n - 4) == 0xFF && at(n - 3) == 0xFF && at(n - 2) == 0xFF
           && at(n - 1) == 0xFF;
}

QList<QByteArray> FrameStream::takeStale()
{
    QList<QByteArray> frames;
    if (!m_buffer.isEmpty() && m_clock() - m_since > m_timeoutMs) {
        frames << m_buffer;
        m_buffer.clear();
    }
    return frames;
}

QList<QByteArray> FrameStream::flush()
{
    QList<QByteArray> frames;
    if (!m_buffer.isEmpty())
        frames << m_buffer;
    m_buffer.clear();
    return frames;
}

QList<QByteArray> FrameStream::feed(const QByteArray& bytes)
{
    QList<QByteArray> frames = takeStale();
    if (bytes.isEmpty())
        return frames;
    const qint64 now = m_clock();
    if (m_buffer.isEmpty())
        m_since = now;
    m_buffer += bytes;

    qsizetype at = 0;
    while (at < m_buffer.size()) {
        const QByteArrayView rest = QByteArrayView(m_buffer).sliced(at);
        const qsizetype length = static_cast<unsigned char>(rest.at(0));
        if (length >= kShortestFrame) {
            if (length > rest.size())
                break; // the rest of the frame is still on its way
            if (endsLikeFrame(rest.first(length))) {
                frames << rest.first(length).toByteArray();
                at += length;
                continue;
            }
        }
        if (endsLikeFrame(rest) || rest.size() >= kMaxFrame) {
            frames << rest.toByteArray();
            at = m_buffer.size();
        }
        break;
    }
    m_buffer.remove(0, at);
    if (!m_buffer.isEmpty() && at > 0)
        m_since = now;
    return frames;
}

} // namespace monitor
