#pragma once

#include <QSqlDatabase>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <sys/types.h>
#include <thread>

namespace db::detail {

// Ends a server call that outlives its deadline by shutting the connection's
// socket down, so the blocked call fails as a lost connection. This is for a
// server process that is frozen while its host still acknowledges every
// packet: neither the server's own time-outs nor TCP's notice that. The
// socket is only shut down, never closed, so its descriptor cannot be reused
// while the driver still holds it.
class SocketDeadline
{
public:
    explicit SocketDeadline(std::chrono::milliseconds limit);
    ~SocketDeadline();
    SocketDeadline(const SocketDeadline&) = delete;
    SocketDeadline& operator=(const SocketDeadline&) = delete;

    // Starts the limit for the server connection's socket; does nothing for
    // a connection without one (SQLite).
    void arm(const QSqlDatabase& conn);
    // Once this returns, the socket is no longer touched.
    void disarm();

private:
    void watch();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    const std::chrono::milliseconds m_limit;
    std::chrono::steady_clock::time_point m_due;
    int m_socket = -1;
    ino_t m_identity = 0;
    bool m_stop = false;
    std::thread m_thread;
};

} // namespace db::detail
