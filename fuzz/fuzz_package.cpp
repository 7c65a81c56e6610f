// Arbitrary bytes as an update package, through the check and the unpacking
// into a scratch folder. Whatever the bytes, nothing lands outside the
// folder, a package the check refuses writes nothing, and an unpacked one
// holds exactly the files it reports, within the size cap and the bound on
// files and folders.
#include "update/modZip.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

QStringList entriesUnder(const QString& root, QDir::Filters kind)
{
    QStringList out;
    QDirIterator it(root, kind | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << QDir(root).relativeFilePath(it.next());
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir scratch;
    const QString work = scratch.path() + QStringLiteral("/run");
    const QString package = work + QStringLiteral("/package.zip");
    const QString out = work + QStringLiteral("/out");
    QDir(work).removeRecursively();
    QDir().mkpath(work);
    QFile f(package);
    check(f.open(QIODevice::WriteOnly));
    check(f.write(reinterpret_cast<const char*>(data), qint64(size)) == qint64(size));
    f.close();

    const bool sound = modZip::CheckPackage(package).isEmpty();
    const modZip::UnzipResult r = modZip::UnzipToFolder(out, package);
    check(r.ok == r.error.isEmpty());
    check(sound || (!r.ok && !QFileInfo::exists(out)));
    // Nothing beside the package and the destination, and nothing above them.
    for (const QString& e : QDir(work).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System))
        check(e == QLatin1String("package.zip") || e == QLatin1String("out"));
    check(QDir(scratch.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden) == QStringList{"run"});
    if (!r.ok)
        return 0;

    check(sound);
    check(r.modes.size() == r.files.size());
    for (int m : r.modes)
        check(m == -1 || (m > 0 && m <= 0777));
    const QStringList files = entriesUnder(out, QDir::Files);
    check(QSet<QString>(files.begin(), files.end()) == QSet<QString>(r.files.begin(), r.files.end()));
    check(files.size() == r.files.size()); // no name reported twice
    qint64 total = 0;
    for (const QString& file : files) {
        const QFileInfo info(out + QLatin1Char('/') + file);
        check(!info.isSymLink());
        total += info.size();
    }
    check(total <= modZip::kMaxPackageBytes);
    check(entriesUnder(out, QDir::AllEntries).size() <= modZip::kMaxEntries);
    for (const QString& folder : r.folders)
        check(QFileInfo(out + QLatin1Char('/') + folder).isDir());
    return 0;
}
