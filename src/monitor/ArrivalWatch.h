#pragma once

#include <QtGlobal>
#include <condition_variable>
#include <functional>
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
    // polled, when given, runs on the watch's thread after each wait ends and
    // before its result is noted: a test's hold on that moment.
    explicit ArrivalWatch(std::function<void()> polled = {});
    ~ArrivalWatch();
    ArrivalWatch(const ArrivalWatch&) = delete;
    ArrivalWatch& operator=(const ArrivalWatch&) = delete;

    // Watches the descriptor afresh: a new connection on it.
    void watch(int fd);
    // Stops watching the descriptor before it is closed. Returns once the
    // thread's wait no longer holds it: a descriptor closed while a wait
    // holds it stays open in the kernel, and its peer would not see the
    // close until the wait ends.
    void forget(int fd);

    // The ages of the bytes just read, in milliseconds: the first of them
    // (0 when not seen) and the latest.
    struct Ages
    {
        qint64 first = 0;
        qint64 last = 0;
    };
    // takeAge and lastBytesAge of a read at once; the first bytes are never
    // younger than the latest.
    Ages take(int fd);
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

    std::function<void()> m_polled;
    std::mutex m_mutex;
    std::condition_variable m_waited;
    std::map<int, Entry> m_entries;
    quint64 m_generation = 0;
    quint64 m_waits = 0; // waits ended so far
    bool m_stop = false;
    int m_wake = -1;
    std::thread m_thread;
};
