#include "HttpTestServer.h"
#include "SmallDisk.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "ZipBuilder.h"
#include "update/Installer.h"
#include "update/PackageDownload.h"
#include "update/SwapJournal.h"
#include "update/UpdateServer.h"
#include "update/modZip.h"

#include <QDir>
#include <QLockFile>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
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

// The scope runs under the given umask.
class Umask
{
public:
    explicit Umask(mode_t mask) : m_old(::umask(mask)) { }
    ~Umask() { ::umask(m_old); }

private:
    mode_t m_old;
};

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

    // The install is stopped after each of its steps, as a crash would stop
    // it (the record written, each rename, the record removed, each rename
    // put back after the new program failed to start), until it runs to its
    // end. The next start, or the next install, then finds the folder as it
    // was, byte for byte; only a stop once the swap is over leaves the new
    // program, whole.
    void swapStoppedAtAnyStepIsPutBack_data()
    {
        QTest::addColumn<bool>("starts");
        QTest::addColumn<bool>("byInstall"); // put back by the next install instead of at start
        QTest::newRow("started, put back at start") << true << false;
        QTest::newRow("started, put back by the next install") << true << true;
        QTest::newRow("failed to start, put back at start") << false << false;
        QTest::newRow("failed to start, put back by the next install") << false << true;
    }
    void swapStoppedAtAnyStepIsPutBack()
    {
        QFETCH(bool, starts);
        QFETCH(bool, byInstall);
        struct Stop { };
        int steps = 0;
        int stopAt = 0;
        update::setSwapStepHook([&] {
            if (++steps == stopAt)
                throw Stop();
        });
        auto prepare = [](const QString& prog) {
            return writeFile(prog + "/TROVA", "v1", 0755) && writeFile(prog + "/TROVA.exec", "v0")
                   && writeFile(prog + "/lib/big.bin", QByteArray(70000, 'o')) && writeFile(prog + "/data/keep.txt", "old")
                   && ZipBuilder(prog + "/Kalvimar.zip")
                          .file("TROVA", "v2", 0100755)
                          .file("lib/big.bin", QByteArray(80000, 'n'))
                          .file("lib/after.txt", "after")
                          .file("newdir/sub/f.txt", "f")
                          .dir("logs/")
                          .close();
        };
        auto install = [](const QString& prog, bool ok) {
            return update::installPackage(prog, [ok](const QString&, const QString&) { return ok; });
        };
        // The new program whole, and the step after which the swap is over.
        QTemporaryDir ref;
        QVERIFY(prepare(ref.path()));
        QVERIFY(install(ref.path(), true).ok);
        const int swapOver = steps;
        const QStringList installed = folderTree(ref.path(), true);
        // What the next install sweeps away: the staging folders left by a
        // stop once the record is gone, and the package.
        auto whole = [](QStringList tree, bool package) {
            tree.removeIf([&](const QString& e) {
                return e.startsWith(".TROVA-update") || (!package && e.startsWith("Kalvimar.zip"));
            });
            return tree;
        };

        for (stopAt = 1;; ++stopAt) {
            QTemporaryDir tmp;
            const QString prog = tmp.path() + "/prog";
            QVERIFY(prepare(prog));
            const QStringList before = folderTree(prog, true);
            steps = 0;
            try {
                install(prog, starts);
            } catch (const Stop&) {
                const int stoppedAt = stopAt;
                stopAt = 0;
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
                stopAt = stoppedAt;
                const QStringList after = folderTree(prog, true);
                if (stopAt == swapOver)
                    QCOMPARE(whole(after, false), whole(installed, false));
                else
                    QCOMPARE(whole(after, true), before);
                continue;
            }
            // The install ran to its end: every step was stopped at once.
            QVERIFY(stopAt > swapOver);
            break;
        }
        update::setSwapStepHook({});
    }

    // A record that cannot be trusted puts nothing back and lets nothing be
    // swept away: the files it would name stay where they are.
    void unreadableSwapRecordKeepsEverything_data()
    {
        QTest::addColumn<QByteArray>("record");
        QTest::newRow("not a record") << QByteArray("garbage\n");
        QTest::newRow("cut off") << QByteArray("TROVA swap journal 1\nmove TROVA\n");
        QTest::newRow("outside the folder") << QByteArray("TROVA swap journal 1\nmove ../x TROVA\n");
    }
    void unreadableSwapRecordKeepsEverything()
    {
        QFETCH(QByteArray, record);
        QTemporaryDir tmp;
        const QString prog = tmp.path() + "/prog";
        QVERIFY(writeFile(prog + "/TROVA.exec", "v1"));
        QVERIFY(writeFile(prog + "/.TROVA-update-backup/data/keep.txt", "old data"));
        QVERIFY(writeFile(prog + "/.TROVA-update-journal", record));
        QVERIFY(build(prog + "/Kalvimar.zip", { "f TROVA" }));
        const QStringList before = folderTree(tmp.path(), true);
        QVERIFY(update::recoverInterruptedInstall(prog).contains("无法读取"));
        const update::InstallResult r = update::installPackage(prog, [](const QString&, const QString&) { return true; });
        QVERIFY2(!r.ok && r.error.contains("无法读取"), qPrintable(r.error));
        QCOMPARE(folderTree(tmp.path(), true), before);
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
    }

    void downloadWritesTheWholePackageOrNothing()
    {
        QFETCH(int, kind);
        QFETCH(QString, reason);
        QTemporaryDir tmp;
        const QString target = tmp.filePath("Kalvimar.zip");
        QVERIFY(writeFile(target, "earlier package"));
        HttpTestServer server;
        const QByteArray body = QByteArray(100000, 'z') + "end";
        server.route("/download/Kalvimar.zip",
            { kind == 2 ? 404 : 200, kind == 6 ? QByteArray() : body, kind == 3 ? 60000 : -1, kind == 5 || kind == 7 });
        const QUrl closed(closedPortUrl() + "/x");
        reason = reason.replace("%1", closed.authority());
        const QByteArray chunks = "1000\r\n" + body.left(0x1000) + "\r\n" + QByteArray::number(body.size() - 0x1000, 16)
            + ";ext=1\r\n" + body.mid(0x1000) + "\r\n0\r\nX-Sum: 1\r\n\r\n";
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
        };
        if (odd.contains(kind))
            server.route("/download/Kalvimar.zip", odd.value(kind));
        server.route("/moved/Kalvimar.zip", { 200, body });
        update::PackageDownload d;
        // The silent server's own wait is short; every other kind ends by
        // itself, and a busy machine may pause a transfer for longer.
        if (kind == 5)
            d.setStallTimeout(300);
        QSignalSpy done(&d, &update::PackageDownload::finished);
        d.start(update::packageUrl(kind == 4 ? closedPortUrl() : server.baseUrl()), target);
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
        QCOMPARE(d.errorText(), reason);
        QCOMPARE(fileBytes(target), reason.isEmpty() ? body : QByteArray("earlier package"));
        QCOMPARE(folderTree(tmp.path()), QStringList { "Kalvimar.zip" });
    }
};

TROVA_TEST(PackageTest)
#include "tst_Package.moc"
