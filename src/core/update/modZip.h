#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

// Unpacking the update package and the file-name helpers of the install.
// Paths use the system's separator "/".
namespace modZip {

// The path with a trailing "/" unless it already ends in one.
QString AddBackSlash(const QString& path);
// The path up to and including its last "/"; empty when it has none.
QString GetFilePath(const QString& path);
// The text after the last "/"; the whole text when it has none.
QString GetFileName(const QString& path);
// The text after the last "." of the file name; empty when the name has
// none. A dot in a folder name does not count.
QString GetFileExt(const QString& path);
// The path whose file name has its extension replaced by ext (or gets "." +
// ext when it has none). Only the file name changes.
QString ChangeFileExt(const QString& path, const QString& ext);
// The mode of a folder the install makes: never writable by group or others,
// whatever the umask.
inline constexpr unsigned kFolderMode = 0755;
// Creates every missing folder of the path with kFolderMode, noting each one
// in *created. Returns the path with a trailing "/", or the empty text when
// a folder could not be created.
QString MakeDirPath(const QString& path, QStringList* created = nullptr);

// The file system that holds a path, or its nearest existing folder: the
// bytes free there (-1 when the system cannot tell) and its block size.
struct DiskSpace
{
    qint64 free = -1;
    qint64 blockSize = 0;
};
using DiskSpaceProbe = std::function<DiskSpace(const QString& path)>;
// How the download and the unpacking read the disk: the system's reading
// unless another probe stands in. Returns the probe it replaces.
DiskSpaceProbe SetDiskSpaceProbe(DiskSpaceProbe probe);
DiskSpace DiskSpaceAt(const QString& path);

// The most the entries of one package may declare together. A real package
// is a few tens of megabytes; this stops a small file from filling the disk.
inline constexpr qint64 kMaxPackageBytes = qint64(256) << 20;
// The most files and folders one package may make, those its paths imply
// included. A program folder holds hundreds; this stops a small package
// from making hundreds of thousands.
inline constexpr int kMaxEntries = 10000;
// The longest name the file system takes: a whole path, its closing null
// byte included, and one part of it between two "/". A longer entry name
// could never be written; it is refused before anything is built from it.
inline constexpr int kMaxPathBytes = 4096;
inline constexpr int kMaxNameBytes = 255;

// What a package would write, read from its directory alone.
struct PackageListing
{
    QString error; // empty when the package is sound
    // The files, cleaned and relative, in package order, with the size each
    // declares.
    QStringList files;
    QList<qint64> sizes;
    // Every folder the files and folder entries make, sorted.
    QStringList folders;
    qint64 declaredBytes = 0;
};

// Checks that every entry of the package may be written under a folder:
// no ".." part, no absolute path, no drive letter, no backslash, no link or
// special file, no name longer than the file system takes (kMaxPathBytes,
// kMaxNameBytes), no folder entry that carries data, no name given twice (a
// file and a folder included), at most kMaxEntries files and folders, and
// all entries together declaring no more than kMaxPackageBytes.
PackageListing ListPackage(const QString& package);
// The disk the listing takes: every file rounded up to whole blocks, and one
// block more for each file and folder.
qint64 DiskBytes(const PackageListing& list, qint64 blockSize);

struct UnzipResult
{
    bool ok = false;
    QString error;
    // The files written, relative to the destination, in package order.
    QStringList files;
    // Beside each file: the permission bits its entry carries (no set-user-id,
    // set-group-id or sticky bit), or -1 when it carries none.
    QList<int> modes;
    // The folders the package holds as folder entries, relative, and beside
    // each the permission bits it carries, or -1.
    QStringList folders;
    QList<int> folderModes;
};

// What ListPackage finds wrong with the package; the empty text when it is
// sound.
QString CheckPackage(const QString& package);

// Unpacks every entry of the package under the destination, creating
// folders as needed. A package with an unsafe entry, or one whose files and
// folders (DiskBytes) do not fit on the destination's file system, is
// refused whole before anything is written. Every entry must give exactly
// its declared size and checksum; the first failure ends the walk.
UnzipResult UnzipToFolder(const QString& destination, const QString& package);

} // namespace modZip
