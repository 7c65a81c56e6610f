#pragma once

#include "workbook/SheetFrames.h"
#include "workbook/Workbook.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QProcess>
#include <QTimer>

// One run of the workbook reader program on one file (see readFirstSheet),
// told by a signal when it ends, so that a caller can go on handling events
// while the reader works.
namespace workbook {

class SheetRead : public QObject
{
    Q_OBJECT

public:
    explicit SheetRead(QObject* parent = nullptr);
    // A reader still running is ended.
    ~SheetRead() override;

    // Starts the reader; finished() follows, also when it cannot start.
    void start(const QString& path, const ReaderLimits& limits = {});
    // Ends a running reader; finished() follows with the reason.
    void cancel();
    // Waits here for the end, without the event loop.
    void waitForFinished();

    bool running() const { return m_started && !m_done; }
    // After finished(): the rows, or nothing and why (see readFirstSheet).
    const std::optional<Rows>& rows() const { return m_rows; }
    const QString& error() const { return m_error; }
    std::optional<Rows> takeRows() { return std::move(m_rows); }

Q_SIGNALS:
    void finished();

private:
    void takeOutput();
    void late();
    // Ends a running reader before its answer, noting why.
    void halt(bool* why);
    void end();
    void stop();

    QProcess m_process;
    FrameDecoder m_answer;
    QDeadlineTimer m_deadline;
    QTimer m_timer;
    ReaderLimits m_limits;
    QString m_path;
    QString m_startError;
    bool m_started = false;
    bool m_done = false;
    bool m_late = false;
    bool m_cancelled = false;
    std::optional<Rows> m_rows;
    QString m_error;
};

} // namespace workbook
