#include "update/modZip.h"

#include "archive/ZipEntry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStorageInfo>
#include <QStringDecoder>

#include <minizip/unzip.h>
#include <sys/stat.h>
#include <zlib.h>
#include <vector>

namespace modZip {

namespace {

constexpr int kBlock = 2048;
constexpr unsigned long kDirectoryAttribute = 0x10;
constexpr unsigned long kUtf8NameFlag = 0x800;
constexpr unsigned long kHostUnix = 3;

QString tr(const char* text)
{
    return QCoreApplication::translate("modZip", text);
}

// Owns the package handle so every way out closes it; the file beside it
// gives the entries' bytes.
struct Package
{
    unzFile handle = nullptr;
    QFile file;
    explicit Package(const QString& path)
        : handle(unzOpen64(QFile::encodeName(path).constData())), file(path)
    {
        if (handle && !file.open(QIODevice::ReadOnly)) {
            unzClose(handle);
            handle = nullptr;
        }
    }
    ~Package()
    {
        if (handle)
            unzClose(handle);
    }
    Package(const Package&) = delete;
    Package& operator=(const Package&) = delete;
};

struct Entry : archive::EntryInfo
{
    QString name;
};

// The current entry's information, true sizes and whole name, however long
// it is.
bool readEntry(unzFile zf, Entry* e)
{
    const auto entry = archive::currentEntry(zf);
    if (!entry)
        return false;
    static_cast<archive::EntryInfo&>(*e) = *entry;
    std::vector<char> name(e->info.size_filename + 1, '\0');
    if (unzGetCurrentFileInfo64(zf, &e->info, name.data(), uLong(name.size()), nullptr, 0, nullptr, 0) != UNZ_OK)
        return false;
    const QByteArray raw(name.data(), qsizetype(e->info.size_filename));
    if (e->info.flag & kUtf8NameFlag) {
        e->name = QString::fromUtf8(raw);
    } else {
        // Names without the UTF-8 flag are taken as UTF-8 when they are
        // valid UTF-8, else byte for byte.
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString decoded = utf8.decode(raw);
        e->name = utf8.hasError() ? QString::fromLatin1(raw) : decoded;
    }
    return true;
}

// The Unix mode of an entry made on Unix; 0 when it carries none.
unsigned unixMode(const Entry& e)
{
    return (e.info.version >> 8) == kHostUnix ? unsigned(e.info.external_fa >> 16) : 0;
}

bool isDirectory(const Entry& e)
{
    return (e.info.external_fa & kDirectoryAttribute) || e.name.endsWith(QLatin1Char('/')) || S_ISDIR(unixMode(e));
}

// The read, write and execute bits the entry carries; -1 when it has none.
int permissionBits(const Entry& e)
{
    const unsigned bits = unixMode(e) & 0777;
    return bits ? int(bits) : -1;
}

// What is wrong with an entry's name or kind; empty when it may be written.
QString unsafeEntry(const Entry& e)
{
    const QString& n = e.name;
    if (n.isEmpty())
        return tr("an entry without a name");
    if (n.contains(QLatin1Char('\\')))
        return tr("the entry \"%1\" holds a backslash").arg(n);
    if (n.startsWith(QLatin1Char('/')))
        return tr("the entry \"%1\" is an absolute path").arg(n);
    if (n.size() >= 2 && n.at(1) == QLatin1Char(':') && n.at(0).isLetter())
        return tr("the entry \"%1\" names a drive").arg(n);
    if (n.contains(QChar(0)))
        return tr("the entry \"%1\" holds a NUL character").arg(n);
    const QStringList parts = n.split(QLatin1Char('/'));
    for (const QString& p : parts) {
        if (p == QLatin1String(".."))
            return tr("the entry \"%1\" leads out of the folder").arg(n);
    }
    // "." or "data/." as a file would be written over its folder.
    if (!isDirectory(e) && parts.last() == QLatin1String("."))
        return tr("the entry \"%1\" names a folder, not a file").arg(n);
    if (e.encrypted)
        return tr("the entry \"%1\" is encrypted").arg(n);
    // Permission bits without a file type are what many zip tools write for
    // a plain file.
    const unsigned type = unixMode(e) & S_IFMT;
    if (type == S_IFLNK)
        return tr("the entry \"%1\" is a link").arg(n);
    if (type && type != S_IFREG && type != S_IFDIR)
        return tr("the entry \"%1\" is not a plain file").arg(n);
    return QString();
}

// Walks the package's directory: every entry safe to write, no name given
// twice, and the declared sizes together under the cap, summed in *total.
QString checkEntries(unzFile zf, qint64* total)
{
    QSet<QString> files;
    QSet<QString> folders;
    *total = 0;
    int rc = unzGoToFirstFile(zf);
    while (rc == UNZ_OK) {
        Entry e;
        if (!readEntry(zf, &e))
            return tr("the package's directory is damaged");
        const QString wrong = unsafeEntry(e);
        if (!wrong.isEmpty())
            return wrong;
        const QString path = QDir::cleanPath(e.name);
        const bool folder = isDirectory(e);
        if (files.contains(path) || (!folder && folders.contains(path)))
            return tr("the entry \"%1\" is given twice").arg(e.name);
        (folder ? folders : files).insert(path);
        if (!folder) {
            if (e.size > quint64(kMaxPackageBytes - *total))
                return tr("the entries declare more than %1 bytes").arg(kMaxPackageBytes);
            *total += qint64(e.size);
        }
        rc = unzGoToNextFile(zf);
    }
    if (rc != UNZ_END_OF_LIST_OF_FILE)
        return tr("the package's directory is damaged");
    return QString();
}

// Writes the current entry to path in blocks; false with *error set when the
// entry cannot be read, cannot be written, or does not inflate to exactly
// its declared size and checksum with its stream ending there.
bool writeEntry(Package& zip, const Entry& e, const QString& path, QString* error)
{
    const QString& name = e.name;
    archive::EntryReader entry(zip.handle, zip.file, e);
    QFile out(path);
    if (entry.fault() == archive::EntryReader::Fault::None
        && !out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *error = tr("cannot write %1: %2").arg(path, out.errorString());
        return false;
    }
    char block[kBlock];
    for (;;) {
        const qint64 n = entry.read(block, kBlock);
        if (n < 0)
            break;
        if (n == 0) {
            out.close();
            if (out.error() == QFileDevice::NoError)
                return true;
            *error = tr("cannot write %1: %2").arg(path, out.errorString());
            return false;
        }
        if (out.write(block, n) != n) {
            *error = tr("cannot write %1: %2").arg(path, out.errorString());
            return false;
        }
    }
    using Fault = archive::EntryReader::Fault;
    switch (entry.fault()) {
    case Fault::Encrypted:
        *error = tr("the entry \"%1\" is encrypted").arg(name);
        break;
    case Fault::Method:
        *error = tr("the entry \"%1\" is compressed by an unknown method").arg(name);
        break;
    case Fault::Short:
        *error = tr("the entry \"%1\" holds %2 of its %3 bytes").arg(name).arg(entry.produced()).arg(e.size);
        break;
    case Fault::Long:
        *error = tr("the entry \"%1\" does not end at its declared size of %2 bytes").arg(name).arg(e.size);
        break;
    case Fault::Checksum:
        *error = tr("the entry \"%1\" fails its checksum").arg(name);
        break;
    default:
        *error = tr("the entry \"%1\" is damaged").arg(name);
        break;
    }
    return false;
}

} // namespace

QString AddBackSlash(const QString& path)
{
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

QString GetFilePath(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : path.left(slash + 1);
}

QString GetFileName(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? path : path.mid(slash + 1);
}

QString GetFileExt(const QString& path)
{
    const QString name = GetFileName(path);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot + 1);
}

QString ChangeFileExt(const QString& path, const QString& ext)
{
    const QString folder = GetFilePath(path);
    const QString name = GetFileName(path);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return folder + (dot < 0 ? name + QLatin1Char('.') : name.left(dot + 1)) + ext;
}

QString MakeDirPath(const QString& path)
{
    QString work = AddBackSlash(path);
    while (work.contains(QLatin1String("//")))
        work.replace(QLatin1String("//"), QLatin1String("/"));
    // One attempt for the whole path: a prefix that cannot be made (a file
    // in the way, no permission) ends it instead of trying for ever.
    if (!QDir().mkpath(work) || !QFileInfo(work).isDir())
        return QString();
    return work;
}

qint64 FreeSpace(const QString& path)
{
    QString at = QFileInfo(path).absoluteFilePath();
    while (!QFileInfo::exists(at)) {
        const QString up = QFileInfo(at).path();
        if (up == at)
            return -1;
        at = up;
    }
    const QStorageInfo storage(at);
    return storage.isValid() ? storage.bytesAvailable() : -1;
}

QString CheckPackage(const QString& package)
{
    Package zip(package);
    if (!zip.handle)
        return tr("%1 is not a readable zip package").arg(package);
    qint64 total = 0;
    return checkEntries(zip.handle, &total);
}

UnzipResult UnzipToFolder(const QString& destination, const QString& package)
{
    UnzipResult r;
    Package zip(package);
    if (!zip.handle) {
        r.error = tr("%1 is not a readable zip package").arg(package);
        return r;
    }
    qint64 total = 0;
    r.error = checkEntries(zip.handle, &total);
    if (!r.error.isEmpty())
        return r;
    const qint64 free = FreeSpace(destination);
    if (free >= 0 && total > free) {
        r.error = tr("the package needs %1 bytes and only %2 are free").arg(total).arg(free);
        return r;
    }
    const QString root = MakeDirPath(destination);
    if (root.isEmpty()) {
        r.error = tr("cannot create the folder %1").arg(destination);
        return r;
    }
    int rc = unzGoToFirstFile(zip.handle);
    while (rc == UNZ_OK) {
        Entry e;
        if (!readEntry(zip.handle, &e)) {
            r.error = tr("the package's directory is damaged");
            return r;
        }
        // A folder entry makes its own folder, a file entry the one it sits in.
        const bool dir = isDirectory(e);
        const QString target = root + e.name;
        const QString wanted = dir ? target : GetFilePath(target);
        const QString folder = MakeDirPath(wanted);
        if (folder.isEmpty()) {
            r.error = tr("cannot create the folder %1").arg(wanted);
            return r;
        }
        const QString rel = QDir(root).relativeFilePath(dir ? folder : target);
        if (dir) {
            if (rel != QLatin1String("."))
                r.folders << rel;
        } else {
            if (!writeEntry(zip, e, target, &r.error))
                return r;
            r.files << rel;
            r.modes << permissionBits(e);
        }
        rc = unzGoToNextFile(zip.handle);
    }
    if (rc != UNZ_END_OF_LIST_OF_FILE) {
        r.error = tr("the package's directory is damaged");
        return r;
    }
    r.ok = true;
    return r;
}

} // namespace modZip
