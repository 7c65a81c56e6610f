#include "HttpTestServer.h"
#include "ScriptedPrompter.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "WizardParts.h"
#include "ZipBuilder.h"
#include "app/AppControl.h"
#include "app/Module1.h"
#include "frmOpenZIP.h"
#include "frmUpdate.h"
#include "frmUpdate1.h"
#include "update/Installer.h"
#include "update/PackageDownload.h"
#include "update/modZip.h"

#include <QFile>
#include <QLabel>
#include <QNetworkReply>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <memory>
#include <sys/stat.h>

using namespace testing;

namespace {

const QString kPackagePath = QStringLiteral("/download/Kalvimar.zip");

// A stand-in program: a shell script that leaves a marker in its folder
// when it runs.
QByteArray program(const char* version)
{
    return QByteArray("#!/bin/sh\necho ") + version + " > \"$(dirname \"$0\")/started\"\n";
}

} // namespace

// The update wizard as a person meets it: the connecting page, the download
// and the install that replaces the program and starts the new one, against a
// loopback update server.
class WizardTest : public QObject {
    Q_OBJECT

private:
    QList<int> m_ended;
    std::unique_ptr<QTemporaryDir> m_tmp;
    QString m_prog;

    // Page 1 to the end of its animation, then Next.
    frmUpdate1* toPage2(frmUpdate& page1)
    {
        for (int i = 0; i < 50; ++i)
            page1.UpdateTimer_Timer();
        QTest::mouseClick(page1.cmdNext(), Qt::LeftButton);
        return page1.page2();
    }

private Q_SLOTS:
    void initTestCase()
    {
        app::setEndProgramHandler([this](int code) { m_ended << code; });
    }
    void cleanupTestCase()
    {
        app::setEndProgramHandler(nullptr);
        update::setProgramFolder(QString());
    }

    void init()
    {
        Module1::setSettings(AppSettings());
        prompter().clear();
        m_ended.clear();
        // The program folder sits inside a folder of its own, so that
        // anything written beside it shows.
        m_tmp = std::make_unique<QTemporaryDir>();
        m_prog = m_tmp->path() + "/prog";
        QVERIFY(writeFile(m_prog + "/TROVA", program("v1"), 0755));
        update::setProgramFolder(m_prog);
    }

    void nextOnTheFiftiethTick()
    {
        frmUpdate page1;
        page1.show();
        QVERIFY(page1.UpdateTimer()->isActive());
        page1.UpdateTimer()->stop(); // ticks by hand from here
        for (int i = 0; i < 49; ++i)
            page1.UpdateTimer_Timer();
        QVERIFY(!page1.cmdNext()->isEnabled());
        page1.UpdateTimer_Timer();
        QVERIFY(page1.cmdNext()->isEnabled());
    }

    void interruptAndExitEndTheProgram()
    {
        {
            frmUpdate page1;
            page1.show();
            QTest::mouseClick(page1.cmdCloseUpdate(), Qt::LeftButton);
            QVERIFY(!page1.isVisible());
            QCOMPARE(m_ended, QList<int> { 0 });
        }
        {
            frmUpdate page1;
            page1.show();
            QTest::mouseClick(page1.cmdCancel(), Qt::LeftButton);
            QCOMPARE(m_ended, (QList<int> { 0, 0 }));
            // So does the window's close box.
            page1.close();
            QCOMPARE(m_ended.size(), 3);
        }
        // Exit on page 2 with no transfer running asks nothing.
        frmUpdate page1;
        frmUpdate1* page2 = toPage2(page1);
        QTest::mouseClick(page2->cmdCancel(), Qt::LeftButton);
        QCOMPARE(m_ended.size(), 4);
        QVERIFY(prompter().messages.isEmpty());
    }

    // The whole road: information page, download, hand-over to page 3,
    // install and the new program started. What lands where is the
    // installer's own test.
    void downloadUnpackAndStartTheNewProgram()
    {
        const QString zip = m_tmp->path() + "/package.zip";
        QVERIFY(ZipBuilder(zip).file("TROVA", program("v2"), 0100644).file("lang/zh.txt", "新").close());
        HttpTestServer server;
        server.route(kPackagePath, { 200, fileBytes(zip) });
        server.route("/Soft/UpdateInfo/Kalvimar/index.asp", { 200, "<html><body><h1>TROVA 1.1.2</h1></body></html>" });
        Module1::settings().updateBaseUrl = server.baseUrl();

        frmUpdate page1;
        page1.show();
        // Every page shows the server's information page and a link to it.
        QTRY_VERIFY(page1.Frame12()->browser()->toPlainText().contains("TROVA 1.1.2"));
        QVERIFY(page1.Frame12()->link()->text().contains("/Soft/UpdateInfo/Kalvimar/index.asp"));
        frmUpdate1* page2 = toPage2(page1);
        QTest::mouseClick(page2->cmdupdate(), Qt::LeftButton);
        QVERIFY(!page2->cmdupdate()->isEnabled()); // one download at a time
        QVERIFY(QTest::qWaitFor([&] { return page2->cmdFin()->isEnabled(); }, 5000));
        QTest::mouseClick(page2->cmdFin(), Qt::LeftButton);
        frmOpenZIP* page3 = page2->page3();
        QVERIFY(page3 && page3->isVisible());
        QVERIFY(m_ended.isEmpty());

        QTest::mouseClick(page3->cmdOK(), Qt::LeftButton);
        QCOMPARE(m_ended, QList<int> { 0 });
        QVERIFY(prompter().messages.isEmpty());
        // The new program runs; nothing was written outside its folder.
        QTRY_COMPARE(fileBytes(m_prog + "/started"), QByteArray("v2\n"));
        QCOMPARE(folderTree(m_tmp->path()).filter(QRegularExpression("^[^/]*/?$")),
            (QStringList { "package.zip", "prog/" }));
    }

    // The information page as a hostile server may send it: nothing it names
    // is read (a device, a pipe, a style sheet on disk, another address),
    // and a page the browser could not lay out at once is refused as one
    // that cannot be loaded; a page of a usual make is shown.
    void informationPageReadsNothingButItself_data()
    {
        QTest::addColumn<QByteArray>("body"); // %dir%: a folder of the test's own; %base%: the server
        QTest::addColumn<bool>("shown");
        const QByteArray title = "<h1>TROVA 1.1.2</h1>";
        QTest::newRow("names a device") << title + "<img src=\"/dev/zero\">" << true;
        QTest::newRow("names a pipe") << title + "<img src=\"%dir%/pipe\"><img src=\"file://%dir%/pipe\">" << true;
        QTest::newRow("names a style sheet")
            << "<html><head><link rel=\"stylesheet\" type=\"text/css\" href=\"%dir%/style.css\"></head><body>" + title
                + "</body></html>"
            << true;
        QTest::newRow("names another address") << title + "<img src=\"%base%Soft/logo.png\">" << true;
        const QByteArray tables = QByteArray("<table><tr><td>").repeated(3) + "c" + QByteArray("</td></tr></table>").repeated(3);
        QTest::newRow("a usual page")
            << title + QByteArray("<ul><li>a<ul><li>b</li></ul></li></ul>" + tables + "<img src=\"logo.png\">").repeated(20)
            << true;
        QTest::newRow("nested 4000 deep") << title + QByteArray("<ul><li>x").repeated(4000) << false;
        QTest::newRow("tables in tables") << title + QByteArray("<table><tr><td>x").repeated(4) << false;
        // Which tag ends a table is the browser's call, not the raw text's.
        QTest::newRow("table ends in attributes")
            << title + QByteArray("<table><tr><td><a title=\"</table></table>\">x</a>").repeated(4) << false;
        QTest::newRow("floating pictures") << title + QByteArray("<img align=\"left\" width=\"300\">").repeated(101)
                                           << false;
        // The server sends no more than what stands before %cut%.
        QTest::newRow("cut short of its length") << title + "%cut%<p>the rest</p>" << false;
    }

    void informationPageReadsNothingButItself()
    {
        QFETCH(QByteArray, body);
        QFETCH(bool, shown);
        QTemporaryDir dir;
        QVERIFY(::mkfifo(QFile::encodeName(dir.filePath("pipe")).constData(), 0600) == 0);
        QVERIFY(writeFile(dir.filePath("style.css"), "h1 { font-size: 77pt }"));
        HttpTestServer server;
        body.replace("%dir%", dir.path().toUtf8()).replace("%base%", server.baseUrl().toUtf8());
        const qsizetype cut = body.indexOf("%cut%");
        body.replace("%cut%", "");
        const QString page = "/Soft/UpdateInfo/Kalvimar/index.asp";
        server.route(page, { 200, body, cut });
        Module1::settings().updateBaseUrl = server.baseUrl();

        frmUpdate page1;
        page1.show();
        auto* reply = page1.Frame12()->findChild<QNetworkReply*>();
        QVERIFY(reply);
        QSignalSpy done(reply, &QNetworkReply::finished);
        QVERIFY(done.wait(30000));
        QTextBrowser* browser = page1.Frame12()->browser();
        QCOMPARE(browser->toPlainText().contains("TROVA 1.1.2"), shown);
        if (!shown)
            QVERIFY(browser->toPlainText().isEmpty());
        QVERIFY(page1.Frame12()->link()->text().contains(page));
        // Laid out and painted, still without reading what it names.
        browser->grab();
        QVERIFY(!browser->toHtml().contains("77pt"));
        QCOMPARE(server.paths, QStringList { page });
        QTest::mouseClick(page1.cmdCancel(), Qt::LeftButton);
        QCOMPARE(m_ended, QList<int> { 0 });
    }

    // Release notes as a plant's server writes them, read as a browser reads
    // them: by the byte-order mark, else the encoding the answer names, else
    // the page's own declaration outside comments.
    void informationPageInItsOwnEncoding_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("contentType"); // empty: none
        QTest::addColumn<QString>("title");
        const QString simplified = QString::fromUtf8("TROVA 1.1.2 更新说明");
        const QString traditional = QString::fromUtf8("TROVA 1.1.2 更新說明");
        const QString notes = "<h1>" + simplified + "</h1>";
        auto in = [](const char* encoding, const QString& text) { return QByteArray(QStringEncoder(encoding)(text)); };
        const QString meta = "<html><head><meta charset=\"%1\"></head><body>" + notes + "</body></html>";
        QTest::newRow("GB2312 named by the page") << in("GB2312", meta.arg("gb2312")) << QByteArray("text/html")
                                                  << simplified;
        QTest::newRow("GB2312 named by the answer")
            << in("GB2312", notes) << QByteArray("text/html; charset=GB2312") << simplified;
        QTest::newRow("the answer before the page")
            << in("GB18030", meta.arg("utf-8")) << QByteArray("text/html;charset=\"gbk\"") << simplified;
        QTest::newRow("GBK named by http-equiv")
            << in("GBK", "<meta http-equiv='Content-Type' content='text/html; charset=GBK'>" + notes) << QByteArray()
            << simplified;
        QTest::newRow("Big5 named by the answer")
            << in("Big5", "<h1>" + traditional + "</h1>") << QByteArray("text/html; charset=big5") << traditional;
        QTest::newRow("UTF-16LE by its mark") << in("UTF-16LE", QChar(0xfeff) + notes) << QByteArray("text/html")
                                              << simplified;
        const QByteArray gb2312("text/html; charset=gb2312");
        QTest::newRow("UTF-8 mark, the answer naming GB2312") << in("UTF-8", QChar(0xfeff) + notes) << gb2312 << simplified;
        QTest::newRow("UTF-16LE mark, the answer naming GB2312")
            << in("UTF-16LE", QChar(0xfeff) + notes) << gb2312 << simplified;
        QTest::newRow("a declaration in a comment")
            << in("UTF-8", "<!-- <meta charset=\"big5\"> -->" + notes) << QByteArray("text/html") << simplified;
        QTest::newRow("a declaration in an attribute")
            << in("UTF-8", "<a title='<meta charset=\"big5\">'>" + notes + "</a>") << QByteArray("text/html") << simplified;
        QTest::newRow("UTF-16 declared by an ASCII page")
            << in("UTF-8", meta.arg("utf-16").replace(simplified, "TROVA 1.1.2")) << QByteArray("text/html")
            << QString("TROVA 1.1.2");
    }

    void informationPageInItsOwnEncoding()
    {
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, contentType);
        QFETCH(QString, title);
        HttpTestServer server;
        server.route("/Soft/UpdateInfo/Kalvimar/index.asp",
            { 200, body, -1, false, contentType.isEmpty() ? QByteArray() : "Content-Type: " + contentType + "\r\n" });
        Module1::settings().updateBaseUrl = server.baseUrl();
        frmUpdate page1;
        page1.show();
        QTRY_VERIFY(!page1.Frame12()->browser()->toPlainText().isEmpty());
        QCOMPARE(page1.Frame12()->browser()->toPlainText().trimmed(), title);
    }

    // Every way a download fails, and that it leaves no file behind, is the
    // download's own test; here what the page makes of one: a body cut
    // short, and a server that would send more than any package may hold.
    void failedDownloadKeepsFinishOff_data()
    {
        QTest::addColumn<bool>("flood");
        QTest::addColumn<bool>("chunked"); // the flood as one endless chunk
        QTest::addColumn<QString>("reason");
        const QString tooLarge = QString::fromUtf8("更新文件超过268435456字节的上限，已停止下载。");
        QTest::newRow("cut short") << false << false << QString::fromUtf8("更新文件不完整，只收到1000字节，应为50000字节。");
        QTest::newRow("past the package cap") << true << false << tooLarge;
        QTest::newRow("past the package cap, chunked") << true << true << tooLarge;
    }

    void failedDownloadKeepsFinishOff()
    {
        QFETCH(bool, flood);
        QFETCH(bool, chunked);
        QFETCH(QString, reason);
        HttpTestServer server;
        server.route(kPackagePath, { 200, QByteArray(50000, 'p'), 1000 });
        std::unique_ptr<testing::HttpFloodServer> flooding;
        if (flood)
            flooding = std::make_unique<testing::HttpFloodServer>(
                QByteArray("PK\3\4"), chunked ? -1 : modZip::kMaxPackageBytes + 1, chunked);
        Module1::settings().updateBaseUrl = flood ? flooding->baseUrl() : server.baseUrl();

        frmUpdate page1;
        frmUpdate1* page2 = toPage2(page1);
        const QString idle = page2->Label2()->text();
        QTest::mouseClick(page2->cmdupdate(), Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return !page2->Inet1()->isRunning(); }, 60000));
        QVERIFY(!page2->cmdFin()->isEnabled());
        QCOMPARE(page2->Label3()->text(), QString::fromUtf8("下载失败"));
        QCOMPARE(page2->Label6()->text(), QString::fromUtf8("下载更新文件失败：") + reason);
        // The page no longer says that a download is running.
        QCOMPARE(page2->Label2()->text(), idle);
        QVERIFY(page2->cmdupdate()->isEnabled() && page2->cmdCancel()->isEnabled());
        QVERIFY(m_ended.isEmpty());
        if (flood) {
            // The information pages the wizard shows from the same server
            // were given up at their bound as well, not read on and on.
            QTest::qWait(500);
            const qint64 package = chunked ? modZip::kMaxPackageBytes : 0; // no length to refuse it by
            QVERIFY2(flooding->bytesSent() < package + (16 << 20), qPrintable(QString::number(flooding->bytesSent())));
        }
    }

    void exitDuringADownloadAsksFirst()
    {
        HttpTestServer server;
        server.route(kPackagePath, { 200, "x", -1, true }); // accepts, never answers
        Module1::settings().updateBaseUrl = server.baseUrl();
        frmUpdate page1;
        frmUpdate1* page2 = toPage2(page1);
        QTest::mouseClick(page2->cmdupdate(), Qt::LeftButton);
        QTRY_VERIFY(server.paths.contains(kPackagePath));

        prompter().answers.enqueue(msg::Answer::No);
        QTest::mouseClick(page2->cmdCancel(), Qt::LeftButton);
        QCOMPARE(prompter().messages.size(), 1);
        QVERIFY(page2->isVisible() && page2->Inet1()->isRunning());
        QVERIFY(m_ended.isEmpty());

        prompter().answers.enqueue(msg::Answer::Yes);
        QTest::mouseClick(page2->cmdCancel(), Qt::LeftButton);
        QVERIFY(!page2->Inet1()->isRunning());
        QCOMPARE(m_ended, QList<int> { 0 });
    }

    // The kinds of bad package, and the folder each leaves as it was, are the
    // installer's own test; here what the page makes of none and of one whose
    // program entry is shorter than it declares.
    void badPackageLeavesTheOldProgramRunnable()
    {
        frmOpenZIP page3;
        page3.show();
        QTest::mouseClick(page3.cmdOK(), Qt::LeftButton);
        QVERIFY(prompter().messages.isEmpty() && m_ended.isEmpty());

        QVERIFY(QFile::copy(dataFile("update/short-entry.zip"), m_prog + "/Kalvimar.zip"));
        QTest::mouseClick(page3.cmdOK(), Qt::LeftButton);
        QCOMPARE(page3.Label4()->text(), QString::fromUtf8("文件升级失败！"));
        QCOMPARE(prompter().messages.size(), 1);
        QCOMPARE(prompter().last().icon, msg::Icon::Critical);
        // In the wizard's own language, like its other texts.
        QCOMPARE(prompter().last().title, QString::fromUtf8("软件升级信息"));
        QVERIFY(prompter().last().text.startsWith(QString::fromUtf8("无法安装更新文件：条目“TROVA”只有")));
        QVERIFY(m_ended.isEmpty() && page3.isVisible());

        // A name as long as the file system takes, alone: in the program
        // folder it is too long, and the message says which it is.
        const QString name = QString(QString(254, 'd') + "/").repeated(16) + QString(15, 'f');
        QVERIFY(ZipBuilder(m_prog + "/Kalvimar.zip").file("TROVA", program("v2")).file(name, "x").close());
        QTest::mouseClick(page3.cmdOK(), Qt::LeftButton);
        QCOMPARE(prompter().messages.size(), 2);
        QVERIFY2(prompter().last().text.startsWith(QString::fromUtf8("无法安装更新文件：条目“") + name.left(60)),
            qPrintable(prompter().last().text));
        QVERIFY(prompter().last().text.contains(QString::fromUtf8("超过了文件系统允许的4095字节")));
        QCOMPARE(fileBytes(m_prog + "/TROVA"), program("v1"));
        page3.close();
        QCOMPARE(m_ended, QList<int> { 0 });
    }
};

TROVA_TEST(WizardTest)
#include "tst_Wizard.moc"
