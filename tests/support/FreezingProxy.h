#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

// A loopback relay to a TCP server that can be frozen, as a server whose
// process is stopped while its host still answers: it then neither forwards
// nor accepts, in either direction, but keeps every socket open, so the
// kernel still acknowledges what is sent. A freeze thaws by itself after
// the time given, so that a test of a client without bounds fails instead
// of hanging.
class FreezingProxy
{
public:
    FreezingProxy(const QString& host, int port);
    ~FreezingProxy();
    FreezingProxy(const FreezingProxy&) = delete;
    FreezingProxy& operator=(const FreezingProxy&) = delete;

    int port() const { return m_port; }
    void freeze(std::chrono::milliseconds thawAfter = std::chrono::seconds(30));
    // Freezes when the client sends the bytes: what came with them waits, as
    // in a frozen server's socket, and reaches the server once thawed.
    void freezeAt(const QByteArray& sent, std::chrono::milliseconds thawAfter = std::chrono::seconds(30));
    void thaw();

private:
    void run();
    bool frozen();
    // True when the bytes hold what freezeAt waits for; the freeze starts.
    bool heldAt(const QByteArray& sent);

    QString m_host;
    int m_upstreamPort;
    int m_listen = -1;
    int m_port = 0;
    std::mutex m_mutex;
    std::chrono::steady_clock::time_point m_thawAt;
    QByteArray m_freezeAt;
    std::chrono::milliseconds m_freezeFor {};
    std::atomic<bool> m_stop = false;
    std::thread m_thread;
};
