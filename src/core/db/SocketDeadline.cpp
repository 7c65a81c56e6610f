#include "db/SocketDeadline.h"

#include <QSqlDriver>
#include <QVariant>
#include <libpq-fe.h>
#include <sys/socket.h>

namespace db::detail {

namespace {

int serverSocket(const QSqlDatabase& conn)
{
    if (!conn.driver())
        return -1;
    const QVariant handle = conn.driver()->handle();
    // The driver declares the handle under the name of the struct behind PGconn.
    if (!handle.isValid()
        || (qstrcmp(handle.typeName(), "pg_conn*") != 0 && qstrcmp(handle.typeName(), "PGconn*") != 0))
        return -1;
    PGconn* pg = *static_cast<PGconn* const*>(handle.constData());
    return pg ? PQsocket(pg) : -1;
}

} // namespace

SocketDeadline::SocketDeadline(std::chrono::milliseconds limit)
    : m_limit(limit)
    , m_thread([this] { watch(); })
{
}

SocketDeadline::~SocketDeadline()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
        m_socket = -1;
    }
    m_wake.notify_one();
    m_thread.join();
}

void SocketDeadline::arm(const QSqlDatabase& conn)
{
    const int socket = serverSocket(conn);
    if (socket < 0)
        return;
    {
        std::lock_guard lock(m_mutex);
        m_socket = socket;
        m_due = std::chrono::steady_clock::now() + m_limit;
    }
    m_wake.notify_one();
}

void SocketDeadline::disarm()
{
    std::lock_guard lock(m_mutex);
    m_socket = -1;
}

void SocketDeadline::watch()
{
    std::unique_lock lock(m_mutex);
    while (!m_stop) {
        if (m_socket < 0) {
            m_wake.wait(lock);
        } else if (std::chrono::steady_clock::now() < m_due) {
            m_wake.wait_until(lock, m_due);
        } else {
            ::shutdown(m_socket, SHUT_RDWR);
            m_socket = -1;
        }
    }
}

} // namespace db::detail
