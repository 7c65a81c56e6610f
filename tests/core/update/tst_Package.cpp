#include "HttpTestServer.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "ZipBuilder.h"
#include "update/Installer.h"
#include "update/PackageDownload.h"
#include "update/UpdateServer.h"
#include "update/modZip.h"

#include <QDir>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace testing;

namespace {

// A package from entries "k name": k is f (a file), d (a folder), l (a
// link), x (a file whose checksum is wrong) or p (a named pipe).
bool build(const QString& zip, const QStringList& entries)
{
    ZipBuilder b(zip);
    for (const QString& e : entries) {
        const QString name = e.mid(2);
        if (e.startsWith('d'))
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
        QTemporaryDir tmp;
        const QString prog = tmp.path() + "/prog.v1"; // a dot in a folder name is no extension
        QVERIFY(writeFile(prog + "/TROVA", "v1", 0755));
        QVERIFY(writeFile(prog + "/TROVA.exec", "v0"));
        QVERIFY(writeFile(prog + "/data/keep.txt", "old data", 0620));
        const QByteArray exact(2048 * 3, 'a');
        const QByteArray odd = QByteArray(5000, 'b') + "tail";
        // Names past 260 bytes are not cut.
        const QString longName = QString(250, QLatin1Char('n')) + "/" + QString(200, QLatin1Char('m'));
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
        QVERIFY(QDir().mkpath(want + "/logs"));
        QCOMPARE(folderTree(prog, true), folderTree(want, true));
    }

    void refusedPackageLeavesTheFolderAsItWas_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("file"); // a package of tests/data/update instead
        QTest::addColumn<bool>("checked"); // refused before anything is unpacked
        QTest::addColumn<QString>("reason");
        const QString none;
        QTest::newRow("new program does not start") << QStringList { "f TROVA", "f data/keep.txt", "d logs/",
            "f doc/readme.txt" } << none << false << "does not start";
        QTest::newRow("no TROVA") << QStringList { "f data/keep.txt" } << none << false << "no program";
        QTest::newRow("damaged entry") << QStringList { "f data/keep.txt", "x TROVA" } << none << false << "checksum";
        QTest::newRow("parent") << QStringList { "f TROVA", "f ../evil" } << none << true << "leads out";
        QTest::newRow("nested parent") << QStringList { "f TROVA", "f sub/../../evil" } << none << true << "leads out";
        QTest::newRow("absolute") << QStringList { "f TROVA", "f /tmp/trova-evil" } << none << true << "absolute";
        QTest::newRow("drive") << QStringList { "f TROVA", "f C:/evil" } << none << true << "drive";
        QTest::newRow("backslash") << QStringList { "f TROVA", "f ..\\evil" } << none << true << "backslash";
        QTest::newRow("link") << QStringList { "f TROVA", "l escape" } << none << true << "is a link";
        QTest::newRow("named pipe") << QStringList { "f TROVA", "p pipe" } << none << true << "not a plain file";
        QTest::newRow("moved-aside name") << QStringList { "f TROVA", "f TROVA.exec" } << none << false << "for itself";
        QTest::newRow("staging name") << QStringList { "f TROVA", "d .TROVA-update/" } << none << false << "for itself";
        QTest::newRow("backup name") << QStringList { "f TROVA", "f .TROVA-update-backup/TROVA" } << none << false
                                     << "for itself";
        QTest::newRow("one name twice") << QStringList { "f TROVA", "f data/keep.txt", "f ./data/keep.txt" } << none
                                        << true << "given twice";
        QTest::newRow("file and folder of one name")
            << QStringList { "f TROVA", "f doc", "d doc/" } << none << true << "given twice";
        QTest::newRow("entry shorter than declared")
            << QStringList() << "short-entry.zip" << false << "holds 360 of its 720 bytes";
        QTest::newRow("declared sizes over the cap") << QStringList() << "oversized.zip" << true << "declare more than";
        QTest::newRow("zip64 sizes over the cap")
            << QStringList() << "oversized-zip64.zip" << true << "declare more than";
        QTest::newRow("stream past its declared size")
            << QStringList() << "long-entry.zip" << false << "does not end at its declared size of 360 bytes";
        QTest::newRow("flagged as encrypted") << QStringList() << "encrypted-flag.zip" << true << "is encrypted";
        QTest::newRow("encrypted") << QStringList() << "encrypted.zip" << true << "\"TROVA\" is encrypted";
        QTest::newRow("file named .") << QStringList { "f TROVA", "f ." } << none << true << "names a folder";
        QTest::newRow("file named data/.") << QStringList { "f TROVA", "f data/." } << none << true << "names a folder";
        QTest::newRow("cut-off package") << QStringList() << "cut-off.zip" << true << "not a readable zip";
        QTest::newRow("not a zip") << QStringList() << "not-a-zip.zip" << true << "not a readable zip";
    }

    void refusedPackageLeavesTheFolderAsItWas()
    {
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
        QCOMPARE(startCalled, reason == "does not start");
        QCOMPARE(folderTree(tmp.path(), true), before);
        // What the check refuses is refused before anything is unpacked.
        QCOMPARE(modZip::CheckPackage(zip).isEmpty(), !checked);
        const bool unpacked = modZip::UnzipToFolder(tmp.path() + "/out", zip).ok;
        QCOMPARE(unpacked || QFileInfo::exists(tmp.path() + "/out"), !checked);
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
        update::PackageDownload d;
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
        QVERIFY(done.size() == 1 || done.wait(5000));
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
