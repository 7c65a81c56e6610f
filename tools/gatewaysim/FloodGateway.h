#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <atomic>
#include <thread>

// A hostile gateway on its own thread with plain blocking sockets, so that
// its writing goes on however busy the monitor's thread is: it accepts the
// monitor, writes the same bytes over and over and never reads its answers.
namespace gwsim {

class FloodGateway
{
public:
    FloodGateway() = default;
    ~FloodGateway();
    FloodGateway(const FloodGateway&) = delete;
    FloodGateway& operator=(const FloodGateway&) = delete;

    // receiveBuffer > 0 shrinks the link's receive buffer, so that answers
    // the gateway leaves unread back up into the monitor soon.
    bool listen(const QHostAddress& address, quint16 port, int receiveBuffer = 0);
    // Accepts the monitor, sends `first` once, then `chunk` until stop(),
    // pausing pauseMs after each.
    void run(const QByteArray& first, const QByteArray& chunk, int pauseMs = 0);
    void stop();
    long long written() const { return m_written; }
    bool accepted() const { return m_accepted; }

private:
    int m_listener = -1;
    std::thread m_thread;
    std::atomic<bool> m_stop = false;
    std::atomic<bool> m_accepted = false;
    std::atomic<long long> m_written = 0;
};

} // namespace gwsim
