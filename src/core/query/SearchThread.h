#pragma once

#include "db/Cursor.h"
#include "db/Database.h"
#include "query/Query.h"

#include <QThread>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace query {

// Reads a search's statements on a thread of its own, over a connection that
// thread opens, and hands the rows over a batch at a time through queued
// signals: whatever the server does (a lock its statement waits for, a long
// sort, a frozen process) the thread that shows the rows stays free. It reads
// at most kAhead batches beyond those the receiver has taken. stop() returns
// within kStopWaitMs: the statement is cancelled and the thread ends by
// itself. The object deletes itself once its thread has ended; a receiver
// ignores what was queued before it stopped.
class SearchThread : public QThread
{
    Q_OBJECT

public:
    static constexpr int kAhead = 2;
    static constexpr int kStopWaitMs = 200;

    // `wire` connects the receiver before the thread runs: a batch read at
    // once is never emitted unheard.
    static SearchThread* start(const db::ConnectionSettings& settings, const QVector<Statement>& statements,
                               int batch, const std::function<void(SearchThread*)>& wire);
    // The receiver has shown a batch; another may be read.
    void taken();
    void stop();
    // Searches whose threads have not ended yet.
    static int running();

Q_SIGNALS:
    // Up to the batch size of rows; `last` after the last row.
    void rows(const QList<QVariantList>& batch, bool last);
    void failed(const QString& error);

protected:
    void run() override;

private:
    SearchThread(const db::ConnectionSettings& settings, const QVector<Statement>& statements, int batch);

    const db::ConnectionSettings m_settings;
    const QVector<Statement> m_statements;
    const int m_batch;
    const std::shared_ptr<db::CursorInterrupt> m_interrupt;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    int m_credit = kAhead;
    static std::atomic<int> s_running;
};

} // namespace query
