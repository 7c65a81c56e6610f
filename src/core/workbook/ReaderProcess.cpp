// Running the workbook reader program on one file: limits on its memory and
// processor time set in the child before it starts, a deadline here, and its
// answer checked as it arrives.
#include "workbook/SheetFrames.h"
#include "workbook/Workbook.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <csignal>
#include <cstring>
#include <sys/resource.h>

namespace workbook {

namespace {

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

void stop(QProcess& p)
{
    p.kill();
    p.waitForFinished(5000);
}

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

std::optional<Rows> readFirstSheet(const QString& path, QString* error, const ReaderLimits& limits)
{
    // The file is not touched here: opening a named pipe or a file on a
    // stuck mount can block, and only the reader runs under the deadline.
    QProcess p;
    p.setProgram(limits.program);
    p.setArguments({path});
    p.setStandardInputFile(QProcess::nullDevice());
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const rlim_t memory = rlim_t(limits.memoryBytes);
    const rlim_t cpu = rlim_t(limits.cpuSeconds);
    p.setChildProcessModifier([memory, cpu] {
        // Past the processor limit the child gets SIGXCPU, which ends it
        // (SIGKILL follows should it not); a crash leaves no core file.
        const rlimit as{memory, memory};
        const rlimit time{cpu, cpu + 5};
        const rlimit core{0, 0};
        setrlimit(RLIMIT_AS, &as);
        setrlimit(RLIMIT_CPU, &time);
        setrlimit(RLIMIT_CORE, &core);
    });
    p.start(QIODevice::ReadOnly);
    if (!p.waitForStarted(-1)) {
        setError(error,
                 QStringLiteral("The workbook reader %1 cannot be started: %2").arg(limits.program, p.errorString()));
        return std::nullopt;
    }

    FrameDecoder answer;
    const QDeadlineTimer deadline(qint64(limits.wallSeconds) * 1000);
    bool late = false;
    for (;;) {
        if (!answer.feed(p.readAllStandardOutput())) {
            stop(p);
            break;
        }
        if (p.state() == QProcess::NotRunning)
            break;
        if (deadline.hasExpired()) {
            late = true;
            stop(p);
            break;
        }
        // False when it ended (the next round reads the rest) or closed its
        // output and goes on: then it has only the time that is left.
        if (!p.waitForReadyRead(int(deadline.remainingTime())) && p.state() != QProcess::NotRunning
            && !p.waitForFinished(int(deadline.remainingTime()))) {
            late = true;
            stop(p);
            break;
        }
    }

    QString reason;
    if (late)
        reason = QStringLiteral("The reader did not finish within %1 seconds.").arg(limits.wallSeconds);
    else if (!answer.failure().isEmpty())
        reason = answer.failure();
    else if (p.exitStatus() == QProcess::CrashExit && p.exitCode() == SIGXCPU)
        reason = QStringLiteral("The reader used up its %1 seconds of processor time.").arg(limits.cpuSeconds);
    else if (p.exitStatus() == QProcess::CrashExit)
        reason = QStringLiteral("The reader crashed with signal %1.").arg(signalText(p.exitCode()));
    else if (p.exitCode() != 0)
        reason = QStringLiteral("The reader ended with exit code %1.").arg(p.exitCode());
    else if (!answer.refusal().isEmpty())
        reason = answer.refusal();
    else if (!answer.complete())
        reason = QStringLiteral("The reader's answer ends early.");
    if (!reason.isEmpty()) {
        setError(error, QStringLiteral("The file %1 is not a readable Excel workbook.\n%2").arg(path, reason));
        return std::nullopt;
    }
    return answer.takeRows();
}

} // namespace workbook
