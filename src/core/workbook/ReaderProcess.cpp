// Running the workbook reader program on one file: limits on its memory and
// processor time set in the child before it starts, a deadline here, and its
// answer checked as it arrives, by signals or by a wait here.
#include "workbook/SheetRead.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <csignal>
#include <cstring>
#include <sys/resource.h>

namespace workbook {

namespace {

QString signalText(int signal)
{
    const char* name = strsignal(signal);
    return QStringLiteral("%1 (%2)").arg(signal).arg(QString::fromLocal8Bit(name ? name : "unknown"));
}

} // namespace

QString readerProgram()
{
    const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(kReaderProgramName);
#ifdef TROVA_XLREADER_BUILD_PATH
    // Test and benchmark programs live elsewhere in the build tree.
    if (!QFileInfo::exists(beside))
        return QStringLiteral(TROVA_XLREADER_BUILD_PATH);
#endif
    return beside;
}

SheetRead::SheetRead(QObject* parent)
    : QObject(parent)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &SheetRead::late);
    connect(&m_process, &QProcess::readyReadStandardOutput, this, &SheetRead::takeOutput);
    connect(&m_process, &QProcess::finished, this, &SheetRead::end);
    connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart && !m_done) {
            m_startError = m_process.errorString();
            end();
        }
    });
}

SheetRead::~SheetRead()
{
    // No answer is wanted any more: the reader is ended and reaped quietly.
    m_done = true;
    disconnect(&m_process, nullptr, this, nullptr);
    if (m_process.state() != QProcess::NotRunning)
        stop();
}

void SheetRead::start(const QString& path, const ReaderLimits& limits)
{
    // The file is not touched here: opening a named pipe or a file on a
    // stuck mount can block, and only the reader runs under the deadline.
    m_path = path;
    m_limits = limits;
    m_started = true;
    m_process.setProgram(limits.program);
    m_process.setArguments({path});
    m_process.setStandardInputFile(QProcess::nullDevice());
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const rlim_t memory = rlim_t(limits.memoryBytes);
    const rlim_t cpu = rlim_t(limits.cpuSeconds);
    m_process.setChildProcessModifier([memory, cpu] {
        // Past the processor limit the child gets SIGXCPU, which ends it
        // (SIGKILL follows should it not); a crash leaves no core file.
        const rlimit as{memory, memory};
        const rlimit time{cpu, cpu + 5};
        const rlimit core{0, 0};
        setrlimit(RLIMIT_AS, &as);
        setrlimit(RLIMIT_CPU, &time);
        setrlimit(RLIMIT_CORE, &core);
    });
    m_deadline = QDeadlineTimer(qint64(limits.wallSeconds) * 1000);
    m_timer.start(int(m_deadline.remainingTime()));
    m_process.start(QIODevice::ReadOnly);
}

void SheetRead::cancel()
{
    halt(&m_cancelled);
}

void SheetRead::waitForFinished()
{
    while (running()) {
        if (m_process.state() == QProcess::NotRunning) {
            end();
            break;
        }
        if (m_deadline.hasExpired()) {
            late();
            break;
        }
        // False when it ended (the next round sees it) or closed its output
        // and goes on: then it has only the time that is left.
        if (!m_process.waitForReadyRead(int(m_deadline.remainingTime())) && m_process.state() != QProcess::NotRunning
            && !m_process.waitForFinished(int(m_deadline.remainingTime())))
            late();
    }
}

void SheetRead::takeOutput()
{
    if (!m_done && !m_answer.feed(m_process.readAllStandardOutput()))
        stop(); // a malformed answer: nothing more of it is wanted
}

void SheetRead::late()
{
    halt(&m_late);
}

void SheetRead::halt(bool* why)
{
    if (!running())
        return;
    *why = true;
    stop();
    end();
}

void SheetRead::stop()
{
    m_process.kill();
    m_process.waitForFinished(5000);
}

void SheetRead::end()
{
    if (m_done)
        return;
    takeOutput();
    m_done = true;
    m_timer.stop();
    QString reason;
    if (!m_startError.isEmpty()) {
        m_error = QStringLiteral("The workbook reader %1 cannot be started: %2").arg(m_limits.program, m_startError);
        Q_EMIT finished();
        return;
    }
    if (m_cancelled)
        reason = QStringLiteral("The reading was stopped.");
    else if (m_late)
        reason = QStringLiteral("The reader did not finish within %1 seconds.").arg(m_limits.wallSeconds);
    else if (!m_answer.failure().isEmpty())
        reason = m_answer.failure();
    else if (m_process.exitStatus() == QProcess::CrashExit && m_process.exitCode() == SIGXCPU)
        reason = QStringLiteral("The reader used up its %1 seconds of processor time.").arg(m_limits.cpuSeconds);
    else if (m_process.exitStatus() == QProcess::CrashExit)
        reason = QStringLiteral("The reader crashed with signal %1.").arg(signalText(m_process.exitCode()));
    else if (m_process.exitCode() != 0)
        reason = QStringLiteral("The reader ended with exit code %1.").arg(m_process.exitCode());
    else if (!m_answer.refusal().isEmpty())
        reason = m_answer.refusal();
    else if (!m_answer.complete())
        reason = QStringLiteral("The reader's answer ends early.");
    if (reason.isEmpty())
        m_rows = m_answer.takeRows();
    else
        m_error = QStringLiteral("The file %1 is not a readable Excel workbook.\n%2").arg(m_path, reason);
    Q_EMIT finished();
}

std::optional<Rows> readFirstSheet(const QString& path, QString* error, const ReaderLimits& limits)
{
    SheetRead read;
    read.start(path, limits);
    read.waitForFinished();
    if (error && !read.error().isEmpty())
        *error = read.error();
    return read.takeRows();
}

} // namespace workbook
