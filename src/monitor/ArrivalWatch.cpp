#include "ArrivalWatch.h"

#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <vector>

namespace {

qint64 steadyMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

ArrivalWatch::ArrivalWatch(std::function<void()> polled)
    : m_polled(std::move(polled))
    , m_wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    if (m_wake >= 0)
        m_thread = std::thread([this] { run(); });
}

ArrivalWatch::~ArrivalWatch()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    wake();
    if (m_thread.joinable())
        m_thread.join();
    if (m_wake >= 0)
        ::close(m_wake);
}

void ArrivalWatch::wake()
{
    const quint64 one = 1;
    if (m_wake >= 0)
        (void)!::write(m_wake, &one, sizeof one);
}

void ArrivalWatch::watch(int fd)
{
    if (fd < 0)
        return;
    {
        std::lock_guard lock(m_mutex);
        m_entries[fd] = Entry { ++m_generation };
    }
    wake();
}

void ArrivalWatch::forget(int fd)
{
    if (fd < 0)
        return;
    std::unique_lock lock(m_mutex);
    if (m_entries.erase(fd) == 0 || !m_thread.joinable())
        return;
    // The wait under way, or one about to begin with the old set, ends
    // after this; the next is set up without the descriptor.
    const quint64 waits = m_waits;
    wake();
    m_waited.wait(lock, [&] { return m_waits != waits || m_stop; });
}

ArrivalWatch::Ages ArrivalWatch::take(int fd)
{
    Ages ages;
    ages.first = takeAge(fd);
    ages.last = lastBytesAge(fd);
    ages.first = qMax(ages.first, ages.last);
    return ages;
}

qint64 ArrivalWatch::takeAge(int fd)
{
    qint64 age = 0;
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_entries.find(fd);
        if (it == m_entries.end())
            return 0;
        if (!it->second.armed)
            age = qMax<qint64>(0, steadyMs() - it->second.readableAt);
        // A readiness the thread saw before these bytes were read, and has
        // not noted yet, is theirs: it must not stand for the next bytes.
        it->second = Entry { ++m_generation };
    }
    wake();
    return age;
}

qint64 ArrivalWatch::waitingAge(int fd)
{
    std::lock_guard lock(m_mutex);
    const auto it = m_entries.find(fd);
    if (it == m_entries.end() || it->second.armed)
        return -1;
    return qMax<qint64>(0, steadyMs() - it->second.readableAt);
}

qint64 ArrivalWatch::lastBytesAge(int fd)
{
    tcp_info info {};
    socklen_t size = sizeof info;
    if (fd < 0 || ::getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &size) != 0)
        return 0;
    return info.tcpi_last_data_recv;
}

void ArrivalWatch::run()
{
    std::vector<pollfd> fds;
    std::vector<quint64> generations;
    for (;;) {
        fds.assign(1, pollfd { m_wake, POLLIN, 0 });
        generations.assign(1, 0);
        {
            std::lock_guard lock(m_mutex);
            if (m_stop)
                return;
            // A descriptor that became readable is left out until its bytes
            // are taken, so that the wait does not spin on it.
            for (const auto& [fd, e] : m_entries) {
                if (e.armed) {
                    fds.push_back(pollfd { fd, POLLIN, 0 });
                    generations.push_back(e.generation);
                }
            }
        }
        const bool failed = ::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR;
        const qint64 at = steadyMs();
        if (m_polled)
            m_polled();
        std::lock_guard lock(m_mutex);
        ++m_waits;
        m_waited.notify_all();
        if (failed) {
            m_stop = true; // nothing holds a descriptor any more
            return;
        }
        if (fds[0].revents) {
            quint64 count = 0;
            (void)!::read(m_wake, &count, sizeof count);
        }
        for (size_t i = 1; i < fds.size(); ++i) {
            const auto it = m_entries.find(fds[i].fd);
            // A descriptor watched afresh meanwhile may name another socket.
            if (!fds[i].revents || it == m_entries.end() || it->second.generation != generations[i])
                continue;
            if (fds[i].revents & POLLNVAL) {
                m_entries.erase(it); // closed
            } else {
                it->second.armed = false;
                it->second.readableAt = at;
            }
        }
    }
}
