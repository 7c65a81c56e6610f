#include "HttpTestServer.h"
#include "SmallDisk.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "update/PackageDownload.h"
#include "update/UpdateServer.h"
#include "update/modZip.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace testing;

namespace {

const QByteArray kVersionHead = "<?xml version=\"1.0\"?><root><SoftVersion>1.1.2</SoftVersion><!-- ";

// The process's resident memory now, or its peak since the last reset.
qint64 residentBytes(const char* field = "VmRSS:")
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return 0;
}

// Starts the peak over from the memory in use; false where the kernel does
// not allow it.
bool resetPeakMemory()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    return f.open(QIODevice::WriteOnly) && f.write("5") == 1;
}

// The bytes of the files in folder, and of the files this process holds open
// there without a name (a temporary file made with O_TMPFILE has none).
qint64 bytesUnder(const QString& folder)
{
    qint64 total = 0;
    for (const QFileInfo& f : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden))
        total += f.size();
    for (const QFileInfo& fd : QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::System | QDir::Files)) {
        const QString target = fd.symLinkTarget();
        if (target.startsWith(folder + QLatin1Char('/')) && !QFileInfo::exists(target))
            total += fd.size();
    }
    return total;
}

// The most memory and disk the process took above where it started: memory
// from the kernel's own peak (the network works on a thread of its own,
// which a sample could miss), disk sampled while the event loop runs.
class Peaks
{
public:
    explicit Peaks(const QString& folder)
        : m_folder(folder), m_exact(resetPeakMemory()), m_memory0(residentBytes()), m_disk0(bytesUnder(folder))
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { sample(); });
        m_timer.start(5);
    }
    void sample()
    {
        memory = qMax(memory, residentBytes(m_exact ? "VmHWM:" : "VmRSS:") - m_memory0);
        disk = qMax(disk, bytesUnder(m_folder) - m_disk0);
    }
    qint64 memory = 0;
    qint64 disk = 0;

private:
    QString m_folder;
    bool m_exact;
    qint64 m_memory0;
    qint64 m_disk0;
    QTimer m_timer;
};

} // namespace

// An update server that sends without end, or more than it should: the
// version check and the download each give up at their bound, with memory
// flat and nothing left on disk.
class HostileServerTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void boundedWhateverTheServerSends_data()
    {
        QTest::addColumn<bool>("package"); // else the version document
        QTest::addColumn<bool>("endless"); // else a whole body of `size` bytes
        QTest::addColumn<qint64>("size"); // or the length an endless body declares
        QTest::addColumn<qint64>("free"); // what the disk has free; -1: the real disk
        QTest::addColumn<QString>("result"); // the version read, or the download's refusal (empty: it arrives)
        QTest::addColumn<bool>("chunked"); // an endless body as one endless chunk
        const QString none;
        const qint64 real = -1;
        QTest::newRow("version document of a usual size") << false << false << qint64(1000) << real << "1.1.2" << false;
        QTest::newRow("version document of exactly the bound")
            << false << false << qint64(update::kMaxVersionDocumentBytes) << real << "1.1.2" << false;
        QTest::newRow("version document past the bound") << false << false << qint64(64 * 1024) << real << none << false;
        QTest::newRow("endless version document") << false << true << qint64(-1) << real << none << false;
        QTest::newRow("endless chunked version document") << false << true << qint64(-1) << real << none << true;
        const QString tooLarge = QString::fromUtf8("更新文件超过%1字节的上限，已停止下载。").arg(modZip::kMaxPackageBytes);
        QTest::newRow("endless package") << true << true << qint64(-1) << real << tooLarge << false;
        QTest::newRow("endless chunked package") << true << true << qint64(-1) << real << tooLarge << true;
        QTest::newRow("package declaring more than the cap")
            << true << true << modZip::kMaxPackageBytes + 1 << real << tooLarge << false;
        // A disk with less free than the cap: that is the bound.
        const qint64 small = 4 << 20;
        const QString noSpace = QString::fromUtf8("磁盘空间不足：更新文件超过了可用的%1字节，已停止下载。").arg(small);
        QTest::newRow("endless package on a nearly full disk") << true << true << qint64(-1) << small << noSpace << false;
        QTest::newRow("package larger than the free space") << true << false << small + 1 << small << noSpace << false;
        QTest::newRow("package filling the free space") << true << false << small << small << QString() << false;
    }

    void boundedWhateverTheServerSends()
    {
        QFETCH(bool, package);
        QFETCH(bool, endless);
        QFETCH(qint64, size);
        QFETCH(qint64, free);
        QFETCH(QString, result);
        QFETCH(bool, chunked);
        const SmallDisk disk(free);
        const qint64 limit = free >= 0 ? free : modZip::kMaxPackageBytes;
        QTemporaryDir tmp;
        const QString target = tmp.filePath("Kalvimar.zip");
        QVERIFY(writeFile(target, "earlier package"));
        HttpTestServer whole;
        QByteArray document = kVersionHead;
        document += QByteArray(qMax<qint64>(0, size - document.size() - 11), 'c') + " --></root>";
        whole.route("/Soft/SoftXML/AllSoftDB/Kalvimar/Oskel/Kalvimar.xml", { 200, document });
        const QByteArray body(package ? size : 0, 'p');
        whole.route("/download/Kalvimar.zip", { 200, body });
        std::unique_ptr<HttpFloodServer> flood;
        if (endless)
            flood = std::make_unique<HttpFloodServer>(package ? QByteArray("PK\3\4") : kVersionHead, size, chunked);
        const QString base = endless ? flood->baseUrl() : whole.baseUrl();

        Peaks peaks(tmp.path());
        if (!package) {
            QCOMPARE(update::fetchPublishedVersion(base, 60000), result);
        } else {
            update::PackageDownload d;
            QSignalSpy done(&d, &update::PackageDownload::finished);
            d.start(update::packageUrl(base), target);
            QVERIFY(done.wait(60000));
            QCOMPARE(done.first().first().toBool(), result.isEmpty());
            QCOMPARE(d.errorText(), result);
            QVERIFY(d.bytesWritten() <= limit);
        }
        peaks.sample();
        // Each gives up at its bound, not at the end of its time.
        const qint64 bound = (package ? limit : 0) + (64 << 20);
        if (flood)
            QVERIFY2(flood->bytesSent() < bound, qPrintable(QString::number(flood->bytesSent())));
        QVERIFY2(peaks.memory < (48 << 20), qPrintable(QString::number(peaks.memory)));
        QVERIFY2(peaks.disk <= limit, qPrintable(QString::number(peaks.disk)));
        QCOMPARE(folderTree(tmp.path()), QStringList { "Kalvimar.zip" });
        QCOMPARE(fileBytes(target), package && result.isEmpty() ? body : QByteArray("earlier package"));
    }

    // A document cut short of its length is none, even when what came reads.
    void cutShortDocumentHasNoVersion()
    {
        HttpTestServer server;
        const QByteArray document = "<root><SoftVersion>1.1.2</SoftVersion></root>";
        server.route("/Soft/SoftXML/AllSoftDB/Kalvimar/Oskel/Kalvimar.xml",
            { 200, document + QByteArray(100, ' '), document.size() });
        QCOMPARE(update::fetchPublishedVersion(server.baseUrl()), QString());
    }
};

TROVA_TEST(HostileServerTest)
#include "tst_HostileServer.moc"
