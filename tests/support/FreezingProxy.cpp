#include "FreezingProxy.h"

#include <QByteArray>
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

int connectTo(const QString& host, int port)
{
    addrinfo hints {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.toUtf8().constData(), QByteArray::number(port).constData(), &hints, &found) != 0)
        return -1;
    int fd = -1;
    for (addrinfo* a = found; a && fd < 0; a = a->ai_next) {
        fd = ::socket(a->ai_family, a->ai_socktype, a->ai_protocol);
        if (fd >= 0 && ::connect(fd, a->ai_addr, a->ai_addrlen) != 0) {
            ::close(fd);
            fd = -1;
        }
    }
    freeaddrinfo(found);
    return fd;
}

bool sendAll(int fd, const char* data, ssize_t size)
{
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size_t(size), MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        data += n;
        size -= n;
    }
    return true;
}

} // namespace

FreezingProxy::FreezingProxy(const QString& host, int port)
    : m_host(host)
    , m_upstreamPort(port)
{
    m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
    const int yes = 1;
    ::setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in addr {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (::bind(m_listen, reinterpret_cast<sockaddr*>(&addr), len) == 0 && ::listen(m_listen, 16) == 0
        && ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        m_port = ntohs(addr.sin_port);
    m_thread = std::thread([this] { run(); });
}

FreezingProxy::~FreezingProxy()
{
    m_stop = true;
    m_thread.join();
    ::close(m_listen);
}

void FreezingProxy::freeze(std::chrono::milliseconds thawAfter)
{
    std::lock_guard lock(m_mutex);
    m_thawAt = std::chrono::steady_clock::now() + thawAfter;
}

void FreezingProxy::freezeAt(const QByteArray& sent, std::chrono::milliseconds thawAfter)
{
    std::lock_guard lock(m_mutex);
    m_freezeAt = sent;
    m_freezeFor = thawAfter;
}

void FreezingProxy::thaw()
{
    std::lock_guard lock(m_mutex);
    m_thawAt = {};
}

bool FreezingProxy::heldAt(const QByteArray& sent)
{
    std::lock_guard lock(m_mutex);
    if (m_freezeAt.isEmpty() || !sent.contains(m_freezeAt))
        return false;
    m_freezeAt.clear();
    m_thawAt = std::chrono::steady_clock::now() + m_freezeFor;
    return true;
}

bool FreezingProxy::frozen()
{
    std::lock_guard lock(m_mutex);
    return std::chrono::steady_clock::now() < m_thawAt;
}

void FreezingProxy::run()
{
    std::vector<std::pair<int, int>> links; // client, server
    std::vector<char> buffer(64 * 1024);
    std::pair<int, QByteArray> held { -1, {} }; // server, bytes
    while (!m_stop) {
        if (frozen()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            continue;
        }
        if (held.first >= 0) {
            sendAll(held.first, held.second.constData(), held.second.size());
            held = { -1, {} };
        }
        std::vector<pollfd> fds { { m_listen, POLLIN, 0 } };
        for (const auto& [client, server] : links) {
            fds.push_back({ client, POLLIN, 0 });
            fds.push_back({ server, POLLIN, 0 });
        }
        if (::poll(fds.data(), fds.size(), 20) <= 0)
            continue;
        std::vector<std::pair<int, int>> open;
        for (size_t i = 0; i < links.size(); ++i) {
            const auto [client, server] = links[i];
            bool alive = true;
            for (const auto& [from, to] : { std::pair(client, server), std::pair(server, client) }) {
                const pollfd& p = fds[1 + 2 * i + (from == server ? 1 : 0)];
                if (!alive || frozen() || !(p.revents & (POLLIN | POLLHUP | POLLERR)))
                    continue;
                const ssize_t n = ::recv(from, buffer.data(), buffer.size(), 0);
                if (n > 0 && from == client && heldAt(QByteArray::fromRawData(buffer.data(), n))) {
                    held = { to, QByteArray(buffer.data(), n) };
                    continue;
                }
                alive = n > 0 && sendAll(to, buffer.data(), n);
            }
            if (alive) {
                open.push_back(links[i]);
            } else {
                ::close(client);
                ::close(server);
            }
        }
        links = std::move(open);
        // Only after the links polled above: a new one has no poll result yet.
        if ((fds[0].revents & POLLIN) && !frozen()) {
            const int client = ::accept(m_listen, nullptr, nullptr);
            const int server = client >= 0 ? connectTo(m_host, m_upstreamPort) : -1;
            if (server >= 0)
                links.emplace_back(client, server);
            else if (client >= 0)
                ::close(client);
        }
    }
    for (const auto& [client, server] : links) {
        ::close(client);
        ::close(server);
    }
}
