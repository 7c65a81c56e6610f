#pragma once

#include <QString>
#include <QStringList>

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
// Creates every missing folder of the path. Returns the path with a
// trailing "/", or the empty text when a folder could not be created.
QString MakeDirPath(const QString& path);

struct UnzipResult
{
    bool ok = false;
    QString error;
    // The files written, relative to the destination, in package order.
    QStringList files;
};

// Checks that every entry of the package may be written under a folder:
// no ".." part, no absolute path, no drive letter, no backslash, no link.
// The empty text when the package is sound, else what is wrong with it.
QString CheckPackage(const QString& package);

// Unpacks every entry of the package under the destination, creating
// folders as needed. A package with an unsafe entry is refused whole before
// anything is written. Every entry is read to its end and its checksum
// verified; the first failure ends the walk.
UnzipResult UnzipToFolder(const QString& destination, const QString& package);

} // namespace modZip
