#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QTcpServer>
#include <atomic>
#include <future>
#include <memory>
#include <thread>
#include <vector>

class QTcpSocket;

namespace testing {

// A one-thread HTTP server on the loopback address for the update tests:
// each path answers with its route (status, body), or may send only part of
// the body and close, or accept and never answer, or send on without end, or
// end by a reset. Over TLS its certificate is one no client trusts; it may
// speak no TLS newer than 1.0. Without TLS it answers a TLS greeting as a
// plain HTTP server does.
class HttpTestServer : public QObject
{
public:
    struct Route
    {
        int status = 200;
        QByteArray body = {};
        // Bytes of the body actually sent before the connection is closed;
        // -1 for all. The Content-Length header always gives the whole body.
        qsizetype sendOnly = -1;
        bool silent = false;
        // Header lines of its own ("Location: ...\r\n"); with a
        // Content-Length or a Transfer-Encoding among them the true length
        // is not sent.
        QByteArray headers = {};
        // Sent as it is instead of all the above, then the connection closes.
        QByteArray raw = {};
        // Sent over and over after the rest for as long as the client reads.
        QByteArray repeat = {};
        // The connection ends by a reset instead of a close.
        bool reset = false;
        // The bytes before this offset are sent first, the rest only once
        // the client has read them all: two reads however fast it reads.
        qsizetype pauseAt = -1;
    };

    explicit HttpTestServer(bool tls = false, bool tls10Only = false);

    QString baseUrl() const;
    void route(const QString& path, const Route& r) { m_routes.insert(path, r); }
    // The answer to paths without a route of their own.
    Route fallback{404, QByteArray("not here")};
    // Every path asked for, in order.
    QStringList paths;

private:
    void onRead(QTcpSocket* s);
    void send(QTcpSocket* s, const QByteArray& bytes, const Route& r);

    std::unique_ptr<QTcpServer> m_server;
    QHash<QString, Route> m_routes;
    QHash<QTcpSocket*, QByteArray> m_pending;
};

// A loopback URL on which nothing listens.
QString closedPortUrl();

// A hostile update server on a thread of its own, each connection on one of
// its own: every request is answered with 200, the given head and then
// filler bytes for as long as the client takes them, with no length unless
// one is given. Chunked, the body is one chunk that announces the largest
// size there is and never ends. It sends as fast as the client reads,
// whatever the test's own thread is doing, and no further ahead of the
// client than a few hundred kilobytes: the client is in this process, and
// what the kernel holds for it unread holds the next bytes back.
class HttpFloodServer
{
public:
    explicit HttpFloodServer(const QByteArray& head, qint64 declaredLength = -1, bool chunked = false);
    ~HttpFloodServer();
    HttpFloodServer(const HttpFloodServer&) = delete;
    HttpFloodServer& operator=(const HttpFloodServer&) = delete;

    QString baseUrl() const;
    // Bytes handed to the connections so far: what the client read, and on
    // each connection at most a few hundred kilobytes more.
    qint64 bytesSent() const { return m_sent; }

private:
    void run(std::promise<quint16>* port);
    void serve(qintptr descriptor);

    QByteArray m_head;
    qint64 m_declared;
    bool m_chunked;
    quint16 m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<qint64> m_sent{0};
    std::thread m_thread;
    std::vector<std::thread> m_connections; // touched by m_thread alone until it ends
};

} // namespace testing
