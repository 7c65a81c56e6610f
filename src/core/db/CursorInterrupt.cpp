#include "db/Cursor.h"

#include "db/Database.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>
#include <atomic>
#include <libpq-fe.h>
#include <mutex>
#include <sqlite3.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>

namespace db {

namespace {

constexpr int kBusyStepMs = 20;
constexpr int kProgressSteps = 10000;

template <typename Handle>
Handle* driverHandle(const QSqlDatabase& conn, const char* name, const char* alias)
{
    const QVariant h = conn.driver() ? conn.driver()->handle() : QVariant();
    if (!h.isValid() || (qstrcmp(h.typeName(), name) != 0 && qstrcmp(h.typeName(), alias) != 0))
        return nullptr;
    return *static_cast<Handle* const*>(h.constData());
}

// Tells a socket apart from a later one under the same descriptor.
ino_t socketIdentity(int socket)
{
    struct stat st {};
    return ::fstat(socket, &st) == 0 ? st.st_ino : 0;
}

} // namespace

struct CursorInterrupt::State
{
    std::mutex mutex;
    std::atomic<bool> interrupted{false};
    // The attached server connection: its socket and its cancel request.
    int socket = -1;
    ino_t identity = 0;
    PGcancel* cancel = nullptr;
    // The attached SQLite connection.
    sqlite3* lite = nullptr;

    // SQLite's wait for another connection's lock, as long as the program's
    // own connections wait, but given up once interrupted.
    static int busy(void* self, int count)
    {
        const auto* s = static_cast<State*>(self);
        if (s->interrupted.load() || count * kBusyStepMs >= kBusyTimeoutMs)
            return 0;
        sqlite3_sleep(kBusyStepMs);
        return 1;
    }

    // Looked at every few thousand steps of a statement: an interrupt that
    // came before the statement started (SQLite then forgets it) ends it too.
    static int progress(void* self)
    {
        return static_cast<State*>(self)->interrupted.load() ? 1 : 0;
    }
};

CursorInterrupt::CursorInterrupt()
    : d(std::make_unique<State>())
{
}

CursorInterrupt::~CursorInterrupt()
{
    detach();
}

bool CursorInterrupt::interrupted() const
{
    return d->interrupted.load();
}

void CursorInterrupt::interrupt()
{
    std::lock_guard lock(d->mutex);
    if (d->interrupted.exchange(true))
        return;
    if (d->lite)
        sqlite3_interrupt(d->lite);
    if (d->cancel) {
        // The request goes over a connection of its own, which a frozen server
        // would hold; the caller does not wait for it.
        std::thread([cancel = d->cancel] {
            char error[256];
            PQcancel(cancel, error, sizeof error);
            PQfreeCancel(cancel);
        }).detach();
        d->cancel = nullptr;
    }
    // Whatever the server does, the blocked read ends now. Only shut down,
    // never closed: the descriptor stays the driver's.
    if (d->socket >= 0 && socketIdentity(d->socket) == d->identity)
        ::shutdown(d->socket, SHUT_RDWR);
}

bool CursorInterrupt::attach(const QString& connectionName)
{
    const QSqlDatabase conn = QSqlDatabase::database(connectionName, false);
    std::lock_guard lock(d->mutex);
    if (PGconn* pg = driverHandle<PGconn>(conn, "pg_conn*", "PGconn*")) {
        d->socket = PQsocket(pg);
        d->identity = d->socket >= 0 ? socketIdentity(d->socket) : 0;
        d->cancel = PQgetCancel(pg);
    } else if (sqlite3* lite = driverHandle<sqlite3>(conn, "sqlite3*", "sqlite3*")) {
        d->lite = lite;
        sqlite3_busy_handler(lite, &State::busy, d.get());
        sqlite3_progress_handler(lite, kProgressSteps, &State::progress, d.get());
    }
    return !d->interrupted.load();
}

void CursorInterrupt::detach()
{
    std::lock_guard lock(d->mutex);
    if (d->cancel)
        PQfreeCancel(d->cancel);
    d->cancel = nullptr;
    d->socket = -1;
    d->lite = nullptr;
}

} // namespace db
