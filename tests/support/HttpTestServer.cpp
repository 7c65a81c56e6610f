#include "HttpTestServer.h"

#include <QTcpSocket>

namespace testing {

HttpTestServer::HttpTestServer()
{
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* s = m_server.nextPendingConnection()) {
            connect(s, &QTcpSocket::readyRead, this, [this, s] { onRead(s); });
            connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
        }
    });
}

QString HttpTestServer::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1/").arg(m_server.serverPort());
}

void HttpTestServer::onRead(QTcpSocket* s)
{
    QByteArray& buf = m_pending[s];
    buf += s->readAll();
    if (!buf.contains("\r\n\r\n"))
        return;
    const QList<QByteArray> first = buf.left(buf.indexOf("\r\n")).split(' ');
    const QString path = QString::fromLatin1(first.value(1));
    paths << path;
    m_pending.remove(s);
    const Route r = m_routes.value(path, fallback);
    if (r.silent)
        return;
    const QByteArray reason = r.status == 200 ? "OK" : "Not Found";
    const QByteArray body = r.sendOnly < 0 ? r.body : r.body.left(r.sendOnly);
    s->write("HTTP/1.1 " + QByteArray::number(r.status) + " " + reason
             + "\r\nContent-Type: application/octet-stream\r\nConnection: close\r\nContent-Length: "
             + QByteArray::number(r.body.size()) + "\r\n\r\n" + body);
    s->disconnectFromHost();
}

QString closedPortUrl()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return QStringLiteral("http://127.0.0.1:%1").arg(port);
}

} // namespace testing
