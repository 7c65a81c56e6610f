#include "HttpTestServer.h"
#include "SmallDisk.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "ZipBuilder.h"
#include "update/EntryRoom.h"
#include "update/HttpGet.h"
#include "update/Installer.h"
#include "update/PackageDownload.h"
#include "update/SwapJournal.h"
#include "update/UpdateServer.h"
#include "update/modZip.h"

#include <QDir>
#include <QLockFile>
#include <QNetworkReply>
#include <QProcess>
#include <QSignalSpy>
#include <QSslError>
#include <QTemporaryDir>
#include <QTest>
#include <optional>
#include <sys/stat.h>

using namespace testing;

namespace {

// A package from entries "k name": k is f (a file), d (a folder), l (a
// link), x (a file whose checksum is wrong), p (a named pipe) or b (a DOS
// folder entry that carries data); "n count pattern" gives count files named
// by the pattern with %1 the number; "r count part last" one file named by the
// part repeated count times, then last.
bool build(const QString& zip, const QStringList& entries)
{
    ZipBuilder b(zip);
    for (const QString& e : entries) {
        const QString name = e.mid(2);
        if (e.startsWith('r')) {
            b.file(e.section(' ', 2, 2).repeated(e.section(' ', 1, 1).toInt()) + e.section(' ', 3), "1");
        } else if (e.startsWith('n')) {
            for (int i = 0; i < e.section(' ', 1, 1).toInt(); ++i)
                b.file(e.section(' ', 2).arg(i), "1");
        } else if (e.startsWith('b'))
            b.dosFolder(name, QByteArray(1 << 20, 'd'));
        else if (e.startsWith('d'))
            b.dir(name);
        else if (e.startsWith('l'))
            b.link(name, "/etc");
        else if (e.startsWith('x'))
            b.damagedFile(name, "v2");
        else if (e.startsWith('p'))
            b.file(name, QByteArray(), 010644);
        else
            b.file(name, "v2 " + name.toUtf8());
    }
    return b.close();
}

// A folder with the old program (a script that says "v1") and a package of
// the new one ("v2"), first or last among its entries.
bool prepareSwap(const QString& prog, bool programFirst)
{
    if (!writeFile(prog + "/TROVA", "#!/bin/sh\necho v1\n", 0755) || !writeFile(prog + "/TROVA.exec", "v0")
        || !writeFile(prog + "/trova-xlreader", "reader v1", 0755)
        || !writeFile(prog + "/lib/big.bin", QByteArray(70000, 'o')) || !writeFile(prog + "/data/keep.txt", "old"))
        return false;
    ZipBuilder zip(prog + "/Kalvimar.zip");
    if (programFirst)
        zip.file("TROVA", "#!/bin/sh\necho v2\n", 0100755);
    zip.file("lib/big.bin", QByteArray(80000, 'n'))
        .file("trova-xlreader", "reader v2", 0100755)
        .file("lib/after.txt", "after")
        .file("newdir/sub/f.txt", "f")
        .dir("logs/");
    if (!programFirst)
        zip.file("TROVA", "#!/bin/sh\necho v2\n", 0100755);
    return zip.close();
}

// What the program says when it is started; empty when it cannot be.
QByteArray runProgram(const QString& program)
{
    QProcess p;
    p.start(program, {});
    if (!p.waitForFinished(30000))
        return QByteArray();
    return p.readAllStandardOutput().trimmed();
}

// Stops a swap after the given step, as a crash would; 0 never stops.
struct StopAtStep
{
    struct Stop { };
    int steps = 0;
    int at = 0;
    StopAtStep()
    {
        update::setSwapStepHook([this] {
            if (++steps == at)
                throw Stop();
        });
    }
    ~StopAtStep() { update::setSwapStepHook({}); }
};

// A swap stopped with files kept, moved and replaced, the program not:
// steps 0 to 5 of the record were taken (TROVA.exec moved to the backup,
// lib/big.bin and trova-xlreader each kept and replaced, lib/after.txt moved
// in), not the rest (newdir/sub/f.txt moved in, TROVA kept and replaced,
// its old copy moved aside).
bool stopMidSwap(const QString& prog)
{
    if (!prepareSwap(prog, false))
        return false;
    StopAtStep stop;
    stop.at = 7;
    try {
        update::installPackage(prog);
    } catch (const StopAtStep::Stop&) {
        return true;
    }
    return false;
}

using update::swap::Step;

// The record of stopMidSwap with its steps changed, whole and sealed.
bool resealed(const QString& prog, const std::function<void(QList<Step>&)>& change)
{
    QString why;
    std::optional<update::swap::Plan> plan = update::swap::readJournal(prog + "/", &why);
    if (!plan || plan->steps.size() != 10)
        return false;
    change(plan->steps);
    return update::swap::writeJournal(prog + "/", *plan);
}

// The scope runs under the given umask.
class Umask
{
public:
    explicit Umask(mode_t mask) : m_old(::umask(mask)) { }
    ~Umask() { ::umask(m_old); }

private:
    mode_t m_old;
};

// A folder outside the program folder, with a file, a subfolder and
// modes of its own, that links in the program folder lead to.
bool makeOutsideFolder(const QString& outside, const QString& file)
{
    return writeFile(outside + "/" + file, "outside", 0640) && writeFile(outside + "/sub/deep.txt", "deep", 0600)
        && ::chmod(QFile::encodeName(outside).constData(), 0750) == 0;
}

} // namespace

// Unpacking and installing the update package: what lands where with which
// mode, what is refused whole, and that a failed install or download leaves
// the folder as it was.
class PackageTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pathHelpers()
    {
        QTemporaryDir tmp;
        const QString made = modZip::MakeDirPath(tmp.path() + "//one//two");
        QCOMPARE(made, tmp.path() + "/one/two/");
        QVERIFY(QFileInfo(made).isDir());
        // A file in the way ends the attempt instead of looping.
        QVERIFY(writeFile(tmp.path() + "/blocker", "x"));
        QCOMPARE(modZip::MakeDirPath(tmp.path() + "/blocker/sub"), QString());
    }

    // A folder or a link, dangling or not, where the install's lock belongs
    // is not another install: the install and the start's clean-up say what
    // stands there, and what a link leads to stays as it was.
    void lockInTheWayIsNamed_data()
    {
        QTest::addColumn<QString>("target"); // of the link; empty: a folder
        QTest::addColumn<QString>("what");
        QTest::newRow("folder") << "" << "是文件夹";
        QTest::newRow("link to a file") << "outside/lock" << "是一个链接";
        QTest::newRow("link to a folder") << "outside" << "是一个链接";
        QTest::newRow("dangling link") << "outside/none" << "是一个链接";
    }
    void lockInTheWayIsNamed()
    {
        QFETCH(QString, target);
        QFETCH(QString, what);
        QTemporaryDir tmp;
        const QString prog = tmp.path() + "/prog";
        const QString lock = prog + "/.TROVA-update-lock";
        QVERIFY(writeFile(tmp.path() + "/outside/lock", "outside", 0600));
        QVERIFY(QDir().mkpath(prog + "/.TROVA-update"));
        QVERIFY(ZipBuilder(prog + "/Kalvimar.zip").file("TROVA", "v2").close());
        QVERIFY(target.isEmpty() ? QDir().mkpath(lock) : QFile::link(tmp.path() + "/" + target, lock));
        const QStringList before = folderTree(tmp.path(), true);
        const QString error = QString("无法安装更新文件：%1%2，不是安装用的锁文件。").arg(lock, what);
        QCOMPARE(update::installPackage(prog, [](const QString&, const QString&) { return true; }).error, error);
        QCOMPARE(update::recoverInterruptedInstall(prog), error);
        QCOMPARE(folderTree(tmp.path(), true), before);
    }

    // A file of the folder that is a link (a library's short name) is
    // replaced, kept and put back as the link itself, not as what it leads
    // to, though in the backup it leads nowhere until the file it names is
    // kept there too; a link the package does not name stays.
    void linksAmongTheFilesAreFilesOfTheirOwn_data()
    {
        QTest::addColumn<QString>("target"); // of the link lib/libx.so
        QTest::addColumn<bool>("starts");
        for (const bool starts : { true, false }) {
            const char* how = starts ? "new program starts" : "new program fails to start";
            QTest::addRow("link to a file, %s", how) << "libx.so.1" << starts;
            QTest::addRow("link to a folder, %s", how) << "../data" << starts;
        }
    }
    void linksAmongTheFilesAreFilesOfTheirOwn()
    {
        QFETCH(QString, target);
        QFETCH(bool, starts);
        QTemporaryDir tmp;
        const QString prog = tmp.path() + "/prog";
        QVERIFY(writeFile(prog + "/TROVA", "v1", 0755));
        QVERIFY(writeFile(prog + "/lib/libx.so.1", "x1"));
        QVERIFY(writeFile(prog + "/data/keep.txt", "old data"));
        QVERIFY(QFile::link(target, prog + "/lib/libx.so"));
        QVERIFY(QFile::link("libx.so.1", prog + "/lib/liby.so"));
        QVERIFY(ZipBuilder(prog + "/Kalvimar.zip").file("lib/libx.so", "so").file("lib/libx.so.1", "x2").file("TROVA", "v2").close());
        const QStringList before = folderTree(prog, true);
        const update::InstallResult r = update::installPackage(prog, [starts](const QString&, const QString&) { return starts; });
        QVERIFY2(r.ok == starts, qPrintable(r.error));
        QCOMPARE(QFileInfo(prog + "/lib/libx.so").isSymLink(), !starts);
        if (starts)
            QCOMPARE(fileBytes(prog + "/lib/libx.so"), QByteArray("so"));
        else
            QCOMPARE(folderTree(prog, true), before);
        QCOMPARE(QFileInfo(prog + "/lib/liby.so").symLinkTarget(), prog + "/lib/libx.so.1");
        QCOMPARE(fileBytes(prog + "/data/keep.txt"), QByteArray("old data"));
    }

    void installSwapsInTheNewProgram()
    {
        const Umask open(0);
        QTemporaryDir tmp;
        const QString prog = tmp.path() + "/prog.v1"; // a dot in a folder name is no extension
        QVERIFY(writeFile(prog + "/TROVA", "v1", 0755));
        QVERIFY(writeFile(prog + "/TROVA.exec", "v0"));
        QVERIFY(writeFile(prog + "/data/keep.txt", "old data", 0620));
        QVERIFY(QFile::setPermissions(prog + "/data", QFileDevice::Permissions(0x7770))); // rwxrwx---
        const QByteArray exact(2048 * 3, 'a');
        const QByteArray odd = QByteArray(5000, 'b') + "tail";
        // Names past 260 bytes are not cut; a part may have the 255 bytes
        // the file system allows.
        const QString longName = QString(255, QLatin1Char('n')) + "/" + QString(200, QLatin1Char('m'));
        QVERIFY(ZipBuilder(prog + "/Kalvimar.zip")
                    .file("TROVA", "v2", 0104777)
                    .file("trova-xlreader", "reader", 0) // a package made without modes
                    .file("world.txt", "w", 0666)
                    .file("data/keep.txt", "new data", 0)
                    .file("one/two/inner.bin", odd, 0104755)
                    .file("exact.bin", exact, 0640) // bits without a file type: a plain file
                    .file("zero.bin", QByteArray(), 0)
                    .file(longName, "long")
                    .dir("logs/")
                    .file("conf.ini", "c", 0100200)
                    .file("lib.so", "l", 0100100)
                    .file("newdir/sub/f.txt", "f")
                    .dir("shared/", 040777)
                    .dir("private/", 040700)
                    .close());
        QStringList started;
        const update::InstallResult r = update::installPackage(prog, [&](const QString& p, const QString& f) {
            started << p << f;
            return true;
        });
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(started, (QStringList { prog + "/TROVA", prog }));
        // The package's bits without set-user-id, else the replaced file's,
        // else rw-r--r--, never writable by group or others; the program and
        // its reader are made runnable; the package is gone.
        const QString want = tmp.path() + "/want";
        QVERIFY(writeFile(want + "/TROVA", "v2", 0755));
        QVERIFY(writeFile(want + "/world.txt", "w", 0644));
        QVERIFY(writeFile(want + "/TROVA.exec", "v1", 0755));
        QVERIFY(writeFile(want + "/trova-xlreader", "reader", 0755));
        QVERIFY(writeFile(want + "/data/keep.txt", "new data", 0600));
        QVERIFY(writeFile(want + "/one/two/inner.bin", odd, 0755));
        QVERIFY(writeFile(want + "/exact.bin", exact, 0640));
        QVERIFY(writeFile(want + "/zero.bin", QByteArray(), 0644));
        QVERIFY(writeFile(want + "/" + longName, "long", 0644));
        QVERIFY(writeFile(want + "/conf.ini", "c", 0600));
        QVERIFY(writeFile(want + "/lib.so", "l", 0500));
        QVERIFY(writeFile(want + "/newdir/sub/f.txt", "f", 0644));
        for (const char* folder : { "logs", "shared", "private" })
            QVERIFY(QDir().mkpath(want + "/" + folder));
        QCOMPARE(folderTree(prog, true), folderTree(want, true));
        // Every folder it made is its owner's and not writable by others
        // (with its entry's bits where it has them); one already there keeps
        // its mode.
        for (const QString& entry : folderTree(prog)) {
            if (!entry.endsWith('/') || entry == "data/")
                continue;
            const int mode = fileMode(prog + "/" + entry);
            QVERIFY2(mode == (entry == "private/" ? 0700 : 0755), qPrintable(entry + QString::number(mode, 8)));
        }
        QCOMPARE(fileMode(prog + "/data"), 0770);
    }

    void refusedPackageLeavesTheFolderAsItWas_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("file"); // a package of tests/data/update instead
        QTest::addColumn<bool>("checked"); // refused before anything is unpacked
        QTest::addColumn<QString>("reason");
        const QString none;
        QTest::newRow("new program does not start") << QStringList { "f TROVA", "f data/keep.txt", "d logs/",
            "f doc/readme.txt" } << none << false << "无法启动";
        QTest::newRow("no TROVA") << QStringList { "f data/keep.txt" } << none << false << "没有程序";
        QTest::newRow("damaged entry") << QStringList { "f data/keep.txt", "x TROVA" } << none << false << "校验和错误";
        QTest::newRow("parent") << QStringList { "f TROVA", "f ../evil" } << none << true << "指向程序文件夹之外";
        QTest::newRow("nested parent") << QStringList { "f TROVA", "f sub/../../evil" } << none << true << "指向程序文件夹之外";
        QTest::newRow("absolute") << QStringList { "f TROVA", "f /tmp/trova-evil" } << none << true << "是绝对路径";
        QTest::newRow("drive") << QStringList { "f TROVA", "f C:/evil" } << none << true << "指定了驱动器";
        QTest::newRow("backslash") << QStringList { "f TROVA", "f ..\\evil" } << none << true << "反斜杠";
        QTest::newRow("link") << QStringList { "f TROVA", "l escape" } << none << true << "是链接";
        QTest::newRow("named pipe") << QStringList { "f TROVA", "p pipe" } << none << true << "不是普通文件";
        QTest::newRow("moved-aside name") << QStringList { "f TROVA", "f TROVA.exec" } << none << false << "安装程序自己要用的名称";
        QTest::newRow("staging name") << QStringList { "f TROVA", "d .TROVA-update/" } << none << false << "安装程序自己要用的名称";
        QTest::newRow("backup name") << QStringList { "f TROVA", "f .TROVA-update-backup/TROVA" } << none << false
                                     << "安装程序自己要用的名称";
        QTest::newRow("one name twice") << QStringList { "f TROVA", "f data/keep.txt", "f ./data/keep.txt" } << none
                                        << true << "重复出现";
        QTest::newRow("file and folder of one name")
            << QStringList { "f TROVA", "f doc", "d doc/" } << none << true << "重复出现";
        QTest::newRow("entry shorter than declared")
            << QStringList() << "short-entry.zip" << false << "条目“TROVA”只有360字节，应为720字节";
        QTest::newRow("declared sizes over the cap") << QStringList() << "oversized.zip" << true << "条目总计超过268435456字节";
        QTest::newRow("zip64 sizes over the cap")
            << QStringList() << "oversized-zip64.zip" << true << "条目总计超过268435456字节";
        QTest::newRow("stream past its declared size")
            << QStringList() << "long-entry.zip" << false << "条目“TROVA”超出了其声明的360字节";
        QTest::newRow("flagged as encrypted") << QStringList() << "encrypted-flag.zip" << true << "已加密";
        QTest::newRow("encrypted") << QStringList() << "encrypted.zip" << true << "条目“TROVA”已加密";
        QTest::newRow("file named .") << QStringList { "f TROVA", "f ." } << none << true << "指的是文件夹而不是文件";
        QTest::newRow("file named data/.") << QStringList { "f TROVA", "f data/." } << none << true << "指的是文件夹而不是文件";
        QTest::newRow("file over a folder") << QStringList { "f TROVA", "f data" } << none << false
                                            << "文件“data”会替换同名的文件夹";
        QTest::newRow("folder over a file") << QStringList { "f TROVA", "d data/keep.txt/" } << none << false
                                            << "文件夹“data/keep.txt”会替换同名的文件";
        QTest::newRow("folder bit with data") << QStringList { "f TROVA", "b conf" } << none << true
                                              << "条目“conf”标为文件夹，却含有数据";
        QTest::newRow("named like the package") << QStringList { "f TROVA", "f Kalvimar.zip" } << none << false
                                                << "条目“Kalvimar.zip”占用了安装程序自己要用的名称";
        QTest::newRow("too many files") << QStringList { "f TROVA", "n 10000 f%1" } << none << true
                                        << "超过10000个文件和文件夹";
        QTest::newRow("too many folders their paths imply")
            << QStringList { "f TROVA", "n 5000 d%1/f" } << none << true << "超过10000个文件和文件夹";
        QTest::newRow("name of 32,767 levels") << QStringList { "f TROVA", "r 32766 a/ ff" } << none << true
                                               << "名称长达65534字节，超过了文件系统允许的4095字节";
        QTest::newRow("name of 9,990 levels") << QStringList { "f TROVA", "r 9989 a/ ff" } << none << true
                                              << "超过了文件系统允许的4095字节";
        QTest::newRow("cut-off package") << QStringList() << "cut-off.zip" << true << "不是可读取的zip更新文件";
        QTest::newRow("not a zip") << QStringList() << "not-a-zip.zip" << true << "不是可读取的zip更新文件";
    }

    void refusedPackageLeavesTheFolderAsItWas()
    {
        const Umask open(0);
        QFETCH(QStringList, entries);
        QFETCH(QString, file);
        QFETCH(bool, checked);
        QFETCH(QString, reason);
        QTemporaryDir tmp;
        const QString prog = tmp.path() + "/prog";
        const QString zip = prog + "/Kalvimar.zip";
        QVERIFY(writeFile(prog + "/TROVA", "v1", 0755));
        QVERIFY(writeFile(prog + "/TROVA.exec", "v0"));
        QVERIFY(writeFile(prog + "/data/keep.txt", "old data"));
        QVERIFY(file.isEmpty() ? build(zip, entries) : QFile::copy(dataFile("update/" + file), zip));
        const QStringList before = folderTree(tmp.path(), true);

        bool startCalled = false;
        const update::InstallResult r = update::installPackage(prog, [&](const QString&, const QString&) {
            startCalled = true;
            return false;
        });
        QVERIFY(!r.ok);
        QVERIFY2(r.error.contains(reason), qPrintable(r.error));
        QCOMPARE(startCalled, reason == "无法启动");
        QCOMPARE(folderTree(tmp.path(), true), before);
        // What the check refuses is refused before anything is unpacked.
        QCOMPARE(modZip::CheckPackage(zip).isEmpty(), !checked);
        const bool unpacked = modZip::UnzipToFolder(tmp.path() + "/out", zip).ok;
        QCOMPARE(unpacked || QFileInfo::exists(tmp.path() + "/out"), !checked);
    }

    // Twenty-one files of a few bytes each: whole blocks on disk, and a block
    // more for each file's own record.
    void installNeedsTheBlocksEachFileTakes_data()
    {
        QTest::addColumn<qint64>("blockSize");
        QTest::addColumn<qint64>("free");
        QTest::addColumn<bool>("installed");
        const qint64 need = 21 * 2 * 4096;
        QTest::newRow("exactly enough") << qint64(4096) << need << true;
        QTest::newRow("one byte short") << qint64(4096) << need - 1 << false;
        QTest::newRow("small blocks count as 4096") << qint64(512) << need - 1 << false;
        QTest::newRow("larger blocks") << qint64(65536) << need << false;
    }
    void installNeedsTheBlocksEachFileTakes()
    {
        QFETCH(qint64, blockSize);
        QFETCH(qint64, free);
        QFETCH(bool, installed);
        QTemporaryDir tmp;
        const QString prog = tmp.path() + "/prog";
        QVERIFY(writeFile(prog + "/TROVA", "v1", 0755));
        QVERIFY(build(prog + "/Kalvimar.zip", { "f TROVA", "n 20 f%1" }));
        const QStringList before = folderTree(tmp.path(), true);
        const SmallDisk disk(free, blockSize);
        const update::InstallResult r = update::installPackage(prog, [](const QString&, const QString&) { return true; });
        QCOMPARE(r.ok, installed);
        if (installed) {
            QCOMPARE(fileBytes(prog + "/f19"), QByteArray("1"));
        } else {
            QVERIFY2(r.error.contains("解压需要"), qPrintable(r.error));
            QCOMPARE(folderTree(tmp.path(), true), before);
        }
    }

    // A name is refused where the file system would refuse it, and counted
    // in the bytes it is written with.
    void namesAsLongAsTheFileSystemAllows_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("sound");
        const QString part = QString(254, QLatin1Char('d')) + "/";
        QTest::newRow("part of 255 bytes") << QString(255, QLatin1Char('c')) << true;
        QTest::newRow("part of 256 bytes") << QString(256, QLatin1Char('c')) << false;
        QTest::newRow("part of 128 two-byte letters") << QString(128, QChar(0xe9)) << false;
        QTest::newRow("path of 4,095 bytes") << part.repeated(16) + QString(15, QLatin1Char('f')) << true;
        QTest::newRow("path of 4,096 bytes") << part.repeated(16) + QString(16, QLatin1Char('f')) << false;
    }
    void namesAsLongAsTheFileSystemAllows()
    {
        QFETCH(QString, name);
        QFETCH(bool, sound);
        QTemporaryDir tmp;
        const QString zip = tmp.filePath("p.zip");
        QVERIFY(ZipBuilder(zip).file("TROVA", "v2").file(name, "x").close());
        const QString error = modZip::CheckPackage(zip);
        QVERIFY2(error.isEmpty() == sound, qPrintable(error));
    }

    // Under the install's folders a name takes their path too: the longest
    // that still fits passes, a byte more is refused by its name.
    void namesFitTheInstallFolders()
    {
        QTemporaryDir tmp;
        const QString prog = tmp.path() + "/prog";
        const qsizetype room = modZip::kMaxPathBytes - 1 - QFile::encodeName(update::longestInstallFolder(prog)).size();
        for (const qsizetype bytes : { room, room + 1 }) {
            const qsizetype levels = (bytes - 1) / 255;
            const QString name = QString(QString(254, 'd') + "/").repeated(levels) + QString(bytes - 255 * levels, 'f');
            QVERIFY(ZipBuilder(tmp.filePath("p.zip")).file("TROVA", "v2").file(name, "x").close());
            const QString error = update::entryRoomError(prog, modZip::ListPackage(tmp.filePath("p.zip")));
            QVERIFY2(error.isEmpty() == (bytes == room), qPrintable(error));
        }
    }

    // The install is stopped after each of its steps, as a crash would stop
    // it (the record written, each file kept, moved or replaced, the record
    // removed, each step undone after the new program failed to start), with
    // the program first and last in the package, until it runs to its end.
    // After every stop a program stands that runs, the old or the new; the
    // next start, or the next install, then leaves the old folder or the new
    // one, byte for byte: the old program puts back, the new one finishes.
    void swapStoppedAtAnyStepLeavesAProgram_data()
    {
        QTest::addColumn<bool>("programFirst");
        QTest::addColumn<bool>("starts");
        QTest::addColumn<bool>("byInstall"); // settled by the next install instead of at start
        for (const bool first : { true, false }) {
            for (const bool starts : { true, false }) {
                for (const bool byInstall : { false, true }) {
                    QTest::addRow("%s, %s, %s", first ? "program first" : "program last",
                        starts ? "started" : "failed to start", byInstall ? "by the next install" : "at start")
                        << first << starts << byInstall;
                }
            }
        }
    }
    void swapStoppedAtAnyStepLeavesAProgram()
    {
        QFETCH(bool, programFirst);
        QFETCH(bool, starts);
        QFETCH(bool, byInstall);
        StopAtStep stop;
        auto install = [](const QString& prog, bool ok) {
            return update::installPackage(prog, [ok](const QString&, const QString&) { return ok; });
        };
        // The new program whole.
        QTemporaryDir ref;
        QVERIFY(prepareSwap(ref.path(), programFirst));
        QVERIFY(install(ref.path(), true).ok);
        const QStringList installed = folderTree(ref.path(), true);
        // What the next install sweeps away, or installs again: the staging
        // folders left by a stop once the record is gone, and the package.
        auto whole = [](QStringList tree, bool package) {
            tree.removeIf([&](const QString& e) {
                return e.startsWith(".TROVA-update") || (!package && e.startsWith("Kalvimar.zip"));
            });
            return tree;
        };

        int newStood = 0;
        for (stop.at = 1;; ++stop.at) {
            QTemporaryDir tmp;
            const QString prog = tmp.path() + "/prog";
            QVERIFY(prepareSwap(prog, programFirst));
            const QStringList before = folderTree(prog, true);
            stop.steps = 0;
            try {
                install(prog, starts);
            } catch (const StopAtStep::Stop&) {
                const int stoppedAt = stop.at;
                stop.at = 0;
                const QByteArray stood = runProgram(prog + "/TROVA");
                QVERIFY2(stood == "v1" || stood == "v2", qPrintable(QString("step %1: %2").arg(stoppedAt).arg(stood)));
                newStood += stood == "v2";
                // The new program never stands beside an old file.
                for (const char* file : { "lib/big.bin", "trova-xlreader", "lib/after.txt", "newdir/sub/f.txt" }) {
                    if (stood == "v2")
                        QVERIFY2(fileBytes(prog + "/" + file) == fileBytes(ref.path() + "/" + file),
                            qPrintable(QString("step %1: %2").arg(stoppedAt).arg(file)));
                }
                if (byInstall) {
                    const update::InstallResult r = install(prog, false);
                    QVERIFY2(r.error.contains("无法启动"), qPrintable(r.error));
                } else {
                    // Not while another instance holds the folder.
                    QLockFile other(prog + "/.TROVA-update-lock");
                    QVERIFY(other.tryLock(0));
                    const QStringList stopped = folderTree(prog, true);
                    QCOMPARE(update::recoverInterruptedInstall(prog), QString());
                    QCOMPARE(install(prog, false).error, QString("另一个程序正在安装更新。"));
                    QCOMPARE(folderTree(prog, true), stopped);
                    other.unlock();
                    QCOMPARE(update::recoverInterruptedInstall(prog), QString());
                }
                stop.at = stoppedAt;
                // A start leaves nothing of the install behind; the next
                // install sweeps it away.
                const QStringList after = folderTree(prog, true);
                const bool isOld = byInstall ? whole(after, true) == before : after == before;
                const bool isNew = byInstall ? whole(after, false) == whole(installed, false) : after == installed;
                QVERIFY2(isOld || isNew, qPrintable(QString("step %1").arg(stoppedAt)));
                if (stood == "v1")
                    QVERIFY2(isOld, qPrintable(QString("step %1").arg(stoppedAt)));
                else if (starts)
                    QVERIFY2(isNew, qPrintable(QString("step %1").arg(stoppedAt)));
                continue;
            }
            // The install ran to its end: every step was stopped at once.
            QVERIFY(stop.at > 10);
            break;
        }
        QVERIFY(newStood > 0);
    }

    // The start's recovery is itself stopped after each of its steps, after
    // a stop at each step of the install (the undo after the new program
    // failed to start included); each later start is stopped again after
    // one step, until one runs to its end. After every stop a program
    // stands, and the last start leaves what one uninterrupted recovery
    // leaves: the old folder before the program was in, the new one after,
    // byte for byte.
    void recoveryStoppedAtAnyStepEndsOldOrNew_data()
    {
        QTest::addColumn<bool>("starts");
        QTest::newRow("new program starts") << true;
        QTest::newRow("new program fails to start") << false;
    }
    void recoveryStoppedAtAnyStepEndsOldOrNew()
    {
        QFETCH(bool, starts);
        StopAtStep stop;
        QTemporaryDir tmp;
        const QString prog = tmp.path() + "/prog";
        const QString stopped = tmp.path() + "/stopped";
        const auto install = [&] { update::installPackage(prog, [starts](const QString&, const QString&) { return starts; }); };
        QVERIFY(prepareSwap(prog, false));
        const QStringList oldTree = folderTree(prog, true);
        QVERIFY(update::installPackage(prog, [](const QString&, const QString&) { return true; }).ok);
        const QStringList newTree = folderTree(prog, true);
        const auto stands = [&] {
            const QByteArray program = fileBytes(prog + "/TROVA");
            return (program == "#!/bin/sh\necho v1\n" || program == "#!/bin/sh\necho v2\n") && fileMode(prog + "/TROVA") == 0755;
        };
        // Runs the given step, stopped after step at (0: never); nothing
        // when it was stopped.
        const auto run = [&](const std::function<QString()>& what, int at) -> std::optional<QString> {
            stop.steps = 0;
            stop.at = at;
            std::optional<QString> done;
            try {
                done = what();
            } catch (const StopAtStep::Stop&) {
            }
            stop.at = 0;
            return done;
        };
        const auto recover = [&] { return update::recoverInterruptedInstall(prog); };
        const auto copy = [](const QString& from, const QString& to) {
            return QDir(to).removeRecursively() && QProcess::execute("cp", { "-a", from, to }) == 0;
        };

        int recoveryStops = 0;
        for (int installStop = 1;; ++installStop) {
            QVERIFY(QDir(prog).removeRecursively() && prepareSwap(prog, false));
            if (run([&] { install(); return QString(); }, installStop))
                break;
            QVERIFY(copy(prog, stopped));
            QCOMPARE(run(recover, 0), QString());
            const QStringList settled = folderTree(prog, true);
            QVERIFY2(settled == oldTree || settled == newTree, qPrintable(QString("install step %1").arg(installStop)));
            for (int recoveryStop = 1;; ++recoveryStop) {
                const QString where = QString("install step %1, recovery step %2").arg(installStop).arg(recoveryStop);
                QVERIFY(copy(stopped, prog));
                if (run(recover, recoveryStop))
                    break;
                ++recoveryStops;
                for (int later = 0;; ++later) {
                    QVERIFY2(stands() && later < 100, qPrintable(where));
                    const std::optional<QString> error = run(recover, 1);
                    if (error) {
                        QVERIFY2(error->isEmpty(), qPrintable(where + ": " + *error));
                        break;
                    }
                }
                QVERIFY2(folderTree(prog, true) == settled, qPrintable(where));
            }
        }
        QVERIFY(recoveryStops > 20);
    }

    // A record that is not whole, or that leads through a link, puts nothing
    // back and lets nothing be swept away: the files it would name stay where
    // they are, and so does everything a link leads to. Each row damages the
    // record and folder that a real stop in the middle of a swap left.
    void unreadableSwapRecordKeepsEverything_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QByteArray>("record"); // written over the real one
        QTest::addColumn<QString>("reason");
        const QByteArray real;
        QTest::newRow("not a record") << QString() << QByteArray("garbage\n") << "不是更新记录";
        QTest::newRow("cut off") << QString() << QByteArray("TROVA swap journal 1\nmove TROVA\n") << "旧版本";
        QTest::newRow("outside the folder") << QString() << QByteArray("TROVA swap journal 1\nmove ../x TROVA\n")
                                            << "旧版本";
        QTest::newRow("written by the previous version") << "previous" << real << "旧版本";
        QTest::newRow("header only") << "header" << real << "没有结束标记";
        QTest::newRow("cut at a line end") << "cut" << real << "没有结束标记";
        QTest::newRow("cut in a line") << "cut in a line" << real << "没有结束标记";
        QTest::newRow("a name changed") << "renamed" << real << "校验和不符";
        QTest::newRow("a line dropped") << "dropped" << real << "却有";
        QTest::newRow("sealed, a path outside the folder") << "sealed outside" << real << "程序文件夹之外";
        QTest::newRow("sealed, a path through a linked folder") << "sealed link" << real << "经过链接“linked”";
        // Whole and sealed, but not as the install writes a record.
        const QString shape = "不是安装程序写的步骤";
        QTest::newRow("sealed, a keep out of the backup") << "sealed keep elsewhere" << real << "第1步“keep conf.ini data/keep.txt”" + shape;
        QTest::newRow("sealed, a replace not kept first") << "sealed no keep" << real << shape;
        QTest::newRow("sealed, a keep not replaced") << "sealed no replace" << real << shape;
        QTest::newRow("sealed, a replace from outside staging") << "sealed replace from elsewhere" << real << shape;
        QTest::newRow("sealed, a file placed twice") << "sealed twice" << real << shape;
        QTest::newRow("sealed, the program first") << "sealed program first" << real << shape;
        QTest::newRow("sealed, a step after the program's") << "sealed after program" << real << shape;
        QTest::newRow("sealed, no program step") << "sealed no program" << real << "没有放入程序TROVA的一步";
        QTest::newRow("backup folder a link") << "backup link" << real << "经过链接“.TROVA-update-backup”";
        QTest::newRow("staging folder a link") << "staging link" << real << "经过链接“.TROVA-update”";
        QTest::newRow("record a link") << "record link" << real << "不是可读取的普通文件";
        QTest::newRow("a kept file gone") << "kept gone" << real << "不符";
    }
    void unreadableSwapRecordKeepsEverything()
    {
        QFETCH(QString, damage);
        QFETCH(QByteArray, record);
        QFETCH(QString, reason);
        QTemporaryDir tmp;
        const QString prog = tmp.path() + "/prog";
        const QString outside = tmp.path() + "/outside";
        QVERIFY(makeOutsideFolder(outside, "keep.txt"));
        QVERIFY(stopMidSwap(prog));
        const QString journal = prog + "/.TROVA-update-journal";
        const QByteArray real = fileBytes(journal);
        QVERIFY(real.startsWith("TROVA swap journal"));
        const qsizetype lastLine = real.lastIndexOf('\n', real.size() - 2) + 1;
        const auto sealed = [&](const std::function<void(QList<Step>&)>& change) { return resealed(prog, change); };
        auto aside = [&](const QString& name) {
            return QFile::rename(prog + "/" + name, outside + "/" + name) && QFile::link(outside + "/" + name, prog + "/" + name);
        };
        if (!record.isEmpty())
            QVERIFY(writeFile(journal, record));
        else if (damage == "previous")
            QVERIFY(writeFile(journal, real.left(lastLine).replace("journal 2", "journal 1")));
        else if (damage == "header")
            QVERIFY(writeFile(journal, real.left(real.indexOf('\n') + 1)));
        else if (damage == "cut")
            QVERIFY(writeFile(journal, real.left(lastLine)));
        else if (damage == "cut in a line")
            QVERIFY(writeFile(journal, real.left(real.size() - 5)));
        else if (damage == "renamed")
            QVERIFY(writeFile(journal, QByteArray(real).replace("lib/big.bin", "lib/big.bim")));
        else if (damage == "dropped")
            QVERIFY(writeFile(journal, real.left(real.indexOf('\n') + 1) + real.mid(real.indexOf('\n', 22) + 1)));
        else if (damage == "sealed outside")
            QVERIFY(sealed([](QList<Step>& s) { s[1].from = "../outside/keep.txt"; }));
        else if (damage == "sealed link")
            QVERIFY(QFile::link(outside, prog + "/linked") && sealed([](QList<Step>& s) {
                s[1] = { Step::Keep, "linked/keep.txt", ".TROVA-update-backup/linked/keep.txt", QString() };
                s[2] = { Step::Replace, ".TROVA-update/linked/keep.txt", "linked/keep.txt", s[1].to };
            }));
        else if (damage == "sealed keep elsewhere")
            QVERIFY(sealed([](QList<Step>& s) { s.prepend({ Step::Keep, "conf.ini", "data/keep.txt", QString() }); }));
        else if (damage == "sealed no keep")
            QVERIFY(sealed([](QList<Step>& s) { s.removeAt(1); }));
        else if (damage == "sealed no replace")
            QVERIFY(sealed([](QList<Step>& s) { s.removeAt(2); }));
        else if (damage == "sealed replace from elsewhere")
            QVERIFY(sealed([](QList<Step>& s) { s[2].from = "data/keep.txt"; }));
        else if (damage == "sealed twice")
            QVERIFY(sealed([](QList<Step>& s) { s.insert(6, s[5]); }));
        else if (damage == "sealed program first")
            QVERIFY(sealed([](QList<Step>& s) { s = s.mid(7) + s.mid(0, 7); }));
        else if (damage == "sealed after program")
            QVERIFY(sealed([](QList<Step>& s) { s.append(s.takeAt(6)); }));
        else if (damage == "sealed no program")
            QVERIFY(sealed([](QList<Step>& s) { s.resize(7); }));
        else if (damage == "backup link")
            QVERIFY(aside(".TROVA-update-backup"));
        else if (damage == "staging link")
            QVERIFY(aside(".TROVA-update"));
        else if (damage == "record link")
            QVERIFY(aside(".TROVA-update-journal"));
        else if (damage == "kept gone")
            QVERIFY(QFile::rename(prog + "/.TROVA-update-backup/lib/big.bin", outside + "/big.bin"));
        const QStringList before = folderTree(tmp.path(), true);

        const QString recovered = update::recoverInterruptedInstall(prog);
        QVERIFY2(recovered.contains(reason) && recovered.contains("没有"), qPrintable(recovered));
        const update::InstallResult r = update::installPackage(prog, [](const QString&, const QString&) { return true; });
        QVERIFY2(!r.ok && r.error.contains(reason), qPrintable(r.error));
        QCOMPARE(folderTree(tmp.path(), true), before);
        QCOMPARE(fileMode(outside), 0750);
    }

    // A record sealed without a replaced file's two steps is as the install
    // writes one, but the backup holds that file's old copy: the rest is put
    // back, and the copy, the backup and the record stay, each later start
    // saying so and touching nothing.
    void recordWithoutAKeptFileKeepsTheBackup()
    {
        QTemporaryDir tmp;
        const QString prog = tmp.path() + "/prog";
        QVERIFY(stopMidSwap(prog));
        QVERIFY(resealed(prog, [](QList<Step>& s) { s.remove(1, 2); }));
        const QString first = update::recoverInterruptedInstall(prog);
        QVERIFY2(first.contains("还有没有放回的文件") && first.contains("没有删除"), qPrintable(first));
        QCOMPARE(fileBytes(prog + "/.TROVA-update-backup/lib/big.bin"), QByteArray(70000, 'o'));
        QCOMPARE(fileBytes(prog + "/trova-xlreader"), QByteArray("reader v1"));
        const QStringList after = folderTree(prog, true);
        const QString next = update::recoverInterruptedInstall(prog);
        QVERIFY2(next.contains("有记录之外的文件"), qPrintable(next));
        QCOMPARE(folderTree(prog, true), after);
    }

    // With a link where the install makes, fills or empties a folder, or on
    // the way to a file of the package, the install is refused before it
    // writes anything, and what the link leads to stays as it was.
    void linksInTheProgramFolderAreNotFollowed_data()
    {
        QTest::addColumn<QString>("link"); // in the program folder, to the outside folder
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("reason");
        const QStringList plain { "f TROVA", "f lib/new.so" };
        QTest::newRow("staging folder") << ".TROVA-update" << plain << ".TROVA-update不是文件夹";
        QTest::newRow("backup folder") << ".TROVA-update-backup" << plain << ".TROVA-update-backup不是文件夹";
        QTest::newRow("file under a linked folder") << "lib" << plain << "文件夹“lib”在程序文件夹中是一个链接";
        QTest::newRow("file two levels under a linked folder")
            << "data/linked" << QStringList { "f TROVA", "f data/linked/sub/deep.txt" } << "文件夹“data/linked”在程序文件夹中是一个链接";
        QTest::newRow("folder entry that is a link") << "lib" << QStringList { "f TROVA", "d lib/" } << "文件夹“lib”在程序文件夹中是一个链接";
    }
    void linksInTheProgramFolderAreNotFollowed()
    {
        QFETCH(QString, link);
        QFETCH(QStringList, entries);
        QFETCH(QString, reason);
        QTemporaryDir tmp;
        const QString prog = tmp.path() + "/prog";
        const QString outside = tmp.path() + "/outside";
        QVERIFY(makeOutsideFolder(outside, "new.so"));
        QVERIFY(writeFile(prog + "/TROVA", "v1", 0755));
        QVERIFY(QDir().mkpath(QFileInfo(prog + "/" + link).path()));
        QVERIFY(QFile::link(outside, prog + "/" + link));
        QVERIFY(build(prog + "/Kalvimar.zip", entries));
        const QStringList before = folderTree(tmp.path(), true);
        const update::InstallResult r = update::installPackage(prog, [](const QString&, const QString&) { return true; });
        QVERIFY2(!r.ok && r.error.contains(reason), qPrintable(r.error));
        QCOMPARE(update::recoverInterruptedInstall(prog), QString());
        QCOMPARE(folderTree(tmp.path(), true), before);
        QCOMPARE(fileMode(outside), 0750);
    }

    void zip64PackagesUnpack_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("zip -fz") << "zip-fz.zip";
        QTest::newRow("force_zip64") << "force-zip64.zip";
    }
    void zip64PackagesUnpack()
    {
        QFETCH(QString, file);
        QTemporaryDir tmp;
        const modZip::UnzipResult r = modZip::UnzipToFolder(tmp.path(), dataFile("update/" + file));
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(r.files, (QStringList { "TROVA", "data/keep.txt" }));
        QCOMPARE(fileBytes(tmp.path() + "/TROVA"), QByteArray("#!/bin/sh\necho v2\n").repeated(40));
        QCOMPARE(fileBytes(tmp.path() + "/data/keep.txt"), QByteArray("new data\n"));
    }

    void downloadWritesTheWholePackageOrNothing_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("reason"); // empty: the package arrives
        QTest::newRow("whole") << 0 << "";
        QTest::newRow("finished with bytes unread") << 1 << "";
        QTest::newRow("not found") << 2 << "更新服务器返回错误 HTTP 404。";
        QTest::newRow("truncated") << 3 << "更新文件不完整，只收到60000字节，应为100003字节。";
        QTest::newRow("closed port") << 4 << "更新服务器拒绝连接。";
        QTest::newRow("silent server") << 5 << "更新服务器1秒内没有响应。";
        QTest::newRow("empty body") << 6 << "更新服务器发来的文件是空的。";
        QTest::newRow("cancelled") << 7 << "下载已取消。";
        // Redirects are followed; where one goes wrong, the text says how.
        QTest::newRow("redirect loop") << 8 << "更新服务器的重定向超过了10次，可能是循环重定向，已停止下载。";
        QTest::newRow("redirect to a closed port") << 9 << "重定向的目标服务器%1拒绝连接。";
        QTest::newRow("redirected") << 10 << "";
        QTest::newRow("negative length") << 11 << "更新服务器给出的长度“-5”不是有效的字节数。";
        QTest::newRow("chunked, a length beside") << 12 << "";
        QTest::newRow("chunk longer than declared") << 13 << "更新服务器发来的分块比声明的长。";
        QTest::newRow("length by closing") << 14 << "";
        QTest::newRow("chunk size no number") << 15 << "更新服务器发来的分块长度“zz”无效。";
        QTest::newRow("endless head") << 16 << "更新服务器的答复头过长。";
        QTest::newRow("interim answer first") << 17 << "";
        QTest::newRow("not HTTP") << 18 << "更新服务器的答复不是HTTP答复。";
        QTest::newRow("closed before answering") << 19 << "更新服务器关闭了连接。";
        QTest::newRow("two lengths") << 20 << "更新服务器给出了两个不同的长度“100003”和“60000”。";
        QTest::newRow("one length twice") << 21 << "";
        QTest::newRow("compressed, then chunked") << 22 << "更新服务器使用了无法读取的传输编码“gzip, chunked”。";
        QTest::newRow("length by closing, ended by a reset") << 23 << "更新服务器重置了连接，答复可能不完整。";
        QTest::newRow("redirect to a file") << 24 << "更新服务器重定向到了不支持的地址file:///etc/passwd，已停止下载。";
        QTest::newRow("redirect to data") << 25 << "更新服务器重定向到了不支持的地址data:,PK，已停止下载。";
        QTest::newRow("certificate refused")
            << 26 << "更新服务器的证书未被接受：" + QSslError(QSslError::SelfSignedCertificate).errorString();
        QTest::newRow("endless interim answers") << 27 << "更新服务器发来的临时答复（1xx）过多，没有正式的答复。";
        QTest::newRow("endless trailer lines") << 28 << "更新服务器发来的尾部字段过多。";
        QTest::newRow("endless trailer line") << 29 << "更新服务器发来的尾部字段行过长。";
        QTest::newRow("ten redirects") << 30 << "";
        QTest::newRow("eleven redirects") << 31 << "更新服务器的重定向超过了10次，可能是循环重定向，已停止下载。";
        QTest::newRow("compressed content") << 32 << "更新服务器使用了无法读取的内容编码“gzip”。";
        QTest::newRow("empty length") << 33 << "更新服务器给出的长度“”不是有效的字节数。";
        // "*": followed by the reason the TLS library gives.
        QTest::newRow("plain HTTP on an https address") << 34 << "未能与更新服务器建立加密连接：*";
        QTest::newRow("TLS 1.0 only") << 35 << "未能与更新服务器建立加密连接：*";
        // One bound on a chunk-size line however it is cut: whole, cut
        // before the bound, cut past it, and a line of the bound cut after "\r".
        const QString longLine = "更新服务器发来的分块长度行过长。";
        QTest::newRow("2000-byte chunk extension") << 36 << longLine;
        QTest::newRow("2000-byte chunk extension, cut at 500") << 37 << longLine;
        QTest::newRow("2000-byte chunk extension, cut at 1500") << 38 << longLine;
        QTest::newRow("chunk-size line of the bound, cut after CR") << 39 << "";
        QTest::newRow("16 interim answers") << 40 << "";
        QTest::newRow("17 interim answers") << 41 << "更新服务器发来的临时答复（1xx）过多，没有正式的答复。";
        QTest::newRow("10 interim answers before and after a redirect") << 42 << "";
    }

    void downloadWritesTheWholePackageOrNothing()
    {
        QFETCH(int, kind);
        QFETCH(QString, reason);
        QTemporaryDir tmp;
        const QString target = tmp.filePath("Kalvimar.zip");
        QVERIFY(writeFile(target, "earlier package"));
        HttpTestServer server(kind == 26 || kind == 35, kind == 35);
        const QByteArray body = QByteArray(100000, 'z') + "end";
        server.route("/download/Kalvimar.zip",
            { kind == 2 ? 404 : 200, kind == 6 ? QByteArray() : body, kind == 3 ? 60000 : -1, kind == 5 || kind == 7 });
        const QUrl closed(closedPortUrl() + "/x");
        reason = reason.replace("%1", closed.authority());
        const QByteArray chunkedHead = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n";
        const QByteArray chunks = "1000\r\n" + body.left(0x1000) + "\r\n" + QByteArray::number(body.size() - 0x1000, 16)
            + ";ext=1\r\n" + body.mid(0x1000) + "\r\n0\r\nX-Sum: 1\r\n\r\n";
        // A chunk-size line of the given length, cut after `cut` of its bytes.
        auto sizeLine = [&](qsizetype length, qsizetype cut) {
            const QByteArray head = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
            QByteArray line = QByteArray::number(body.size(), 16) + ";e=";
            line += QByteArray(length - line.size(), 'e');
            return HttpTestServer::Route { .raw = head + line + "\r\n" + body + "\r\n0\r\n\r\n",
                .pauseAt = cut < 0 ? -1 : head.size() + cut };
        };
        const QByteArray interim = "HTTP/1.1 102 Processing\r\n\r\n";
        const QByteArray ok = "HTTP/1.1 200 OK\r\nContent-Length: 100003\r\n\r\n" + body;
        const QHash<int, HttpTestServer::Route> odd {
            { 8, { 302, "loop", -1, false, "Location: /download/Kalvimar.zip\r\n" } },
            { 9, { 302, "gone", -1, false, "Location: " + closed.toEncoded() + "\r\n" } },
            { 10, { 302, "moved", -1, false, "Location: /moved/Kalvimar.zip\r\n" } },
            { 11, { 200, body, -1, false, "Content-Length: -5\r\n" } },
            { 12, { 200, chunks, -1, false, "Transfer-Encoding: chunked\r\nContent-Length: 3\r\n" } },
            { 13, { 200, "5\r\nabcdefg\r\n0\r\n\r\n", -1, false, "Transfer-Encoding: chunked\r\n" } },
            { 14, { 200, body, -1, false, "Transfer-Encoding: identity\r\n" } },
            { 15, { 200, "zz\r\nabc\r\n0\r\n\r\n", -1, false, "Transfer-Encoding: chunked\r\n" } },
            { 16, { 200, body, -1, false, QByteArray("X-Pad: " + QByteArray(100, 'p') + "\r\n").repeated(700) } },
            { 17, { .raw = "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 100003\r\n\r\n" + body } },
            { 18, { .raw = "SSH-2.0-OpenSSH_9.2\r\n\r\n" } },
            { 19, { .raw = "HTTP/1.1 200 OK\r\nContent-" } },
            { 20, { 200, body, -1, false, "Content-Length: 100003\r\nContent-Length: 60000\r\n" } },
            { 21, { 200, body, -1, false, "Content-Length: 100003, 100003\r\ncontent-length: 100003\r\n" } },
            { 22, { 200, chunks, -1, false, "Transfer-Encoding: gzip, chunked\r\n" } },
            { 23, { 200, body, -1, false, "Transfer-Encoding: identity\r\n", {}, {}, true } },
            { 24, { 302, "file", -1, false, "Location: file:///etc/passwd\r\n" } },
            { 25, { 302, "data", -1, false, "Location: data:,PK\r\n" } },
            { 27, { .raw = "HTTP/1.1 100 Continue\r\n\r\n", .repeat = "HTTP/1.1 102 Processing\r\n\r\n" } },
            { 28, { .raw = chunkedHead + "0\r\n", .repeat = "X-Sum: 1\r\n" } },
            { 29, { .raw = chunkedHead + "0\r\nX-Sum: ", .repeat = "1" } },
            { 32, { 200, body, -1, false, "Content-Encoding: gzip\r\n" } },
            { 33, { 200, body, -1, false, "Content-Length:\r\n" } },
            { 36, sizeLine(2006, -1) },
            { 37, sizeLine(2006, 500) },
            { 38, sizeLine(2006, 1500) },
            { 39, sizeLine(update::HttpGet::kMaxLineBytes, update::HttpGet::kMaxLineBytes + 1) },
            { 40, { .raw = interim.repeated(update::HttpGet::kMaxInterimAnswers) + ok } },
            { 41, { .raw = interim.repeated(update::HttpGet::kMaxInterimAnswers + 1) + ok } },
            { 42, { .raw = interim.repeated(10) + "HTTP/1.1 302 Found\r\nLocation: /again\r\nContent-Length: 0\r\n\r\n" } },
        };
        server.route("/again", { .raw = interim.repeated(10) + ok });
        if (odd.contains(kind))
            server.route("/download/Kalvimar.zip", odd.value(kind));
        server.route("/moved/Kalvimar.zip", { 200, body });
        // Redirects, each hop to the next, the last to the package.
        const int hops = kind == 30 ? 10 : kind == 31 ? 11 : 0;
        for (int i = 0; i < hops; ++i) {
            const QString from = i == 0 ? "/download/Kalvimar.zip" : QString("/hop/%1").arg(i);
            const QString to = i == hops - 1 ? "/moved/Kalvimar.zip" : QString("/hop/%1").arg(i + 1);
            server.route(from, { 302, "hop", -1, false, "Location: " + to.toLatin1() + "\r\n" });
        }
        update::PackageDownload d;
        // The silent server's own wait is short; every other kind ends by
        // itself, and a busy machine may pause a transfer for longer.
        if (kind == 5)
            d.setStallTimeout(300);
        QSignalSpy done(&d, &update::PackageDownload::finished);
        QString base = kind == 4 ? closedPortUrl() : server.baseUrl();
        if (kind == 34)
            base.replace("http:", "https:");
        d.start(update::packageUrl(base), target);
        QVERIFY(d.isRunning());
        if (kind == 1) {
            // The server writes the body and closes at once; the reply's
            // signals are held until it has finished, so it ends unread.
            auto* reply = d.findChild<QNetworkReply*>();
            QVERIFY(reply);
            {
                const QSignalBlocker hold(reply);
                QTRY_VERIFY(reply->isFinished());
            }
            QVERIFY(reply->bytesAvailable() > 0);
            Q_EMIT reply->finished();
        }
        if (kind == 7) {
            QTRY_COMPARE(server.paths.size(), 1);
            d.cancel();
        }
        QVERIFY(done.size() == 1 || done.wait(20000));
        QVERIFY(!d.isRunning());
        QCOMPARE(done.first().first().toBool(), reason.isEmpty());
        QCOMPARE(d.succeeded(), reason.isEmpty());
        if (reason.endsWith('*'))
            QVERIFY2(d.errorText().startsWith(reason.chopped(1)) && d.errorText().size() > reason.size(),
                qPrintable(d.errorText()));
        else
            QCOMPARE(d.errorText(), reason);
        QCOMPARE(fileBytes(target), reason.isEmpty() ? body : QByteArray("earlier package"));
        QCOMPARE(folderTree(tmp.path()), QStringList { "Kalvimar.zip" });
    }

    // Only a regular file at the package name is replaced: a link there,
    // dangling or not, a folder or a pipe is named, nothing is fetched, and
    // what is outside the program folder keeps its bytes.
    void downloadReplacesOnlyARegularFile_data()
    {
        QTest::addColumn<char>("kind");
        QTest::addColumn<QString>("what");
        QTest::newRow("link to an outside file") << 'l' << "一个链接";
        QTest::newRow("dangling link") << 'd' << "一个链接";
        QTest::newRow("folder") << 'f' << "一个文件夹";
        QTest::newRow("pipe") << 'p' << "一个特殊文件";
    }
    void downloadReplacesOnlyARegularFile()
    {
        QFETCH(char, kind);
        QFETCH(QString, what);
        QTemporaryDir tmp;
        const QString target = tmp.path() + "/prog/Kalvimar.zip";
        const QString outside = tmp.path() + "/outside.zip";
        QVERIFY(QDir().mkpath(tmp.path() + "/prog"));
        if (kind == 'l')
            QVERIFY(writeFile(outside, "outside bytes"));
        if (kind == 'l' || kind == 'd')
            QVERIFY(QFile::link(outside, target));
        else if (kind == 'f')
            QVERIFY(writeFile(target + "/inside.txt", "inside"));
        else
            QVERIFY(::mkfifo(QFile::encodeName(target).constData(), 0600) == 0);
        const bool bytes = kind != 'p'; // reading a pipe would wait for a writer
        const QStringList before = folderTree(tmp.path(), bytes);
        HttpTestServer server;
        server.route("/download/Kalvimar.zip", { 200, QByteArray(200000, 'p') });
        update::PackageDownload d;
        QSignalSpy done(&d, &update::PackageDownload::finished);
        d.start(update::packageUrl(server.baseUrl()), target);
        QVERIFY(done.wait(20000));
        QVERIFY(!d.succeeded());
        QCOMPARE(d.errorText(), QString("无法写入文件%1：它是%2，不是普通文件。请删除它后再下载。").arg(target, what));
        QCOMPARE(folderTree(tmp.path(), bytes), before);
        QVERIFY(server.paths.isEmpty());
    }
};

TROVA_TEST(PackageTest)
#include "tst_Package.moc"
