#include "terminal/GatewayWatch.h"

namespace monitor {

namespace {

qint64 minuteOf(const QDateTime& t)
{
    const qint64 secs = t.toSecsSinceEpoch();
    return secs >= 0 ? secs / 60 : (secs - 59) / 60;
}

} // namespace

qint64 MinuteBoundaries(const QDateTime& from, const QDateTime& to)
{
    return minuteOf(to) - minuteOf(from);
}

void GatewayWatch::started(const QDateTime& now)
{
    m_lastRx = now;
    m_attempt = now;
}

GatewayWatch::Action GatewayWatch::tick(bool isConnected, bool connecting, const QDateTime& now)
{
    if (!isConnected) {
        // An attempt under way gets its time; a failed or dropped one is
        // tried again at once.
        if (connecting && m_attempt.isValid() && m_attempt.secsTo(now) < kConnectGraceSecs)
            return Action::None;
        m_attempt = now;
        return Action::Reconnect;
    }
    if (MinuteBoundaries(m_lastRx, now) > kSilentMinutes) {
        started(now);
        return Action::Reset;
    }
    return Action::None;
}

} // namespace monitor
