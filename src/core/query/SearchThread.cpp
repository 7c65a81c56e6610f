#include "query/SearchThread.h"

#include <QDeadlineTimer>

namespace query {

std::atomic<int> SearchThread::s_running{0};

SearchThread::SearchThread(const db::ConnectionSettings& settings, const QVector<Statement>& statements, int batch)
    : m_settings(settings)
    , m_statements(statements)
    , m_batch(batch)
    , m_interrupt(std::make_shared<db::CursorInterrupt>())
{
}

SearchThread* SearchThread::start(const db::ConnectionSettings& settings, const QVector<Statement>& statements,
                                  int batch, const std::function<void(SearchThread*)>& wire)
{
    auto* t = new SearchThread(settings, statements, batch);
    connect(t, &QThread::finished, t, &QObject::deleteLater);
    wire(t);
    ++s_running;
    t->QThread::start();
    return t;
}

int SearchThread::running()
{
    return s_running.load();
}

void SearchThread::taken()
{
    {
        const std::lock_guard lock(m_mutex);
        ++m_credit;
    }
    m_wake.notify_one();
}

void SearchThread::stop()
{
    m_interrupt->interrupt();
    {
        // Taken so that the reader cannot miss the wake-up between its test
        // and its wait.
        const std::lock_guard lock(m_mutex);
    }
    m_wake.notify_one();
    // Cancelled, the thread ends at once as a rule; a short wait lets it
    // close its connection before the caller goes on.
    wait(QDeadlineTimer(kStopWaitMs));
}

void SearchThread::run()
{
    try {
        db::Cursor cursor = db::Cursor::open(m_settings, m_statements, m_interrupt);
        for (;;) {
            {
                std::unique_lock lock(m_mutex);
                m_wake.wait(lock, [this] { return m_credit > 0 || m_interrupt->interrupted(); });
                if (m_interrupt->interrupted())
                    break;
                --m_credit;
            }
            const QList<QVariantList> batch = cursor.fetch(m_batch);
            const bool last = cursor.atEnd();
            if (m_interrupt->interrupted())
                break;
            Q_EMIT rows(batch, last);
            if (last)
                break;
        }
    } catch (const db::DbError& e) {
        if (!m_interrupt->interrupted())
            Q_EMIT failed(e.text());
    }
    --s_running;
}

} // namespace query
