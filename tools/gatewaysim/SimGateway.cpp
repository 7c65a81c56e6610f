#include "SimGateway.h"

#include <QTcpSocket>
#include <QTimer>
#include <chrono>
#include <sys/socket.h>

namespace gwsim {

namespace {

QByteArray header(int terminal)
{
    QByteArray f(9, '\0');
    f[7] = char(terminal);
    return f;
}

} // namespace

QByteArray dataFrame(int terminal, const QByteArray& payload)
{
    QByteArray f = header(terminal);
    f[8] = char(0x01);
    f += payload;
    f += "\r\n";
    f[0] = char(qMin<qsizetype>(f.size(), 255));
    return f;
}

QByteArray keyFrame(int terminal, int key)
{
    QByteArray f = header(terminal);
    f[8] = 0;
    f += char(0x3A + key);
    f[0] = char(f.size());
    return f;
}

QByteArray startupFrame(int terminal)
{
    QByteArray f = header(terminal).left(8) + QByteArray(4, char(0xFF));
    f[0] = char(f.size());
    return f;
}

QHostAddress loopbackAddress(int index)
{
    return QHostAddress(quint32(0x7F000002u + quint32(index)));
}

SimGateway::SimGateway(QObject* parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &SimGateway::onNewConnection);
}

SimGateway::~SimGateway()
{
    if (m_later.joinable())
        m_later.join();
    if (m_client)
        m_client->abort();
}

bool SimGateway::listen(const QHostAddress& address, quint16 port)
{
    if (!address.isLoopback())
        return false;
    if (!m_server.listen(address, port))
        return false;
    m_address = address;
    m_port = m_server.serverPort();
    return true;
}

void SimGateway::switchOff()
{
    m_server.close();
    dropLink();
}

bool SimGateway::hasClient() const
{
    return m_client && m_client->state() == QAbstractSocket::ConnectedState;
}

bool SimGateway::send(const QByteArray& bytes)
{
    if (!hasClient())
        return false;
    m_client->write(bytes);
    m_client->flush();
    return true;
}

void SimGateway::sendInPieces(const QByteArray& bytes, int pieces, int gapMs)
{
    pieces = qBound(1, pieces, int(bytes.size()));
    const qsizetype size = (bytes.size() + pieces - 1) / pieces;
    int n = 0;
    for (qsizetype at = 0; at < bytes.size(); at += size, ++n) {
        const QByteArray piece = bytes.mid(at, size);
        if (n == 0)
            send(piece);
        else
            QTimer::singleShot(gapMs * n, this, [this, piece] { send(piece); });
    }
}

void SimGateway::sendLater(const QByteArray& bytes, int ms)
{
    if (m_later.joinable())
        m_later.join();
    if (!hasClient())
        return;
    // The socket is idle here: the bytes go straight to its descriptor.
    const int fd = int(m_client->socketDescriptor());
    m_later = std::thread([fd, bytes, ms] {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        ::send(fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL);
    });
}

void SimGateway::dropLink()
{
    if (m_later.joinable())
        m_later.join();
    if (m_client) {
        m_client->abort();
        m_client->deleteLater();
        m_client.clear();
    }
    m_in.clear();
}

const TerminalScreen& SimGateway::terminal(int number) const
{
    static const TerminalScreen none;
    auto it = m_terminals.constFind(number);
    return it == m_terminals.constEnd() ? none : it.value();
}

void SimGateway::onNewConnection()
{
    while (QTcpSocket* s = m_server.nextPendingConnection()) {
        // A gateway serves one monitor: a new connection replaces the old.
        dropLink();
        m_client = s;
        s->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        ++m_connections;
        connect(s, &QTcpSocket::readyRead, this, &SimGateway::onReadyRead);
        connect(s, &QTcpSocket::disconnected, this, [this, s] {
            if (m_client == s)
                Q_EMIT clientDisconnected();
        });
        Q_EMIT clientConnected();
    }
}

void SimGateway::onReadyRead()
{
    auto* s = qobject_cast<QTcpSocket*>(sender());
    if (!s || s != m_client)
        return;
    m_in += s->readAll();
    // Frames to terminals: byte 0 the length, byte 6 the command, byte 7 the
    // terminal, the text after the 8 header bytes.
    while (m_in.size() >= 8) {
        const int length = static_cast<unsigned char>(m_in.at(0));
        if (length < 8) {
            m_in.clear(); // not a frame of ours: nothing can be cut from it
            break;
        }
        if (m_in.size() < length)
            break;
        const QByteArray f = m_in.left(length);
        m_in.remove(0, length);
        const int command = f.at(6);
        const int term = static_cast<unsigned char>(f.at(7));
        TerminalScreen& t = m_terminals[term];
        if (command == 0) {
            const QString text = QString::fromLatin1(f.mid(8));
            t.displays << text;
            Q_EMIT displayed(term, text);
        } else if (command == 4 || command == 5) {
            t.signal = command == 4;
            t.signalFrames << t.signal;
            Q_EMIT signalled(term, t.signal);
        }
    }
}

} // namespace gwsim
