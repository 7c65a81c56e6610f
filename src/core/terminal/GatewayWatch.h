#pragma once

#include <QDateTime>
#include <QString>
#include <functional>

namespace monitor {

// The workstation's clock as the monitor reads it; tests replace it.
using WallClock = std::function<QDateTime()>;

// A connected gateway that has sent nothing across more than this many
// minute boundaries is reconnected.
constexpr int kSilentMinutes = 5;
// How long a connection attempt may take before it is tried afresh.
constexpr qint64 kConnectGraceSecs = 10;

// Minute boundaries passed between two times: a calendar difference in
// minutes, counted on absolute time so that a daylight-saving change does not
// make the clock jump an hour.
qint64 MinuteBoundaries(const QDateTime& from, const QDateTime& to);

// The watchdog's view of one started gateway.
class GatewayWatch
{
public:
    enum class Action {
        None,
        Reconnect, // not connected, and no attempt is under way
        Reset,     // connected but silent: closed and connected afresh
    };

    // Start, and every new connection attempt the watchdog makes.
    void started(const QDateTime& now);
    // The connection was made: the silence counts from here, so a gateway
    // that comes back after a long outage is not reset at once.
    void connected(const QDateTime& now) { m_lastRx = now; }
    void received(const QDateTime& now) { m_lastRx = now; }

    // What the watchdog does at a tick; the attempt it orders counts from
    // now. connecting: an attempt is under way (host lookup or connecting).
    Action tick(bool isConnected, bool connecting, const QDateTime& now);

    QDateTime lastRx() const { return m_lastRx; }

private:
    QDateTime m_lastRx;
    QDateTime m_attempt;
};

} // namespace monitor
