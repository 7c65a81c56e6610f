#include "update/SwapJournal.h"

#include "update/Installer.h"
#include "update/modZip.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QUrl>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace update {

namespace {

using namespace swap;

// Records of the first version had no end mark; they are not read, since a
// cut one could not be told from a whole one.
const QByteArray kHeader = QByteArrayLiteral("TROVA swap journal 2");
const QByteArray kEnd = QByteArrayLiteral("end ");

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

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

bool renamePath(const QString& from, const QString& to)
{
    return ::rename(native(from).constData(), native(to).constData()) == 0;
}

bool safeRelative(const QString& rel)
{
    if (rel.isEmpty() || rel.startsWith(QLatin1Char('/')))
        return false;
    const QStringList parts = rel.split(QLatin1Char('/'));
    return std::none_of(parts.cbegin(), parts.cend(), [](const QString& p) {
        return p.isEmpty() || p == QLatin1String(".") || p == QLatin1String("..");
    });
}

// Names may hold blanks and line ends.
QByteArray encoded(const QString& rel)
{
    return QUrl::toPercentEncoding(rel, QByteArrayLiteral("/"));
}

QByteArray checksum(const QByteArray& text)
{
    return QCryptographicHash::hash(text, QCryptographicHash::Sha256).toHex();
}

const char* kindWord(Step::Kind kind)
{
    switch (kind) {
    case Step::Keep:
        return "keep";
    case Step::Replace:
        return "replace";
    case Step::Move:
        break;
    }
    return "move";
}

// A copy that appears under its name whole, for file systems without hard
// links. The source is read only when it is a regular file, not a link.
bool copyFile(const QString& from, const QString& to, const QString& temp)
{
    const int in = ::open(native(from).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (in < 0)
        return false;
    struct stat st{};
    bool ok = ::fstat(in, &st) == 0 && S_ISREG(st.st_mode);
    int out = -1;
    if (ok) {
        ::unlink(native(temp).constData());
        out = ::open(native(temp).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, S_IRUSR | S_IWUSR);
        ok = out >= 0;
    }
    char block[65536];
    while (ok) {
        const ssize_t n = ::read(in, block, sizeof block);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        for (ssize_t done = 0; ok && done < n;) {
            const ssize_t w = ::write(out, block + done, size_t(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            ok = w > 0;
            done += w;
        }
    }
    ok = ok && ::fchmod(out, st.st_mode & 07777) == 0 && ::fsync(out) == 0;
    if (out >= 0)
        ok = ::close(out) == 0 && ok;
    ::close(in);
    ok = ok && renamePath(temp, to);
    if (!ok)
        ::unlink(native(temp).constData());
    return ok;
}

// A second name for the file (a link itself included), never over one there.
bool keepFile(const QString& folder, const QString& from, const QString& to)
{
    if (::linkat(AT_FDCWD, native(folder + from).constData(), AT_FDCWD, native(folder + to).constData(), 0) == 0)
        return true;
    if (errno != EPERM && errno != EXDEV && errno != EMLINK && errno != ENOTSUP && errno != ENOSYS)
        return false;
    // No package entry can have this name in the staging folder.
    return copyFile(folder + from, folder + to, folder + kStaging + QLatin1Char('/') + kBackup);
}

// Calls visit(folder, name, st) for each entry of the open folder fd but "."
// and "..", st read without following a link, until visit returns false;
// closes fd. False when the folder cannot be read.
template <typename Visit>
bool eachEntry(int fd, Visit visit)
{
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return false;
    }
    while (const dirent* e = ::readdir(dir)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0)
            continue;
        struct stat st{};
        const bool statted = ::fstatat(fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0;
        if (!visit(fd, e->d_name, statted ? &st : nullptr))
            break;
    }
    ::closedir(dir);
    return true;
}

bool removeTreeAt(int parent, const char* name)
{
    const int fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = true;
    const bool read = eachEntry(fd, [&](int folder, const char* entry, const struct stat* st) {
        if (!st)
            ok = false;
        else if (S_ISDIR(st->st_mode))
            ok = removeTreeAt(folder, entry) && ok;
        else if (::unlinkat(folder, entry, 0) != 0)
            ok = false;
        return true;
    });
    return ::unlinkat(parent, name, AT_REMOVEDIR) == 0 && read && ok;
}

} // namespace

bool swap::holdsFiles(const QString& path)
{
    const int fd = ::open(native(path).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return errno != ENOENT;
    bool found = false;
    const bool read = eachEntry(fd, [&](int, const char* entry, const struct stat* st) {
        found = !st || !S_ISDIR(st->st_mode) || holdsFiles(path + QLatin1Char('/') + QFile::decodeName(entry));
        return !found;
    });
    return found || !read;
}

namespace {

QStringList pathsOf(const Step& s)
{
    return s.kind == Step::Replace ? QStringList { s.from, s.to, s.kept } : QStringList { s.from, s.to };
}

QString describe(const Step& s)
{
    return QStringLiteral("%1 %2 %3").arg(QString::fromLatin1(kindWord(s.kind)), s.from, s.to);
}

// The first path of the step that passes through a link; empty when none.
QString linkOn(const QString& folder, const Step& s, QString* link)
{
    for (const QString& rel : pathsOf(s)) {
        *link = throughLink(folder, rel);
        if (!link->isEmpty())
            return rel;
    }
    return QString();
}

enum class Taken { No, Yes, Broken };

// Whether the step was taken, judged by which names are there: each step is
// one rename or one link, so a crash leaves it taken or not. It is judged as
// things stood right after it, the later steps undone in thought, since a
// later step may reuse a name.
Taken taken(const Step& s, const std::function<bool(const QString&)>& has)
{
    switch (s.kind) {
    case Step::Move:
        if (has(s.to) && !has(s.from))
            return Taken::Yes;
        return has(s.from) && !has(s.to) ? Taken::No : Taken::Broken;
    case Step::Keep:
        if (!has(s.from))
            return Taken::Broken;
        return has(s.to) ? Taken::Yes : Taken::No;
    case Step::Replace:
        if (!has(s.to))
            return Taken::Broken;
        return !has(s.from) && has(s.kept) ? Taken::Yes : Taken::No;
    }
    return Taken::Broken;
}

// The last step taken: the latest one from which every step back to the
// first reads as taken, each undone in thought before the one before it is
// judged. -1 when none was taken.
qsizetype lastTaken(const QString& folder, const Plan& plan)
{
    for (qsizetype last = plan.steps.size() - 1; last >= 0; --last) {
        QHash<QString, bool> before;
        auto has = [&](const QString& rel) { return before.value(rel, present(folder + rel)); };
        qsizetype i = last;
        for (; i >= 0; --i) {
            const Step& s = plan.steps.at(i);
            if (taken(s, has) != Taken::Yes)
                break;
            before.insert(s.from, true);
            if (s.kind != Step::Replace)
                before.insert(s.to, false);
        }
        if (i < 0)
            return last;
    }
    return -1;
}

// Undoes a step that was taken; never through a link.
bool undoStep(const QString& folder, const Step& s, QString* error)
{
    QString link;
    if (!linkOn(folder, s, &link).isEmpty()) {
        *error = tr("路径经过链接“%1”").arg(folder + link);
        return false;
    }
    bool ok = false;
    switch (s.kind) {
    case Step::Move:
        ok = !modZip::MakeDirPath(QFileInfo(folder + s.from).absolutePath()).isEmpty()
             && !present(folder + s.from) && renamePath(folder + s.to, folder + s.from);
        if (!ok)
            *error = tr("无法将%1移回%2").arg(folder + s.to, folder + s.from);
        break;
    case Step::Keep:
        ok = ::unlink(native(folder + s.to).constData()) == 0;
        if (!ok)
            *error = tr("无法删除%1").arg(folder + s.to);
        break;
    case Step::Replace:
        ok = renamePath(folder + s.kept, folder + s.to);
        if (!ok)
            *error = tr("无法将%1移回%2").arg(folder + s.kept, folder + s.to);
        break;
    }
    if (ok)
        stepDone();
    return ok;
}

// The first step that is not of a shape the install writes (planSwap):
// the copy moved aside by the previous update into the backup, first; each
// new file moved in from staging; each replaced file kept in the backup, then
// its new one renamed over it from staging; the program last, its old copy
// then moved aside. -1 when every step is.
qsizetype misshapen(const Plan& plan)
{
    const QString staging = kStaging + QLatin1Char('/');
    const QString backup = kBackup + QLatin1Char('/');
    const QString moved = kProgramName + QLatin1Char('.') + kMovedExt;
    // A file of the package: none has a name the install uses for itself.
    const auto packageFile = [&](const QString& rel) {
        const QString first = rel.section(QLatin1Char('/'), 0, 0);
        return first != kStaging && first != kBackup && first != kJournal && first != moved && first != kPackageName;
    };
    const auto keeps = [&](const Step& s, const QString& rel) {
        return s.kind == Step::Keep && s.from == rel && s.to == backup + rel;
    };
    const qsizetype n = plan.steps.size();
    QSet<QString> placed;
    for (qsizetype i = 0; i < n; ++i) {
        const Step& s = plan.steps.at(i);
        const bool program = s.to == kProgramName;
        bool sound = false;
        switch (s.kind) {
        case Step::Move:
            if (s.from == moved)
                sound = i == 0 && s.to == backup + moved;
            else if (s.to == moved)
                sound = i == n - 1 && s.from == backup + kProgramName && i > 0
                        && plan.steps.at(i - 1).kind == Step::Replace && plan.steps.at(i - 1).to == kProgramName;
            else
                sound = packageFile(s.to) && s.from == staging + s.to && (!program || i == n - 1);
            break;
        case Step::Keep:
            sound = packageFile(s.from) && keeps(s, s.from) && i + 1 < n && plan.steps.at(i + 1).kind == Step::Replace
                    && plan.steps.at(i + 1).to == s.from;
            break;
        case Step::Replace:
            sound = packageFile(s.to) && s.from == staging + s.to && s.kept == backup + s.to && i > 0
                    && keeps(plan.steps.at(i - 1), s.to) && (!program || (i == n - 2 && plan.steps.at(n - 1).to == moved));
            break;
        }
        if (s.kind != Step::Keep && s.to != backup + moved && s.to != moved) {
            // Each file of the package takes its place once.
            sound = sound && !placed.contains(s.to);
            placed.insert(s.to);
        }
        if (!sound)
            return i;
    }
    return -1;
}

} // namespace

void setSwapStepHook(std::function<void()> hook)
{
    g_stepHook = std::move(hook);
}

namespace swap {

qsizetype commitStep(const Plan& plan)
{
    for (qsizetype i = 0; i < plan.steps.size(); ++i) {
        const Step& s = plan.steps.at(i);
        if (s.to == kProgramName && s.kind != Step::Keep)
            return i;
    }
    return plan.steps.size();
}

bool present(const QString& path)
{
    struct stat st{};
    return ::lstat(native(path).constData(), &st) == 0;
}

bool realFolder(const QString& path)
{
    struct stat st{};
    return ::lstat(native(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

QString throughLink(const QString& folder, const QString& rel, bool whole)
{
    const QStringList parts = rel.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString at;
    for (qsizetype i = 0; i < parts.size() - (whole ? 0 : 1); ++i) {
        at += (i ? QStringLiteral("/") : QString()) + parts.at(i);
        struct stat st{};
        if (::lstat(native(folder + at).constData(), &st) != 0) {
            // What is missing is made as a real folder.
            if (errno == ENOENT)
                return QString();
            return at;
        }
        if (!S_ISDIR(st.st_mode))
            return at;
    }
    return QString();
}

bool removeTree(const QString& path)
{
    if (!present(path))
        return true;
    const QFileInfo info(path);
    const int parent = ::open(native(info.path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (parent < 0)
        return false;
    const bool ok = removeTreeAt(parent, native(info.fileName()).constData());
    ::close(parent);
    return ok;
}

bool sync(const QString& path)
{
    const int fd = ::open(native(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

bool writeJournal(const QString& folder, const Plan& plan)
{
    QByteArray text = kHeader + '\n';
    int lines = 0;
    for (const QString& rel : plan.folders) {
        text += "folder " + encoded(rel) + '\n';
        ++lines;
    }
    for (const Step& s : plan.steps) {
        text += QByteArray(kindWord(s.kind)) + ' ' + encoded(s.from) + ' ' + encoded(s.to);
        if (s.kind == Step::Replace)
            text += ' ' + encoded(s.kept);
        text += '\n';
        ++lines;
    }
    if (plan.undo) {
        text += "undo\n";
        ++lines;
    }
    text += kEnd + QByteArray::number(lines) + ' ' + checksum(text) + '\n';
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

std::optional<Plan> readJournal(const QString& folder, QString* why)
{
    const QString path = folder + kJournal;
    struct stat st{};
    QFile in(path);
    if (::lstat(native(path).constData(), &st) != 0 || !S_ISREG(st.st_mode) || !in.open(QIODevice::ReadOnly)) {
        *why = tr("它不是可读取的普通文件");
        return std::nullopt;
    }
    const QByteArray text = in.readAll();
    if (!text.startsWith(kHeader + '\n')) {
        *why = text.startsWith("TROVA swap journal ") ? tr("它是旧版本写的，没有结束标记") : tr("它不是更新记录");
        return std::nullopt;
    }
    // The last line: "end", the number of lines between it and the header,
    // and the checksum of all before it.
    const qsizetype lastStart = text.lastIndexOf('\n', text.size() - 2) + 1;
    const QList<QByteArray> end = text.mid(lastStart).trimmed().split(' ');
    if (!text.endsWith('\n') || !text.mid(lastStart).startsWith(kEnd) || end.size() != 3) {
        *why = tr("它不完整，没有结束标记");
        return std::nullopt;
    }
    const qsizetype headerSize = kHeader.size() + 1;
    QList<QByteArray> lines = text.mid(headerSize, lastStart - headerSize).split('\n');
    lines.removeLast(); // after the last line end
    bool number = false;
    if (end.at(1).toLongLong(&number) != lines.size() || !number) {
        *why = tr("它应有%1行，却有%2行").arg(QString::fromLatin1(end.at(1))).arg(lines.size());
        return std::nullopt;
    }
    if (end.at(2) != checksum(text.left(lastStart))) {
        *why = tr("它已损坏，校验和不符");
        return std::nullopt;
    }
    Plan plan;
    for (const QByteArray& line : std::as_const(lines)) {
        const QList<QByteArray> words = line.split(' ');
        QStringList paths;
        for (const QByteArray& word : words.mid(1))
            paths << QUrl::fromPercentEncoding(word);
        for (const QString& rel : std::as_const(paths)) {
            if (!safeRelative(rel)) {
                *why = tr("它含有程序文件夹之外的路径“%1”").arg(rel);
                return std::nullopt;
            }
        }
        const QByteArray& kind = words.at(0);
        if (kind == "undo" && words.size() == 1)
            plan.undo = true;
        else if (kind == "folder" && words.size() == 2)
            plan.folders << paths[0];
        else if (kind == "move" && words.size() == 3)
            plan.steps.append({ Step::Move, paths[0], paths[1], QString() });
        else if (kind == "keep" && words.size() == 3)
            plan.steps.append({ Step::Keep, paths[0], paths[1], QString() });
        else if (kind == "replace" && words.size() == 4)
            plan.steps.append({ Step::Replace, paths[0], paths[1], paths[2] });
        else {
            *why = tr("它含有无法识别的一行“%1”").arg(QString::fromUtf8(line.left(80)));
            return std::nullopt;
        }
    }
    if (commitStep(plan) == plan.steps.size()) {
        *why = tr("它没有放入程序%1的一步").arg(kProgramName);
        return std::nullopt;
    }
    const qsizetype wrong = misshapen(plan);
    if (wrong >= 0) {
        const Step& s = plan.steps.at(wrong);
        *why = tr("它的第%1步“%2”不是安装程序写的步骤")
                   .arg(wrong + 1)
                   .arg(s.kind == Step::Replace ? describe(s) + QLatin1Char(' ') + s.kept : describe(s));
        return std::nullopt;
    }
    return plan;
}

bool makeStep(const QString& folder, const Step& step, QString* error)
{
    const QString from = folder + step.from;
    const QString to = folder + step.to;
    QString link;
    if (!linkOn(folder, step, &link).isEmpty()) {
        *error = tr("无法将%1移动到%2：路径经过链接“%3”").arg(from, to, folder + link);
        return false;
    }
    bool ok = false;
    switch (step.kind) {
    case Step::Move:
        ok = !modZip::MakeDirPath(QFileInfo(to).absolutePath()).isEmpty() && !present(to) && renamePath(from, to);
        break;
    case Step::Keep:
        ok = !modZip::MakeDirPath(QFileInfo(to).absolutePath()).isEmpty() && !present(to)
             && keepFile(folder, step.from, step.to);
        break;
    case Step::Replace:
        ok = present(to) && present(folder + step.kept) && renamePath(from, to);
        break;
    }
    if (!ok) {
        *error = step.kind == Step::Keep ? tr("无法将%1备份为%2").arg(from, to) : tr("无法将%1移动到%2").arg(from, to);
        return false;
    }
    stepDone();
    return true;
}

bool settle(const QString& folder, const Plan& plan, QString* error)
{
    // Checked first, touching nothing: every path stays out of links, and
    // the names there are what some number of the first steps leave.
    for (const Step& s : plan.steps) {
        QString link;
        const QString rel = linkOn(folder, s, &link);
        if (!rel.isEmpty()) {
            *error = tr("记录中的路径“%1”经过链接“%2”").arg(rel, link);
            return false;
        }
    }
    for (const QString& rel : plan.folders) {
        const QString link = throughLink(folder, rel);
        if (!link.isEmpty()) {
            *error = tr("记录中的路径“%1”经过链接“%2”").arg(rel, link);
            return false;
        }
    }
    const qsizetype last = lastTaken(folder, plan);
    // The steps after it must each read as not taken (or as put back) once
    // those before it are taken in thought.
    QHash<QString, bool> after;
    const auto will = [&](const QString& rel) { return after.value(rel, present(folder + rel)); };
    for (qsizetype i = last + 1; i < plan.steps.size(); ++i) {
        const Step& s = plan.steps.at(i);
        // A replace put back leaves its new file gone.
        const Taken t = taken(s, will);
        if (t == Taken::Broken || (t == Taken::Yes && !(plan.undo && s.kind == Step::Replace))) {
            *error = tr("程序文件夹中的文件与记录的一步“%1”不符").arg(describe(s));
            return false;
        }
        if (s.kind != Step::Keep)
            after.insert(s.from, false);
        if (s.kind != Step::Replace)
            after.insert(s.to, true);
    }
    const auto has = [&](const QString& rel) { return present(folder + rel); };
    if (!plan.undo && last >= commitStep(plan)) {
        for (qsizetype i = last + 1; i < plan.steps.size(); ++i) {
            if (!makeStep(folder, plan.steps.at(i), error))
                return false;
        }
        return true;
    }
    if (last < 0 && holdsFiles(folder + kBackup)) {
        *error = tr("备份文件夹%1中有记录之外的文件").arg(folder + kBackup);
        return false;
    }
    // Recorded as being undone before the first file goes back: a replace put
    // back reads as taken again, which only an undo may find; a stop while
    // putting back is then put back as well, never finished.
    if (!plan.undo && last >= 0) {
        Plan undoing = plan;
        undoing.undo = true;
        if (!writeJournal(folder, undoing)) {
            *error = tr("无法写入更新记录%1").arg(folder + kJournal);
            return false;
        }
    }
    // A keep is used up when its replace is put back.
    for (qsizetype i = last; i >= 0; --i) {
        const Step& s = plan.steps.at(i);
        if (taken(s, has) == Taken::Yes && !undoStep(folder, s, error))
            return false;
    }
    for (auto it = plan.folders.crbegin(); it != plan.folders.crend(); ++it)
        ::rmdir(native(folder + *it).constData());
    // The backup goes only once nothing in it is needed.
    if (holdsFiles(folder + kBackup)) {
        *error = tr("备份文件夹%1中还有没有放回的文件").arg(folder + kBackup);
        return false;
    }
    return true;
}

} // namespace swap

} // namespace update
