#include "update/SwapJournal.h"

#include "update/modZip.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace update {

namespace {

const QByteArray kHeader = QByteArrayLiteral("TROVA swap journal 1");

std::function<void()> g_stepHook;

QString tr(const char* text)
{
    return QCoreApplication::translate("update::SwapJournal", text);
}

void stepDone()
{
    if (g_stepHook)
        g_stepHook();
}

bool renamePath(const QString& from, const QString& to)
{
    return ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

bool safeRelative(const QString& rel)
{
    return !rel.isEmpty() && !rel.startsWith(QLatin1Char('/'))
           && !rel.split(QLatin1Char('/')).contains(QLatin1String(".."));
}

// Names may hold blanks and line ends.
QByteArray encoded(const QString& rel)
{
    return QUrl::toPercentEncoding(rel, QByteArrayLiteral("/"));
}

} // namespace

void setSwapStepHook(std::function<void()> hook)
{
    g_stepHook = std::move(hook);
}

namespace swap {

bool present(const QString& path)
{
    struct stat st{};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

bool sync(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

bool writeJournal(const QString& folder, const Plan& plan)
{
    QByteArray text = kHeader + '\n';
    for (const QString& rel : plan.folders)
        text += "folder " + encoded(rel) + '\n';
    for (const auto& [from, to] : plan.moves)
        text += "move " + encoded(from) + ' ' + encoded(to) + '\n';
    // The staging folder's own copy is swept away with it; no package file
    // can have this name there.
    const QString temp = folder + kStaging + QLatin1Char('/') + kJournal;
    QFile out(temp);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(text) != text.size() || !out.flush()
        || ::fsync(out.handle()) != 0)
        return false;
    out.close();
    if (!renamePath(temp, folder + kJournal) || !sync(folder))
        return false;
    stepDone();
    return true;
}

bool removeJournal(const QString& folder)
{
    if (!QFile::remove(folder + kJournal) || !sync(folder))
        return false;
    stepDone();
    return true;
}

std::optional<Plan> readJournal(const QString& folder)
{
    QFile in(folder + kJournal);
    if (!in.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QList<QByteArray> lines = in.readAll().split('\n');
    if (lines.value(0) != kHeader)
        return std::nullopt;
    Plan plan;
    for (const QByteArray& line : lines.mid(1)) {
        if (line.isEmpty())
            continue;
        QStringList paths;
        const QList<QByteArray> words = line.split(' ');
        for (const QByteArray& word : words.mid(1))
            paths << QUrl::fromPercentEncoding(word);
        if (!std::all_of(paths.cbegin(), paths.cend(), safeRelative))
            return std::nullopt;
        if (words.size() == 2 && words[0] == "folder")
            plan.folders << paths[0];
        else if (words.size() == 3 && words[0] == "move")
            plan.moves.append({ paths[0], paths[1] });
        else
            return std::nullopt;
    }
    return plan;
}

bool makeMove(const QString& folder, const std::pair<QString, QString>& move, QString* error)
{
    const QString from = folder + move.first;
    const QString to = folder + move.second;
    if (modZip::MakeDirPath(QFileInfo(to).absolutePath()).isEmpty() || present(to) || !renamePath(from, to)) {
        *error = tr("无法将%1移动到%2").arg(from, to);
        return false;
    }
    stepDone();
    return true;
}

// A rename was made when its target is there and its source is not: the
// swap makes them one at a time, so a crash leaves the first few made. Each
// source is free again when its turn comes, since the renames after it are
// undone first.
bool rollBack(const QString& folder, const Plan& plan, QString* error)
{
    for (auto it = plan.moves.crbegin(); it != plan.moves.crend(); ++it) {
        const QString from = folder + it->first;
        const QString to = folder + it->second;
        if (!present(to) || present(from))
            continue;
        if (modZip::MakeDirPath(QFileInfo(from).absolutePath()).isEmpty() || !renamePath(to, from)) {
            *error = tr("无法将%1移回%2").arg(to, from);
            return false;
        }
        stepDone();
    }
    for (auto it = plan.folders.crbegin(); it != plan.folders.crend(); ++it)
        QDir().rmdir(folder + *it);
    return true;
}

} // namespace swap

} // namespace update
