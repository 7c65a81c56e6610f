#include "db/SocketDeadline.h"

#include <QSqlDriver>
#include <QVariant>
#include <libpq-fe.h>
#include <sys/socket.h>
#include <sys/stat.h>

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

// Tells a socket apart from a later one under the same descriptor.
ino_t identity(int socket)
{
    struct stat st {};
    return ::fstat(socket, &st) == 0 ? st.st_ino : 0;
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
    // No wake-up: the watch never sleeps past a due set after it went to sleep.
    const ino_t id = identity(socket);
    std::lock_guard lock(m_mutex);
    m_socket = socket;
    m_identity = id;
    m_due = std::chrono::steady_clock::now() + m_limit;
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
        const auto now = std::chrono::steady_clock::now();
        if (m_socket >= 0 && now >= m_due) {
            // The driver closes the socket itself when the link fails; the
            // descriptor may then be another's until the call returns.
            if (identity(m_socket) == m_identity)
                ::shutdown(m_socket, SHUT_RDWR);
            m_socket = -1;
        } else {
            // Idle, it looks again within one limit, before any due set meanwhile.
            m_wake.wait_until(lock, m_socket >= 0 ? m_due : now + m_limit);
        }
    }
}

} // namespace db::detail
