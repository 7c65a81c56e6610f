#include "AppShell.h"
#include "HttpTestServer.h"
#include "Product.h"
#include "ScriptedPrompter.h"
#include "TestMain.h"
#include "app/AppControl.h"
#include "app/Module1.h"
#include "frmLogin.h"
#include "frmSplash.h"
#include "frmUpdate.h"
#include "update/UpdateServer.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTest>

using testing::prompter;

namespace {

const char* const kDocumentPath = "/Soft/SoftXML/AllSoftDB/Kalvimar/Oskel/Kalvimar.xml";

QByteArray document(const QString& version)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root><SoftVersion>" + version.toUtf8()
           + "</SoftVersion><Other>x</Other></root>";
}

// The login, or the upgrade message and then the update wizard, never both.
void expectHandOver(AppShell& shell, bool login)
{
    QCOMPARE(bool(shell.login()), login);
    QCOMPARE(bool(shell.updateWindow()), !login);
    QVERIFY(login ? shell.login()->isVisible() : shell.updateWindow()->isVisible());
    QCOMPARE(prompter().messages.size(), login ? 0 : 1);
    if (login)
        return;
    const msg::Message& m = prompter().last();
    QCOMPARE(m.title, QString::fromUtf8("软件升级信息"));
    QCOMPARE(m.icon, msg::Icon::Information);
    // Supplier, the update server's address and the product, then the ending.
    QCOMPARE(m.text, product::kSupplier + "\n" + Module1::settings().updateBaseUrl + "\n" + product::kTitle
                         + QString::fromUtf8(",因版本升级,请确认升级"));
}

} // namespace

// The start: the published version decides between the login and the update
// wizard; the splash goes after a second or at once on a click or key.
class SplashTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { app::setEndProgramHandler([](int) {}); }
    void cleanupTestCase() { app::setEndProgramHandler(nullptr); }
    void init()
    {
        Module1::setSettings(AppSettings());
        prompter().clear();
    }

    void publishedVersionDecides_data()
    {
        QTest::addColumn<QString>("server"); // "bare": the host without "http://"; "closed": nobody listens
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("published");
        QTest::addColumn<bool>("login");
        QTest::newRow("equal") << "" << 200 << document(product::kVersionText) << product::kVersionText << true;
        QTest::newRow("blank-padded") << "" << 200 << document(" \n\t" + product::kVersionText + "  ") << product::kVersionText
                                    << true;
        QTest::newRow("bare host means http") << "bare" << 200 << document(product::kVersionText) << product::kVersionText
                                            << true;
        QTest::newRow("newer") << "" << 200 << document("1.1.2") << "1.1.2" << false;
        QTest::newRow("older") << "" << 200 << document("1.1.0") << "1.1.0" << false;
        QTest::newRow("element missing")
            << "" << 200 << QByteArray("<root><Version>1.1.1</Version></root>") << "" << false;
        QTest::newRow("other root") << "" << 200 << QByteArray("<doc><SoftVersion>1.1.1</SoftVersion></doc>") << ""
                                    << false;
        QTest::newRow("not xml") << "" << 200 << QByteArray("1.1.1") << "" << false;
        QTest::newRow("http error") << "" << 404 << document("1.1.1") << "" << false;
        QTest::newRow("unreachable") << "closed" << 200 << QByteArray() << "" << false;
    }

    void publishedVersionDecides()
    {
        QFETCH(QString, server);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, published);
        QFETCH(bool, login);
        testing::HttpTestServer http; // the version server answers every path alike
        http.fallback = {status, body};
        QString base = server == "closed" ? testing::closedPortUrl() : http.baseUrl();
        if (server == "bare")
            base = base.mid(int(qstrlen("http://")));
        Module1::settings().updateBaseUrl = base;

        AppShell shell;
        shell.start();
        QPointer<frmSplash> splash = shell.splash();
        QVERIFY(splash && splash->isVisible());
        if (server != "closed")
            QCOMPARE(http.paths, QStringList{QString::fromLatin1(kDocumentPath)});
        QCOMPARE(splash->txtLoadXMLVersion()->text(), published);
        // Nothing is handed over while the splash is up.
        QVERIFY(!shell.login() && !shell.updateWindow());

        QTest::keyClick(splash.data(), Qt::Key_Space);
        QVERIFY(!splash || !splash->isVisible());
        expectHandOver(shell, login);
    }

    void silentServerTimesOut()
    {
        testing::HttpTestServer server;
        server.fallback.silent = true;
        QElapsedTimer t;
        t.start();
        QCOMPARE(update::fetchPublishedVersion(server.baseUrl(), 300), QString());
        // Its own time-out, not the default one: a busy machine adds to the
        // first, but never brings it near the second.
        QVERIFY2(t.elapsed() >= 250, qPrintable(QString::number(t.elapsed())));
        QVERIFY2(t.elapsed() < update::kDefaultTimeoutMs, qPrintable(QString::number(t.elapsed())));
    }

    // Without a server the login follows; the splash goes after a second,
    // and a key that types no character does not close it sooner.
    void noServerConfiguredGoesToLoginAfterOneSecond()
    {
        AppShell shell;
        QElapsedTimer t;
        t.start();
        shell.start();
        QPointer<frmSplash> splash = shell.splash();
        QVERIFY(!splash->versionChecked());
        for (Qt::Key k : {Qt::Key_Shift, Qt::Key_Control, Qt::Key_F1, Qt::Key_Left})
            QTest::keyClick(splash.data(), k);
        QVERIFY(splash && splash->isVisible());
        QVERIFY(!shell.login());
        QTRY_VERIFY_WITH_TIMEOUT(!splash || !splash->isVisible(), 5000);
        QVERIFY2(t.elapsed() >= 900, qPrintable(QString::number(t.elapsed())));
        expectHandOver(shell, true);
    }

    void clickClosesEarlyAndHandsOverOnce()
    {
        testing::HttpTestServer server;
        server.fallback = {200, document("2.0")};
        Module1::settings().updateBaseUrl = server.baseUrl();
        AppShell shell;
        shell.start();
        QPointer<frmSplash> splash = shell.splash();
        // A click on a label reaches the splash as well, and hands over at
        // once, without waiting for the timer.
        QTest::mouseClick(splash->lblVersion(), Qt::LeftButton);
        QVERIFY(!splash || !splash->isVisible());
        expectHandOver(shell, false);
        QTest::qWait(1300);
        expectHandOver(shell, false);
    }
};

TROVA_TEST(SplashTest)
#include "tst_Splash.moc"
