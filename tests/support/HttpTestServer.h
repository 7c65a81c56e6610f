#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QTcpServer>

class QTcpSocket;

namespace testing {

// A one-thread HTTP server on the loopback address for the update tests:
// each path answers with its route (status, body), or may send only part of
// the body and close, or accept and never answer.
class HttpTestServer : public QObject
{
public:
    struct Route
    {
        int status = 200;
        QByteArray body;
        // Bytes of the body actually sent before the connection is closed;
        // -1 for all. The Content-Length header always gives the whole body.
        qsizetype sendOnly = -1;
        bool silent = false;
    };

    HttpTestServer();

    QString baseUrl() const;
    void route(const QString& path, const Route& r) { m_routes.insert(path, r); }
    // The answer to paths without a route of their own.
    Route fallback{404, QByteArray("not here")};
    // Every path asked for, in order.
    QStringList paths;

private:
    void onRead(QTcpSocket* s);

    QTcpServer m_server;
    QHash<QString, Route> m_routes;
    QHash<QTcpSocket*, QByteArray> m_pending;
};

// A loopback URL on which nothing listens.
QString closedPortUrl();

} // namespace testing
