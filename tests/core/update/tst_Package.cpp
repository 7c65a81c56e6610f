#include "HttpTestServer.h"
#include "TestMain.h"
#include "ZipBuilder.h"
#include "update/Installer.h"
#include "update/PackageDownload.h"
#include "update/UpdateServer.h"
#include "update/modZip.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using testing::ZipBuilder;

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(data);
}

// Every file and folder under root, relative, sorted.
QStringList tree(const QString& root)
{
    QStringList out;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        out << QDir(root).relativeFilePath(it.next());
    out.sort();
    return out;
}

} // namespace

// Unpacking and installing the update package: what lands where, what is
// refused whole, and that a failed install leaves the folder as it was.
class PackageTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pathHelpers()
    {
        // A dot in a folder name is no extension.
        QCOMPARE(modZip::ChangeFileExt("/opt/app.d/TROVA", "exec"), QStringLiteral("/opt/app.d/TROVA.exec"));
        QTemporaryDir tmp;
        const QString made = modZip::MakeDirPath(tmp.path() + "//one//two");
        QCOMPARE(made, tmp.path() + "/one/two/");
        QVERIFY(QFileInfo(made).isDir());
        // A file in the way ends the attempt instead of looping.
        writeFile(tmp.path() + "/blocker", "x");
        QCOMPARE(modZip::MakeDirPath(tmp.path() + "/blocker/sub"), QString());
    }

    void unpacksFoldersDirectoriesAndBlockEdges()
    {
        QTemporaryDir tmp;
        const QString zip = tmp.filePath("p.zip");
        const QByteArray exact(2048 * 3, 'a');
        const QByteArray odd = QByteArray(5000, 'b') + "tail";
        const QString longName = QString(300, QLatin1Char('n')).left(250) + "/" + QString(200, QLatin1Char('m'));
        QVERIFY(ZipBuilder(zip)
                    .file("top.txt", "top")
                    .file("one/two/inner.bin", odd)
                    .dir("empty/")
                    .file("exact.bin", exact)
                    .file("zero.bin", QByteArray())
                    .file(longName, "long")
                    .close());
        const modZip::UnzipResult r = modZip::UnzipToFolder(tmp.path() + "//out", zip);
        QVERIFY2(r.ok, qPrintable(r.error));
        const QString out = tmp.path() + "/out/";
        QCOMPARE(readAll(out + "top.txt"), QByteArray("top"));
        QCOMPARE(readAll(out + "one/two/inner.bin"), odd);
        QVERIFY(QFileInfo(out + "empty").isDir());
        QCOMPARE(readAll(out + "exact.bin"), exact);
        QCOMPARE(readAll(out + "zero.bin"), QByteArray());
        // Names past 260 bytes are not cut.
        QCOMPARE(readAll(out + longName), QByteArray("long"));
        QCOMPARE(r.files,
                 (QStringList{"top.txt", "one/two/inner.bin", "exact.bin", "zero.bin", longName}));
    }

    void hostilePackagesAreRefusedWhole_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("kind"); // 0 file, 1 link
        QTest::newRow("parent") << "../evil" << 0;
        QTest::newRow("nested parent") << "sub/../../evil" << 0;
        QTest::newRow("absolute") << "/tmp/trova-evil" << 0;
        QTest::newRow("drive") << "C:/evil" << 0;
        QTest::newRow("backslash") << "..\\evil" << 0;
        QTest::newRow("link") << "escape" << 1;
    }

    void hostilePackagesAreRefusedWhole()
    {
        QFETCH(QString, entry);
        QFETCH(int, kind);
        QTemporaryDir tmp;
        const QString zip = tmp.filePath("p.zip");
        ZipBuilder b(zip);
        b.file("first.txt", "fine");
        if (kind == 1)
            b.link(entry, "/etc");
        else
            b.file(entry, "evil");
        QVERIFY(b.close());
        const modZip::UnzipResult r = modZip::UnzipToFolder(tmp.path() + "/out", zip);
        QVERIFY(!r.ok);
        QVERIFY(!r.error.isEmpty());
        // Not even the harmless entry before it was written.
        QCOMPARE(tree(tmp.path()), QStringList{"p.zip"});
        QVERIFY(!QFileInfo::exists("/tmp/trova-evil"));
    }

    void damagedEntryFailsItsChecksum()
    {
        QTemporaryDir tmp;
        const QString zip = tmp.filePath("p.zip");
        QVERIFY(ZipBuilder(zip).file("ok.txt", "ok").damagedFile("TROVA", "v2 program").close());
        const modZip::UnzipResult r = modZip::UnzipToFolder(tmp.path() + "/out", zip);
        QVERIFY(!r.ok);
        QVERIFY2(r.error.contains("checksum"), qPrintable(r.error));
        writeFile(tmp.filePath("junk.zip"), "not a zip at all");
        QVERIFY(!modZip::UnzipToFolder(tmp.path() + "/out2", tmp.filePath("junk.zip")).ok);
        QVERIFY(!QFileInfo::exists(tmp.path() + "/out2"));
    }

    void installSwapsInTheNewProgram()
    {
        QTemporaryDir tmp;
        const QString prog = tmp.path() + "/prog.v1";
        writeFile(prog + "/TROVA", "v1");
        writeFile(prog + "/TROVA.exec", "v0");
        writeFile(prog + "/data/keep.txt", "old data");
        QVERIFY(ZipBuilder(prog + "/Kalvimar.zip")
                    .file("TROVA", "v2", 0100644)
                    .file("data/keep.txt", "new data")
                    .file("doc/readme.txt", "read me")
                    .close());
        QStringList started;
        const update::InstallResult r = update::installPackage(prog, [&](const QString& p, const QString& f) {
            started << p << f;
            return true;
        });
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(started, (QStringList{prog + "/TROVA", prog}));
        QCOMPARE(readAll(prog + "/TROVA"), QByteArray("v2"));
        QVERIFY(QFileInfo(prog + "/TROVA").isExecutable());
        QCOMPARE(readAll(prog + "/TROVA.exec"), QByteArray("v1"));
        QCOMPARE(readAll(prog + "/data/keep.txt"), QByteArray("new data"));
        QCOMPARE(tree(prog), (QStringList{"TROVA", "TROVA.exec", "data", "data/keep.txt", "doc", "doc/readme.txt"}));
    }

    void failedInstallLeavesTheFolderAsItWas_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("new program does not start") << 0;
        QTest::newRow("no TROVA in the package") << 1;
        QTest::newRow("damaged entry") << 2;
        QTest::newRow("entry out of the folder") << 3;
    }

    void failedInstallLeavesTheFolderAsItWas()
    {
        QFETCH(int, kind);
        QTemporaryDir tmp;
        const QString prog = tmp.path() + "/prog";
        writeFile(prog + "/TROVA", "v1");
        QFile::setPermissions(prog + "/TROVA", QFile::permissions(prog + "/TROVA") | QFileDevice::ExeOwner);
        writeFile(prog + "/TROVA.exec", "v0");
        writeFile(prog + "/data/keep.txt", "old data");
        ZipBuilder b(prog + "/Kalvimar.zip");
        b.file("data/keep.txt", "new data").file("doc/readme.txt", "read me");
        if (kind != 1 && kind != 2)
            b.file("TROVA", "v2");
        if (kind == 2)
            b.damagedFile("TROVA", "v2");
        if (kind == 3)
            b.file("../evil", "evil");
        QVERIFY(b.close());
        const QStringList before = tree(tmp.path());

        bool startCalled = false;
        const update::InstallResult r = update::installPackage(prog, [&](const QString&, const QString&) {
            startCalled = true;
            return false;
        });
        QVERIFY(!r.ok);
        QVERIFY(!r.error.isEmpty());
        QCOMPARE(startCalled, kind == 0);
        QCOMPARE(tree(tmp.path()), before);
        QCOMPARE(readAll(prog + "/TROVA"), QByteArray("v1"));
        QVERIFY(QFileInfo(prog + "/TROVA").isExecutable());
        QCOMPARE(readAll(prog + "/TROVA.exec"), QByteArray("v0"));
        QCOMPARE(readAll(prog + "/data/keep.txt"), QByteArray("old data"));
    }

    void downloadWritesTheWholePackageOrNothing_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("ok");
        QTest::newRow("whole") << 0 << true;
        QTest::newRow("not found") << 1 << false;
        QTest::newRow("truncated") << 2 << false;
        QTest::newRow("closed port") << 3 << false;
        QTest::newRow("silent server") << 4 << false;
        QTest::newRow("empty body") << 5 << false;
    }

    void downloadWritesTheWholePackageOrNothing()
    {
        QFETCH(int, kind);
        QFETCH(bool, ok);
        QTemporaryDir tmp;
        const QString target = tmp.filePath("Kalvimar.zip");
        writeFile(target, "earlier package");
        testing::HttpTestServer server;
        const QByteArray body = QByteArray(100000, 'z') + "end";
        testing::HttpTestServer::Route route{200, body};
        if (kind == 1)
            route.status = 404;
        if (kind == 2)
            route.sendOnly = 60000;
        if (kind == 4)
            route.silent = true;
        if (kind == 5)
            route.body.clear();
        server.route("/download/Kalvimar.zip", route);
        const QString base = kind == 3 ? testing::closedPortUrl() : server.baseUrl();

        update::PackageDownload d;
        d.setStallTimeout(300);
        QSignalSpy done(&d, &update::PackageDownload::finished);
        d.start(update::packageUrl(base), target);
        QVERIFY(d.isRunning());
        QVERIFY(done.wait(5000));
        QVERIFY(!d.isRunning());
        QCOMPARE(done.first().first().toBool(), ok);
        QCOMPARE(d.succeeded(), ok);
        QCOMPARE(readAll(target), ok ? body : QByteArray("earlier package"));
        QCOMPARE(d.errorText().isEmpty(), ok);
        QCOMPARE(tree(tmp.path()), QStringList{"Kalvimar.zip"});
    }

    void cancelledDownloadLeavesNothing()
    {
        QTemporaryDir tmp;
        testing::HttpTestServer server;
        server.route("/download/Kalvimar.zip", {200, "x", -1, true});
        update::PackageDownload d;
        QSignalSpy done(&d, &update::PackageDownload::finished);
        d.start(update::packageUrl(server.baseUrl()), tmp.filePath("Kalvimar.zip"));
        QTRY_COMPARE(server.paths.size(), 1);
        d.cancel();
        QVERIFY(done.wait(3000) || done.size() == 1);
        QCOMPARE(done.first().first().toBool(), false);
        QCOMPARE(tree(tmp.path()), QStringList());
    }
};

TROVA_TEST(PackageTest)
#include "tst_Package.moc"
