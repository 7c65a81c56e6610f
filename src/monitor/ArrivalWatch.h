#pragma once

#include <QtGlobal>
#include <map>
#include <mutex>
#include <thread>

// When bytes reached a gateway's socket, apart from when the monitor's
// thread got to them: a scan waiting on a locked database holds that thread
// for seconds, and a gateway's pause must not be counted from the end of
// that wait. A thread of its own waits on the watched descriptors and notes
// when each became readable (the first bytes of the next read); the kernel
// keeps when the latest bytes came (the last of them). Receive time stamps
// on each read would need the socket read past Qt's own reader; these two
// only look at the descriptor.
class ArrivalWatch
{
public:
    ArrivalWatch();
    ~ArrivalWatch();
    ArrivalWatch(const ArrivalWatch&) = delete;
    ArrivalWatch& operator=(const ArrivalWatch&) = delete;

    // Watches the descriptor afresh: a new connection on it.
    void watch(int fd);
    // How long ago, in milliseconds, the descriptor became readable with
    // the bytes just read (0 when that was not seen), and watches for the
    // next ones. All bytes of one read count from the first of them.
    qint64 takeAge(int fd);
    // How long ago unread bytes reached the descriptor; -1 when none did.
    qint64 waitingAge(int fd);
    // How long ago the latest bytes reached the connected TCP socket.
    static qint64 lastBytesAge(int fd);

private:
    struct Entry
    {
        quint64 generation = 0;
        bool armed = true;
        qint64 readableAt = -1;
    };
    void run();
    void wake();

    std::mutex m_mutex;
    std::map<int, Entry> m_entries;
    quint64 m_generation = 0;
    bool m_stop = false;
    int m_wake = -1;
    std::thread m_thread;
};
