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
#include <utility>
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

// A name short enough for a message: its first characters and "…".
QString shortened(const QString& name)
{
    constexpr qsizetype kShown = 60;
    return name.size() <= kShown ? name : name.left(kShown) + QStringLiteral("…");
}

// What is wrong with an entry's name or kind; empty when it may be written.
QString unsafeEntry(const Entry& e)
{
    const QString& n = e.name;
    if (n.isEmpty())
        return tr("更新文件中有一个没有名称的条目");
    if (n.contains(QLatin1Char('\\')))
        return tr("条目“%1”的名称含有反斜杠").arg(n);
    if (n.startsWith(QLatin1Char('/')))
        return tr("条目“%1”是绝对路径").arg(n);
    if (n.size() >= 2 && n.at(1) == QLatin1Char(':') && n.at(0).isLetter())
        return tr("条目“%1”指定了驱动器").arg(n);
    if (n.contains(QChar(0)))
        return tr("条目“%1”的名称含有空字符").arg(n);
    // Before the name is split: a name of tens of thousands of levels costs
    // nothing more than this.
    const qsizetype bytes = QFile::encodeName(n).size();
    if (bytes >= kMaxPathBytes)
        return tr("条目“%1”的名称长达%2字节，超过了文件系统允许的%3字节")
            .arg(shortened(n))
            .arg(bytes)
            .arg(kMaxPathBytes - 1);
    const QStringList parts = n.split(QLatin1Char('/'));
    for (const QString& p : parts) {
        if (p == QLatin1String(".."))
            return tr("条目“%1”指向程序文件夹之外").arg(n);
        if (QFile::encodeName(p).size() > kMaxNameBytes)
            return tr("条目“%1”中的名称“%2”超过了文件系统允许的%3字节")
                .arg(shortened(n), shortened(p))
                .arg(kMaxNameBytes);
    }
    // "." or "data/." as a file would be written over its folder.
    if (!isDirectory(e) && parts.last() == QLatin1String("."))
        return tr("条目“%1”指的是文件夹而不是文件").arg(n);
    if (e.encrypted)
        return tr("条目“%1”已加密").arg(n);
    // Permission bits without a file type are what many zip tools write for
    // a plain file.
    const unsigned type = unixMode(e) & S_IFMT;
    if (type == S_IFLNK)
        return tr("条目“%1”是链接").arg(n);
    if (type && type != S_IFREG && type != S_IFDIR)
        return tr("条目“%1”不是普通文件").arg(n);
    return QString();
}

// Walks the package's directory into *list: every entry safe to write, no
// name given twice, at most kMaxEntries files and folders (the folders a path
// implies included), the declared sizes together under the cap. The empty
// text when all holds, else what is wrong.
QString listEntries(unzFile zf, PackageListing* list)
{
    QSet<QString> files;
    QSet<QString> folders;
    // The folder and those above it; false when one of them is a file.
    auto addFolders = [&](QString path) {
        for (; !path.isEmpty() && path != QLatin1String(".") && !folders.contains(path);
             path = path.section(QLatin1Char('/'), 0, -2)) {
            if (files.contains(path))
                return false;
            folders.insert(path);
        }
        return true;
    };
    int rc = unzGoToFirstFile(zf);
    while (rc == UNZ_OK) {
        Entry e;
        if (!readEntry(zf, &e))
            return tr("更新文件的目录已损坏");
        const QString wrong = unsafeEntry(e);
        if (!wrong.isEmpty())
            return wrong;
        const QString path = QDir::cleanPath(e.name);
        const bool folder = isDirectory(e);
        // Its bytes would be dropped without a word.
        if (folder && e.size > 0)
            return tr("条目“%1”标为文件夹，却含有数据").arg(e.name);
        if (files.contains(path) || (!folder && folders.contains(path))
            || !addFolders(folder ? path : path.section(QLatin1Char('/'), 0, -2)))
            return tr("条目“%1”重复出现").arg(e.name);
        if (!folder) {
            if (e.size > quint64(kMaxPackageBytes - list->declaredBytes))
                return tr("条目总计超过%1字节").arg(kMaxPackageBytes);
            files.insert(path);
            list->files << path;
            list->sizes << qint64(e.size);
            list->declaredBytes += qint64(e.size);
        }
        if (files.size() + folders.size() > kMaxEntries)
            return tr("更新文件含有超过%1个文件和文件夹").arg(kMaxEntries);
        rc = unzGoToNextFile(zf);
    }
    if (rc != UNZ_END_OF_LIST_OF_FILE)
        return tr("更新文件的目录已损坏");
    list->folders = QStringList(folders.begin(), folders.end());
    list->folders.sort();
    return QString();
}

DiskSpace systemDiskSpace(const QString& path)
{
    QString at = QFileInfo(path).absoluteFilePath();
    while (!QFileInfo::exists(at)) {
        const QString up = QFileInfo(at).path();
        if (up == at)
            return {};
        at = up;
    }
    const QStorageInfo storage(at);
    if (!storage.isValid())
        return {};
    return { storage.bytesAvailable(), storage.blockSize() };
}

DiskSpaceProbe& diskSpaceProbe()
{
    static DiskSpaceProbe probe = systemDiskSpace;
    return probe;
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
        *error = tr("无法写入%1：%2").arg(path, out.errorString());
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
            *error = tr("无法写入%1：%2").arg(path, out.errorString());
            return false;
        }
        if (out.write(block, n) != n) {
            *error = tr("无法写入%1：%2").arg(path, out.errorString());
            return false;
        }
    }
    using Fault = archive::EntryReader::Fault;
    switch (entry.fault()) {
    case Fault::Encrypted:
        *error = tr("条目“%1”已加密").arg(name);
        break;
    case Fault::Method:
        *error = tr("条目“%1”使用了未知的压缩方法").arg(name);
        break;
    case Fault::Short:
        *error = tr("条目“%1”只有%2字节，应为%3字节").arg(name).arg(entry.produced()).arg(e.size);
        break;
    case Fault::Long:
        *error = tr("条目“%1”超出了其声明的%2字节").arg(name).arg(e.size);
        break;
    case Fault::Checksum:
        *error = tr("条目“%1”校验和错误").arg(name);
        break;
    default:
        *error = tr("条目“%1”已损坏").arg(name);
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

QString MakeDirPath(const QString& path, QStringList* created)
{
    QString work = AddBackSlash(path);
    while (work.contains(QLatin1String("//")))
        work.replace(QLatin1String("//"), QLatin1String("/"));
    QStringList missing;
    for (QString at = QDir::cleanPath(work); !QFileInfo(at).isDir(); at = QFileInfo(at).path()) {
        // A file in the way, or a root that is not there: one attempt ends
        // it instead of trying for ever.
        if (QFileInfo::exists(at) || missing.contains(at))
            return QString();
        missing.prepend(at);
    }
    // Made for the owner alone, then opened to the others' reading: the
    // umask never leaves one writable by them, not even for a moment.
    for (const QString& folder : missing) {
        const QByteArray native = QFile::encodeName(folder);
        if (::mkdir(native.constData(), S_IRWXU) != 0)
            return QString();
        if (created)
            created->append(folder);
        if (::chmod(native.constData(), kFolderMode) != 0)
            return QString();
    }
    return work;
}

DiskSpaceProbe SetDiskSpaceProbe(DiskSpaceProbe probe)
{
    return std::exchange(diskSpaceProbe(), std::move(probe));
}

DiskSpace DiskSpaceAt(const QString& path)
{
    return diskSpaceProbe()(path);
}

qint64 DiskBytes(const PackageListing& list, qint64 blockSize)
{
    qint64 total = (list.files.size() + list.folders.size()) * blockSize;
    for (qint64 size : list.sizes)
        total += (size + blockSize - 1) / blockSize * blockSize;
    return total;
}

PackageListing ListPackage(const QString& package)
{
    PackageListing list;
    Package zip(package);
    if (!zip.handle)
        list.error = tr("%1不是可读取的zip更新文件").arg(package);
    else
        list.error = listEntries(zip.handle, &list);
    return list;
}

QString CheckPackage(const QString& package)
{
    return ListPackage(package).error;
}

UnzipResult UnzipToFolder(const QString& destination, const QString& package)
{
    UnzipResult r;
    Package zip(package);
    if (!zip.handle) {
        r.error = tr("%1不是可读取的zip更新文件").arg(package);
        return r;
    }
    PackageListing list;
    r.error = listEntries(zip.handle, &list);
    if (!r.error.isEmpty())
        return r;
    // Each file and folder takes whole blocks, and a block at least for its
    // own record, however few bytes it declares.
    const DiskSpace disk = DiskSpaceAt(destination);
    const qint64 need = DiskBytes(list, qMax<qint64>(disk.blockSize, 4096));
    if (disk.free >= 0 && need > disk.free) {
        r.error = tr("解压需要%1字节，但只有%2字节可用").arg(need).arg(disk.free);
        return r;
    }
    const QString root = MakeDirPath(destination);
    if (root.isEmpty()) {
        r.error = tr("无法创建文件夹%1").arg(destination);
        return r;
    }
    int rc = unzGoToFirstFile(zip.handle);
    while (rc == UNZ_OK) {
        Entry e;
        if (!readEntry(zip.handle, &e)) {
            r.error = tr("更新文件的目录已损坏");
            return r;
        }
        // A folder entry makes its own folder, a file entry the one it sits in.
        const bool dir = isDirectory(e);
        const QString target = root + e.name;
        const QString wanted = dir ? target : GetFilePath(target);
        const QString folder = MakeDirPath(wanted);
        if (folder.isEmpty()) {
            r.error = tr("无法创建文件夹%1").arg(wanted);
            return r;
        }
        const QString rel = QDir(root).relativeFilePath(dir ? folder : target);
        if (dir) {
            if (rel != QLatin1String(".")) {
                r.folders << rel;
                r.folderModes << permissionBits(e);
            }
        } else {
            if (!writeEntry(zip, e, target, &r.error))
                return r;
            r.files << rel;
            r.modes << permissionBits(e);
        }
        rc = unzGoToNextFile(zip.handle);
    }
    if (rc != UNZ_END_OF_LIST_OF_FILE) {
        r.error = tr("更新文件的目录已损坏");
        return r;
    }
    r.ok = true;
    return r;
}

} // namespace modZip
