#include "workbook/ExportWriter.h"

#include "workbook/ExportRecord.h"

#include <QThread>
#include <atomic>

namespace workbook {

// What the writing thread reads and leaves; the screen thread reads the
// results only after the thread has ended.
struct ExportWriter::Job
{
    std::shared_ptr<const TableSource> source;
    SourceKind kind;
    ExportOptions options;
    QString path;
    std::atomic_bool stop{false};
    bool written = false;
    QString error;
    std::unique_ptr<QThread> thread;
};

ExportWriter::ExportWriter(std::shared_ptr<const TableSource> source, SourceKind kind, ExportOptions options,
                           QString path, QObject* parent)
    : QObject(parent)
    , m_job(std::make_unique<Job>())
    , m_path(path)
{
    m_job->source = std::move(source);
    m_job->kind = kind;
    m_job->options = std::move(options);
    m_job->path = std::move(path);
}

ExportWriter::~ExportWriter()
{
    if (m_job->thread && !m_done) {
        m_job->stop = true;
        m_job->thread->wait();
        if (m_job->written)
            removeExport(m_path);
    }
}

void ExportWriter::start()
{
    if (m_started)
        return;
    m_started = true;
    Job* job = m_job.get();
    job->thread.reset(QThread::create([job] {
        job->written = writeExport(*job->source, job->kind, job->options, job->path, &job->error, &job->stop);
        // The record is part of the writing: only a recorded export is ever
        // cleared away again.
        if (job->written)
            recordWrittenExport(job->path);
    }));
    connect(job->thread.get(), &QThread::finished, this, &ExportWriter::end);
    job->thread->start();
}

void ExportWriter::stop()
{
    m_job->stop = true;
}

void ExportWriter::end()
{
    if (m_done)
        return;
    m_job->thread->wait();
    m_done = true;
    m_written = m_job->written && !m_job->stop;
    // Stopped after the last row: written, but not wanted.
    if (m_job->written && m_job->stop)
        removeExport(m_path);
    m_error = m_job->error;
    // The source is no longer read: its rows go with this thread's last use.
    m_job->source.reset();
    Q_EMIT finished();
}

} // namespace workbook
