#pragma once

#include "workbook/WorkbookExport.h"

#include <QObject>
#include <QString>
#include <memory>

// One export written on a thread of its own from a snapshot of the list (see
// snapshotOf), told by a signal when it ends, so that the screen thread goes
// on handling events while a large workbook is written.
namespace workbook {

class ExportWriter : public QObject
{
    Q_OBJECT

public:
    ExportWriter(std::shared_ptr<const TableSource> source, SourceKind kind, ExportOptions options, QString path,
                 QObject* parent = nullptr);
    // A writing still running is stopped and waited for.
    ~ExportWriter() override;

    // Starts writing; finished() follows.
    void start();
    // Before finished(): the writing ends at the next row and leaves no
    // file; finished() follows as ever, with written() false and no error.
    void stop();

    bool running() const { return m_started && !m_done; }
    // After finished(): the workbook is there, recorded as this program's
    // export (see recordWrittenExport); or why not.
    bool written() const { return m_written; }
    const QString& error() const { return m_error; }
    const QString& path() const { return m_path; }

Q_SIGNALS:
    void finished();

private:
    struct Job;
    void end();

    std::unique_ptr<Job> m_job;
    QString m_path;
    bool m_started = false;
    bool m_done = false;
    bool m_written = false;
    QString m_error;
};

} // namespace workbook
