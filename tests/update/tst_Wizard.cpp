#include "TestFiles.h"
#include "HttpTestServer.h"
#include "ScriptedPrompter.h"
#include "TestMain.h"
#include "ZipBuilder.h"
#include "app/AppControl.h"
#include "app/Module1.h"
#include "frmOpenZIP.h"
#include "frmUpdate.h"
#include "WizardParts.h"
#include "frmUpdate1.h"
#include "update/Installer.h"
#include "update/PackageDownload.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

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
// with its animations, and the install that replaces the program and starts
// the new one, against a loopback update server.
class WizardTest : public QObject
{
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

    bool download(frmUpdate1* page2)
    {
        QTest::mouseClick(page2->cmdupdate(), Qt::LeftButton);
        return QTest::qWaitFor([&] { return !page2->Inet1()->isRunning(); }, 5000);
    }

private Q_SLOTS:
    void initTestCase() { app::setEndProgramHandler([this](int code) { m_ended << code; }); }
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
        QDir().mkpath(m_prog);
        QVERIFY(writeFile(m_prog + "/TROVA", program("v1"), 0755));
        update::setProgramFolder(m_prog);
    }

    void connectingPageEnablesNextOnTheFiftiethTick()
    {
        frmUpdate page1;
        page1.show();
        QVERIFY(page1.UpdateTimer()->isActive());
        QCOMPARE(page1.Connectionstatus()->text(), QStringLiteral("Connecting..."));
        QVERIFY(page1.cmdCloseUpdate()->isVisible());
        page1.UpdateTimer()->stop(); // ticks by hand from here
        for (int i = 0; i < 49; ++i)
            page1.UpdateTimer_Timer();
        QCOMPARE(page1.UpdateStatus()->value(), 98);
        QVERIFY(!page1.cmdNext()->isEnabled());
        page1.UpdateTimer_Timer();
        QVERIFY(page1.cmdNext()->isEnabled());
        QCOMPARE(page1.UpdateStatus()->value(), 100);
        QVERIFY(page1.UpdateYes()->isVisible());
        QCOMPARE(page1.Connectionstatus()->text(), QString::fromUtf8("连接已建立！"));

        frmUpdate1* page2 = toPage2(page1);
        QVERIFY(page2 && page2->isVisible());
        QVERIFY(!page1.isVisible());
        QCOMPARE(page1.UpdateStatus()->value(), 0);
        QVERIFY(page2->cmdupdate()->isEnabled());
        QVERIFY(!page2->cmdFin()->isEnabled());
        QVERIFY(m_ended.isEmpty());
    }

    void interruptAndExitEndTheProgram()
    {
        {
            frmUpdate page1;
            page1.show();
            QTest::mouseClick(page1.cmdCloseUpdate(), Qt::LeftButton);
            QVERIFY(!page1.isVisible());
            QCOMPARE(page1.Connectionstatus()->text(), QString::fromUtf8("网络已中断！"));
            QCOMPARE(m_ended, QList<int>{0});
        }
        {
            frmUpdate page1;
            page1.show();
            QTest::mouseClick(page1.cmdCancel(), Qt::LeftButton);
            QCOMPARE(m_ended, (QList<int>{0, 0}));
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

    void downloadUnpackAndStartTheNewProgram()
    {
        const QString zip = m_tmp->path() + "/package.zip";
        QVERIFY(ZipBuilder(zip).file("TROVA", program("v2"), 0100644).file("lang/zh.txt", "新").close());
        HttpTestServer server;
        server.route(kPackagePath, {200, fileBytes(zip)});
        server.route("/Soft/UpdateInfo/Kalvimar/index.asp", {200, "<html><body><h1>TROVA 1.1.2</h1></body></html>"});
        Module1::settings().updateBaseUrl = server.baseUrl();

        frmUpdate page1;
        page1.show();
        // Every page shows the server's information page and a link to it.
        QTRY_VERIFY(page1.Frame12()->browser()->toPlainText().contains("TROVA 1.1.2"));
        QVERIFY(page1.Frame12()->link()->text().contains("/Soft/UpdateInfo/Kalvimar/index.asp"));
        frmUpdate1* page2 = toPage2(page1);
        QTest::mouseClick(page2->cmdupdate(), Qt::LeftButton);
        QVERIFY(!page2->cmdupdate()->isEnabled()); // one download at a time
        QVERIFY(page2->Timer1()->isActive() && page2->Timer2()->isActive());
        QVERIFY(QTest::qWaitFor([&] { return page2->cmdFin()->isEnabled(); }, 5000));
        QCOMPARE(page2->Label3()->text(), QString::fromUtf8("下载完成"));
        QCOMPARE(page2->Welcometext()->text(), QString::fromUtf8("完成..."));
        QCOMPARE(page2->UpdateStatus()->value(), 100);
        QCOMPARE(page2->Label6()->text(), QString::fromUtf8("您已成功下载了此更新的文件") + m_prog
                                              + QString::fromUtf8("/Kalvimar.zip 请稍候，我们会自动安装这个软件 "));
        QVERIFY(!page2->cmdCancel()->isEnabled() && !page2->cmdupdate()->isEnabled());
        QVERIFY(!page2->Timer1()->isActive() && !page2->Timer2()->isActive());
        QCOMPARE(fileBytes(m_prog + "/Kalvimar.zip"), fileBytes(zip));

        QTest::mouseClick(page2->cmdFin(), Qt::LeftButton);
        frmOpenZIP* page3 = page2->page3();
        QVERIFY(page3 && page3->isVisible());
        QVERIFY(!page2->isVisible());
        QVERIFY(!page3->txtLoadXMLVersion()->isVisible());
        QVERIFY(page3->cmdOK()->isEnabled());
        QVERIFY(m_ended.isEmpty());

        QTest::mouseClick(page3->cmdOK(), Qt::LeftButton);
        QCOMPARE(page3->Label4()->text(), QString::fromUtf8("文件升级成功！请重新打开【TROVA】！"));
        QCOMPARE(page3->Label2()->text(), QString::fromUtf8("解压后输出地址：") + m_prog + " / ");
        QCOMPARE(m_ended, QList<int>{0});
        QVERIFY(prompter().messages.isEmpty());
        // The new program runs, the old one waits as TROVA.exec, the package
        // is gone and nothing was written outside the program folder.
        QVERIFY(QTest::qWaitFor([&] { return QFileInfo::exists(m_prog + "/started"); }, 5000));
        QTRY_COMPARE(fileBytes(m_prog + "/started"), QByteArray("v2\n"));
        QCOMPARE(fileBytes(m_prog + "/TROVA"), program("v2"));
        QCOMPARE(fileBytes(m_prog + "/TROVA.exec"), program("v1"));
        QCOMPARE(folderTree(m_prog), (QStringList{"TROVA", "TROVA.exec", "lang/", "lang/zh.txt", "started"}));
        QCOMPARE(folderTree(m_tmp->path()).filter(QRegularExpression("^[^/]*/?$")), (QStringList{"package.zip", "prog/"}));
    }

    // Every way a download fails is the download's own test; here what the
    // page makes of one.
    void failedDownloadKeepsFinishOff()
    {
        HttpTestServer server;
        server.route(kPackagePath, {200, QByteArray(50000, 'p'), 1000}); // cut short
        Module1::settings().updateBaseUrl = server.baseUrl();

        frmUpdate page1;
        frmUpdate1* page2 = toPage2(page1);
        QVERIFY(download(page2));
        QVERIFY(!page2->cmdFin()->isEnabled());
        QCOMPARE(page2->Label3()->text(), QString::fromUtf8("下载失败"));
        QCOMPARE(page2->Label6()->text(), QString::fromUtf8("下载更新文件失败：更新文件不完整，只收到1000字节，应为50000字节。"));
        // The page no longer says that a download is running.
        QCOMPARE(page2->Label2()->text(),
                 QString::fromUtf8("请点击“更新”按钮，在更新的时候，如果在您要取消此更新的任何时间请点击取消按钮。"));
        QVERIFY(page2->cmdupdate()->isEnabled());
        QVERIFY(page2->cmdCancel()->isEnabled());
        QVERIFY(!QFileInfo::exists(m_prog + "/Kalvimar.zip"));
        QCOMPARE(folderTree(m_prog), QStringList{"TROVA"});
        QVERIFY(m_ended.isEmpty());
    }

    void exitDuringADownloadAsksFirst()
    {
        HttpTestServer server;
        server.route(kPackagePath, {200, "x", -1, true}); // accepts, never answers
        Module1::settings().updateBaseUrl = server.baseUrl();
        frmUpdate page1;
        frmUpdate1* page2 = toPage2(page1);
        QTest::mouseClick(page2->cmdupdate(), Qt::LeftButton);
        QTRY_VERIFY(server.paths.contains(kPackagePath));
        QVERIFY(page2->Inet1()->isRunning());

        prompter().answers.enqueue(msg::Answer::No);
        QTest::mouseClick(page2->cmdCancel(), Qt::LeftButton);
        QCOMPARE(prompter().last().text, QString::fromUtf8("您确定要取消更新..."));
        QCOMPARE(prompter().last().buttons, msg::Buttons::YesNo);
        QCOMPARE(prompter().last().icon, msg::Icon::None);
        QVERIFY(page2->isVisible() && page2->Inet1()->isRunning());
        QVERIFY(m_ended.isEmpty());

        prompter().answers.enqueue(msg::Answer::Yes);
        QTest::mouseClick(page2->cmdCancel(), Qt::LeftButton);
        QVERIFY(!page2->isVisible());
        QVERIFY(!page2->Inet1()->isRunning());
        QCOMPARE(m_ended, QList<int>{0});
        QCOMPARE(folderTree(m_prog), QStringList{"TROVA"});
    }

    // The kinds of bad package are the installer's own test; here what the
    // page makes of one whose program entry is shorter than it declares.
    void badPackageLeavesTheOldProgramRunnable()
    {
        const QString data = QFileInfo(QStringLiteral(__FILE__)).dir().filePath(QStringLiteral("../data/update/"));
        QVERIFY(QFile::copy(data + "short-entry.zip", m_prog + "/Kalvimar.zip"));

        frmOpenZIP page3;
        page3.show();
        QTest::mouseClick(page3.cmdOK(), Qt::LeftButton);
        QCOMPARE(page3.Label4()->text(), QString::fromUtf8("文件升级失败！"));
        QCOMPARE(prompter().messages.size(), 1);
        QCOMPARE(prompter().last().icon, msg::Icon::Critical);
        QVERIFY(m_ended.isEmpty());
        QVERIFY(page3.isVisible());
        QCOMPARE(fileBytes(m_prog + "/TROVA"), program("v1"));
        QCOMPARE(folderTree(m_prog), (QStringList{"Kalvimar.zip", "TROVA"}));
        // Still runnable.
        QProcess old;
        old.start(m_prog + "/TROVA");
        QVERIFY(old.waitForFinished(5000));
        QCOMPARE(fileBytes(m_prog + "/started"), QByteArray("v1\n"));
    }

    void unpackWithoutAPackageDoesNothing()
    {
        frmOpenZIP page3;
        page3.show();
        QTest::mouseClick(page3.cmdOK(), Qt::LeftButton);
        QCOMPARE(page3.Label4()->text(), QString::fromUtf8("当前文件名："));
        QVERIFY(prompter().messages.isEmpty());
        QVERIFY(m_ended.isEmpty());
        page3.close();
        QCOMPARE(m_ended, QList<int>{0});
    }
};

TROVA_TEST(WizardTest)
#include "tst_Wizard.moc"
