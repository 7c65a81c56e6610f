#include "FloodGateway.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace gwsim {

FloodGateway::~FloodGateway()
{
    stop();
}

bool FloodGateway::listen(const QHostAddress& address, quint16 port, int receiveBuffer)
{
    m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
    const int yes = 1;
    ::setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    timeval t{10, 0}; // accept gives up after that
    ::setsockopt(m_listener, SOL_SOCKET, SO_RCVTIMEO, &t, sizeof t);
    // Set before the connection is made, so that the window follows it.
    if (receiveBuffer > 0)
        ::setsockopt(m_listener, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(address.toIPv4Address());
    return ::bind(m_listener, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && ::listen(m_listener, 1) == 0;
}

void FloodGateway::run(const QByteArray& first, const QByteArray& chunk, int pauseMs)
{
    m_thread = std::thread([this, first, chunk, pauseMs] {
        const int s = ::accept(m_listener, nullptr, nullptr);
        if (s < 0)
            return;
        m_accepted = true;
        timeval t{0, 100000};
        ::setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, &t, sizeof t);
        if (!first.isEmpty())
            ::send(s, first.constData(), size_t(first.size()), MSG_NOSIGNAL);
        while (!m_stop) {
            const ssize_t n = ::send(s, chunk.constData(), size_t(chunk.size()), MSG_NOSIGNAL);
            if (n > 0)
                m_written += n;
            else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
                break;
            if (pauseMs > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
        }
        ::close(s);
    });
}

void FloodGateway::stop()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    if (m_listener >= 0)
        ::close(m_listener);
    m_listener = -1;
}

} // namespace gwsim
