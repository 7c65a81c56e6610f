#include "HttpTestServer.h"

#include "TestFiles.h"

#include <QFile>
#include <QSslKey>
#include <QSslServer>
#include <QTcpSocket>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <sys/socket.h>

#ifdef __linux__
#include <QDir>
#include <arpa/inet.h>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#endif

namespace testing {

namespace {
qint64 unreadBytes(QTcpSocket& s);
}

HttpTestServer::HttpTestServer(bool tls, bool tls10Only)
{
    if (tls) {
        auto server = std::make_unique<QSslServer>();
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        QFile key(dataFile("update/self-signed.key"));
        key.open(QIODevice::ReadOnly);
        config.setPrivateKey(QSslKey(&key, QSsl::Ec));
        config.setLocalCertificateChain(QSslCertificate::fromPath(dataFile("update/self-signed.pem")));
        if (tls10Only) {
            QT_WARNING_PUSH
            QT_WARNING_DISABLE_DEPRECATED
            config.setProtocol(QSsl::TlsV1_0);
            QT_WARNING_POP
        }
        server->setSslConfiguration(config);
        m_server = std::move(server);
    } else {
        m_server = std::make_unique<QTcpServer>();
    }
    m_server->listen(QHostAddress::LocalHost, 0);
    connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, this, [this] {
        while (QTcpSocket* s = m_server->nextPendingConnection()) {
            connect(s, &QTcpSocket::readyRead, this, [this, s] { onRead(s); });
            connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
        }
    });
}

QString HttpTestServer::baseUrl() const
{
    const bool tls = qobject_cast<QSslServer*>(m_server.get());
    return QStringLiteral("%1://127.0.0.1:%2/").arg(tls ? "https" : "http").arg(m_server->serverPort());
}

void HttpTestServer::onRead(QTcpSocket* s)
{
    QByteArray& buf = m_pending[s];
    buf += s->readAll();
    if (buf.startsWith('\x16')) { // a TLS handshake record
        m_pending.remove(s);
        send(s, "HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\nConnection: close\r\n\r\n", Route {});
        return;
    }
    if (!buf.contains("\r\n\r\n"))
        return;
    const QList<QByteArray> first = buf.left(buf.indexOf("\r\n")).split(' ');
    const QString path = QString::fromLatin1(first.value(1));
    paths << path;
    m_pending.remove(s);
    const Route r = m_routes.value(path, fallback);
    if (r.silent)
        return;
    if (!r.raw.isEmpty()) {
        send(s, r.raw, r);
        return;
    }
    const QByteArray reason = r.status == 200 ? "OK" : r.status == 302 ? "Found" : "Not Found";
    const QByteArray body = r.sendOnly < 0 ? r.body : r.body.left(r.sendOnly);
    const QByteArray own = r.headers.toLower();
    QByteArray head = "HTTP/1.1 " + QByteArray::number(r.status) + " " + reason + "\r\nConnection: close\r\n";
    if (!own.contains("content-type:"))
        head += "Content-Type: application/octet-stream\r\n";
    head += r.headers;
    if (!own.contains("content-length:") && !own.contains("transfer-encoding:"))
        head += "Content-Length: " + QByteArray::number(r.body.size()) + "\r\n";
    send(s, head + "\r\n" + body, r);
}

void HttpTestServer::send(QTcpSocket* s, const QByteArray& bytes, const Route& r)
{
    if (r.pauseAt >= 0) {
        s->write(bytes.left(r.pauseAt));
        auto* wait = new QTimer(s);
        Route rest = r;
        rest.pauseAt = -1;
        connect(wait, &QTimer::timeout, s, [this, s, wait, tail = bytes.mid(r.pauseAt), rest] {
            if (unreadBytes(*s) > 0)
                return;
            wait->deleteLater();
            send(s, tail, rest);
        });
        wait->start(10);
        return;
    }
    s->write(bytes);
    if (!r.repeat.isEmpty()) {
        // A little ahead of the client, never more.
        const QByteArray block = r.repeat.repeated(qMax<qsizetype>(1, (64 * 1024) / r.repeat.size()));
        auto more = [s, block] {
            while (s->state() == QAbstractSocket::ConnectedState && s->bytesToWrite() < 4 * block.size())
                s->write(block);
        };
        connect(s, &QTcpSocket::bytesWritten, s, more);
        more();
    } else if (r.reset) {
        // Once all is with the kernel: a close that drops what it holds.
        auto cut = [s] {
            if (s->bytesToWrite() > 0)
                return;
            const linger now { 1, 0 };
            ::setsockopt(int(s->socketDescriptor()), SOL_SOCKET, SO_LINGER, &now, sizeof now);
            s->abort();
        };
        connect(s, &QTcpSocket::bytesWritten, s, cut);
    } else {
        s->disconnectFromHost();
    }
}

QString closedPortUrl()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return QStringLiteral("http://127.0.0.1:%1").arg(port);
}

HttpFloodServer::HttpFloodServer(const QByteArray& head, qint64 declaredLength, bool chunked)
    : m_head(head), m_declared(declaredLength), m_chunked(chunked)
{
    std::promise<quint16> port;
    std::future<quint16> ready = port.get_future();
    m_thread = std::thread([this, &port] { run(&port); });
    m_port = ready.get();
}

HttpFloodServer::~HttpFloodServer()
{
    m_stop = true;
    m_thread.join();
    for (std::thread& t : m_connections)
        t.join();
}

QString HttpFloodServer::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1/").arg(m_port);
}

namespace {

// Hands each connection's descriptor on, so that it is served on a thread
// of its own as a real server would: a client that stops reading one
// answer does not hold up its other requests.
class Acceptor : public QTcpServer
{
public:
    std::function<void(qintptr)> accepted;

protected:
    void incomingConnection(qintptr descriptor) override { accepted(descriptor); }
};

} // namespace

#ifdef __linux__
bool sameEnd(int (*get)(int, sockaddr*, socklen_t*), int fd, quint16 port)
{
    sockaddr_in a {};
    socklen_t size = sizeof a;
    return get(fd, reinterpret_cast<sockaddr*>(&a), &size) == 0 && a.sin_family == AF_INET
        && ntohs(a.sin_port) == port;
}

// The client's end of a loopback connection, which is in this process too.
int clientEnd(quint16 clientPort, quint16 serverPort)
{
    const QStringList fds = QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System);
    for (const QString& name : fds) {
        const int fd = name.toInt();
        if (sameEnd(getsockname, fd, clientPort) && sameEnd(getpeername, fd, serverPort))
            return fd;
    }
    return -1;
}
#endif

// What has gone to the client and it has not read yet: the kernel holds a
// few megabytes on each side of a loopback connection, more than the bounds
// the tests set on what the client reads. Nothing is sent on while more than
// a little is unread, so what was sent is what the client read, give or take
// that little.
class Unread
{
public:
    static constexpr qint64 kMost = 1024 * 1024;

    explicit Unread(QTcpSocket& s)
        : m_socket(s)
    {
#ifdef __linux__
        m_clientPort = s.peerPort();
        m_serverPort = s.localPort();
        m_client = clientEnd(m_clientPort, m_serverPort);
#endif
    }

    qint64 bytes() const
    {
        qint64 n = m_socket.bytesToWrite();
#ifdef __linux__
        int queued = 0;
        if (ioctl(int(m_socket.socketDescriptor()), SIOCOUTQ, &queued) == 0)
            n += queued;
        // A client that closed its end takes nothing more: the next write fails.
        if (m_client >= 0 && sameEnd(getsockname, m_client, m_clientPort)
            && sameEnd(getpeername, m_client, m_serverPort) && ioctl(m_client, SIOCINQ, &queued) == 0)
            n += queued;
#endif
        return n;
    }

private:
    QTcpSocket& m_socket;
    quint16 m_clientPort = 0;
    quint16 m_serverPort = 0;
    int m_client = -1;
};

namespace {

qint64 unreadBytes(QTcpSocket& s)
{
    return Unread(s).bytes();
}

} // namespace

// Blocking sockets, each wait short, so that the destructor's stop is seen.
void HttpFloodServer::run(std::promise<quint16>* port)
{
    Acceptor server;
    server.accepted = [this](qintptr descriptor) {
        m_connections.emplace_back([this, descriptor] { serve(descriptor); });
    };
    server.listen(QHostAddress::LocalHost, 0);
    port->set_value(server.serverPort());
    while (!m_stop)
        server.waitForNewConnection(50);
}

void HttpFloodServer::serve(qintptr descriptor)
{
    const QByteArray filler(64 * 1024, 'x');
    QTcpSocket s;
    s.setSocketDescriptor(descriptor);
    QByteArray request;
    while (!m_stop && !request.contains("\r\n\r\n") && s.state() == QAbstractSocket::ConnectedState) {
        if (s.waitForReadyRead(50))
            request += s.readAll();
    }
    QByteArray header = "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nConnection: close\r\n";
    if (m_declared >= 0)
        header += "Content-Length: " + QByteArray::number(m_declared) + "\r\n";
    if (m_chunked)
        header += "Transfer-Encoding: chunked\r\n\r\n7FFFFFFFFFFFFFFF";
    s.write(header + "\r\n" + m_head);
    m_sent += m_head.size();
    const Unread unread(s);
    while (!m_stop && s.state() == QAbstractSocket::ConnectedState) {
        if (unread.bytes() < Unread::kMost) {
            s.write(filler);
            m_sent += filler.size();
            s.waitForBytesWritten(50);
        } else {
            // The client reads on another thread: a short wait, then look again.
            s.waitForReadyRead(1);
        }
    }
    s.abort();
}

} // namespace testing
