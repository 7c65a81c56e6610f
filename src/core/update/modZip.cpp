#include "update/modZip.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <minizip/unzip.h>
#include <sys/stat.h>
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

// Owns the package handle so every way out closes it.
struct Package
{
    unzFile handle = nullptr;
    explicit Package(const QString& path)
        : handle(unzOpen64(QFile::encodeName(path).constData()))
    {
    }
    ~Package()
    {
        if (handle)
            unzClose(handle);
    }
    Package(const Package&) = delete;
    Package& operator=(const Package&) = delete;
};

struct Entry
{
    QString name;
    unz_file_info64 info{};
};

// The current entry's information and whole name, however long it is.
bool readEntry(unzFile zf, Entry* e)
{
    if (unzGetCurrentFileInfo64(zf, &e->info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
        return false;
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

bool isDirectory(const Entry& e)
{
    return (e.info.external_fa & kDirectoryAttribute) || e.name.endsWith(QLatin1Char('/'));
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
    if ((e.info.version >> 8) == kHostUnix) {
        const unsigned mode = unsigned(e.info.external_fa >> 16);
        if (S_ISLNK(mode))
            return tr("the entry \"%1\" is a link").arg(n);
        if (mode && !S_ISREG(mode) && !S_ISDIR(mode))
            return tr("the entry \"%1\" is not a plain file").arg(n);
    }
    return QString();
}

// Writes the current entry to path in blocks; false with *error set when the
// entry cannot be read whole, fails its checksum or cannot be written.
bool writeEntry(unzFile zf, const QString& path, const QString& name, QString* error)
{
    if (unzOpenCurrentFile(zf) != UNZ_OK) {
        *error = tr("the entry \"%1\" cannot be read").arg(name);
        return false;
    }
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        unzCloseCurrentFile(zf);
        *error = tr("cannot write %1: %2").arg(path, out.errorString());
        return false;
    }
    char block[kBlock];
    for (;;) {
        const int n = unzReadCurrentFile(zf, block, kBlock);
        if (n < 0) {
            unzCloseCurrentFile(zf);
            *error = tr("the entry \"%1\" is damaged").arg(name);
            return false;
        }
        if (n == 0)
            break;
        if (out.write(block, n) != n) {
            unzCloseCurrentFile(zf);
            *error = tr("cannot write %1: %2").arg(path, out.errorString());
            return false;
        }
    }
    out.close();
    if (unzCloseCurrentFile(zf) != UNZ_OK) {
        *error = tr("the entry \"%1\" fails its checksum").arg(name);
        return false;
    }
    return true;
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

QString CheckPackage(const QString& package)
{
    Package zip(package);
    if (!zip.handle)
        return tr("%1 is not a readable zip package").arg(package);
    int rc = unzGoToFirstFile(zip.handle);
    while (rc == UNZ_OK) {
        Entry e;
        if (!readEntry(zip.handle, &e))
            return tr("the package's directory is damaged");
        const QString wrong = unsafeEntry(e);
        if (!wrong.isEmpty())
            return wrong;
        rc = unzGoToNextFile(zip.handle);
    }
    if (rc != UNZ_END_OF_LIST_OF_FILE)
        return tr("the package's directory is damaged");
    return QString();
}

UnzipResult UnzipToFolder(const QString& destination, const QString& package)
{
    UnzipResult r;
    r.error = CheckPackage(package);
    if (!r.error.isEmpty())
        return r;
    Package zip(package);
    if (!zip.handle) {
        r.error = tr("%1 is not a readable zip package").arg(package);
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
        QString folder = root;
        QString name = e.name;
        if (name.contains(QLatin1Char('/'))) {
            folder = MakeDirPath(GetFilePath(root + name));
            if (folder.isEmpty()) {
                r.error = tr("cannot create the folder %1").arg(GetFilePath(root + name));
                return r;
            }
            name = GetFileName(name);
        }
        if (!isDirectory(e) && !name.isEmpty() && name != QLatin1String(".")) {
            if (!writeEntry(zip.handle, folder + name, e.name, &r.error))
                return r;
            r.files << QDir(root).relativeFilePath(folder + name);
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
