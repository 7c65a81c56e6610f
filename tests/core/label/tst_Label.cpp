#include "FileTree.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "label/LabelLanguage.h"
#include "label/LabelSink.h"

#include <QTemporaryDir>
#include <QTest>
#include <unistd.h>

using testing::fileBytes;

namespace {

QByteArray golden(const QString& name)
{
    return fileBytes(testing::dataFile(QStringLiteral("label/") + name));
}

const QString kPart = QStringLiteral("PN-4711.A");
const QString kComp = QStringLiteral("10-0001-234");
const QString kLink = QStringLiteral("1412060001");

} // namespace

// The label language against files written from the printer's command list,
// the code page, the quantity rules; then the sinks, down to a real CUPS queue.
class LabelTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The part label byte for byte, the code page's own bytes for characters
    // beyond Latin-1 (0x80, 0x8A) included. (The other golden files are
    // matched by what the screens' Print buttons and the CUPS queue print.)
    void labelsMatchTheGoldenFiles()
    {
        QCOMPARE(label::LabelJob(label::PartLabelLines(QStringLiteral("PN-€47Š"))), golden("part_PN-E47S_cp1252.lbl"));
    }

    // A character the printer's code page lacks is refused and named whole,
    // also one of two UTF-16 units. (One of a single unit, refused before
    // anything is sent, is the Print buttons' test.)
    void charactersOutsideTheCodePageAreRefused()
    {
        try {
            label::LabelJob(label::LinkLabelLines(kComp, QStringLiteral("14120😀")));
            QFAIL("no error for a character outside the code page");
        } catch (const label::EncodingError& e) {
            QVERIFY2(e.message().startsWith("The character \"😀\" (U+1F600)"), qPrintable(e.message()));
        }
    }

    void textGoesUnchanged()
    {
        // Delimiters of the printer language are not escaped, nor is length cut.
        const QString odd = QStringLiteral("A|}{B;") + QString(60, QLatin1Char('9'));
        const QStringList link = label::LinkLabelLines(QString(), odd);
        QCOMPARE(link[41] + link[45] + link[47], "{RC00;|}{RC00;" + odd + "|}{RB00;" + odd + "|}");
    }

    void printQuantity_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("expected"); // the quantity; empty: nothing; or the error shown
        // (2.5 printing two labels is the Print buttons' test.)
        QTest::newRow("empty") << "" << "";
        QTest::newRow("letters") << "abc" << "";
        QTest::newRow("infinite") << "inf" << "";
        QTest::newRow("three") << " 3 " << "3";
        QTest::newRow("half up to even") << "3.5" << "4";
        QTest::newRow("negative half") << "-2.5" << "-2";
        QTest::newRow("smallest") << "-32768.5" << "-32768";
        QTest::newRow("rounds past the top") << "32767.5" << "6Overflow";
    }
    void printQuantity()
    {
        QFETCH(QString, answer);
        QFETCH(QString, expected);
        QString got;
        try {
            const std::optional<int> n = label::PrintQuantity(answer);
            got = n ? QString::number(*n) : QString();
        } catch (const label::QuantityError& e) {
            got = e.message();
        }
        QCOMPARE(got, expected);
    }

    // A negative answer to "Order Print" gives no rows. (The clicked row and
    // those above it, never beyond the first, are the link screen's test.)
    void orderPrintRows()
    {
        QCOMPARE(label::OrderPrintRows(3, -2), QList<int>());
    }

    // A printer port that cannot seek (here a pipe) takes the job; one that
    // is not there is refused. (Appending is what the print tests count on.)
    void fileSinkOnADevice()
    {
        QString error;
        int fds[2];
        QCOMPARE(::pipe(fds), 0);
        QVERIFY2(label::FileLabelSink(QStringLiteral("/proc/self/fd/%1").arg(fds[1])).send("job\r\n", &error),
                 qPrintable(error));
        char got[8] = {};
        QCOMPARE(::read(fds[0], got, sizeof got), ssize_t(5));
        QCOMPARE(QByteArray(got), QByteArray("job\r\n"));
        ::close(fds[0]);
        ::close(fds[1]);

        // A device that is not there: refused with the path named.
        QTemporaryDir dir;
        label::FileLabelSink missing(dir.filePath(QStringLiteral("no/such/port")));
        QVERIFY(!missing.send("x", &error));
        QVERIFY2(error.contains(QStringLiteral("no")) && error.contains(QStringLiteral("port")), qPrintable(error));
    }

    void settingsChooseTheSink()
    {
        auto device = label::makeSink({QStringLiteral("queue"), QStringLiteral("/dev/usb/lp0")});
        auto* file = dynamic_cast<label::FileLabelSink*>(device.get());
        QVERIFY(file);
        QCOMPARE(file->path(), QStringLiteral("/dev/usb/lp0"));
        auto queue = label::makeSink({QStringLiteral("labels"), QString()});
        auto* cups = dynamic_cast<label::CupsLabelSink*>(queue.get());
        QVERIFY(cups);
        QCOMPARE(cups->queue(), QStringLiteral("labels"));

        qputenv("TROVA_LABEL_DEVICE", "/tmp/trova-label-test.prn");
        label::setSink(nullptr);
        QCOMPARE(dynamic_cast<label::FileLabelSink&>(label::sink()).path(),
                 QStringLiteral("/tmp/trova-label-test.prn"));
        qunsetenv("TROVA_LABEL_DEVICE");
        label::setSink(nullptr);
    }

    // test.sh starts a CUPS daemon of its own with a raw queue that writes
    // every job to a file; both labels go through libcups and are read back.
    void cupsPrint()
    {
        const QString queue = qEnvironmentVariable("TROVA_TEST_CUPS_QUEUE");
        const QString file = qEnvironmentVariable("TROVA_TEST_CUPS_FILE");
        if (queue.isEmpty() || file.isEmpty())
            QSKIP("no CUPS configured (TROVA_TEST_CUPS_QUEUE is not set)");

        qputenv("TROVA_LABEL_QUEUE", queue.toUtf8());
        label::setSink(nullptr);
        QVERIFY(dynamic_cast<label::CupsLabelSink*>(&label::sink()));
        const QByteArray before = QFile::exists(file) ? fileBytes(file) : QByteArray();
        QString error;
        QVERIFY2(label::sink().send(label::LabelJob(label::PartLabelLines(kPart)), &error), qPrintable(error));
        QVERIFY2(label::sink().send(label::LabelJob(label::LinkLabelLines(kComp, kLink)), &error),
                 qPrintable(error));
        // No queue named: the daemon's default destination, the same queue here.
        label::CupsLabelSink byDefault;
        QVERIFY2(byDefault.send(label::LabelJob(label::PartLabelLines(kPart)), &error), qPrintable(error));
        const QByteArray part = golden("part_PN-4711.A.lbl");
        const QByteArray expected = before + part + golden("link_10-0001-234_1412060001.lbl") + part;
        QTRY_COMPARE_WITH_TIMEOUT(fileBytes(file), expected, 30000);

        // A queue the daemon does not know is refused with its reason.
        label::CupsLabelSink nowhere(QStringLiteral("no-such-label-queue"));
        QVERIFY(!nowhere.send("x", &error));
        QVERIFY2(error.contains(QStringLiteral("no-such-label-queue")), qPrintable(error));

        qunsetenv("TROVA_LABEL_QUEUE");
        label::setSink(nullptr);
    }
};

TROVA_TEST(LabelTest)
#include "tst_Label.moc"
