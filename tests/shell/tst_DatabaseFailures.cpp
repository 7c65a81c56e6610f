#include "DbRows.h"
#include "FreezingProxy.h"
#include "MainWindowFixture.h"
#include "Mtc_Line.h"
#include "ScriptedPrompter.h"
#include "TestDb.h"
#include "TestMain.h"
#include "app/AppControl.h"
#include "app/Module1.h"
#include "frmMain.h"

#include <QAction>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>

using Module1::gConn;
using testing::prompter;

// The database failing under the program: an error that a handler lets
// escape is shown and logged and the program goes on; a lost connection
// says how to get it back; a frozen server holds neither Exit nor Relogin
// past the connection's deadline.
class DatabaseFailureTest : public testdb::Case
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { app::setEndProgramHandler(nullptr); }

    void escapedErrorIsShownAndTheProgramGoesOn()
    {
        TROVA_OPEN_SCREEN(f, s, Mtc_Line, "Man_Line");
        const QString text = QStringLiteral("canceling statement due to lock timeout");
        auto* failing = new QPushButton(QStringLiteral("Fail"), s);
        connect(failing, &QPushButton::clicked, s, [text] { throw db::DbError(db::ErrorKind::Other, text); });
        failing->show();
        QTest::mouseClick(failing, Qt::LeftButton);
        failing->setFocus();
        QTest::keyClick(failing, Qt::Key_Space);
        QCOMPARE(prompter().texts(), QStringList(2, text));
        QCOMPARE(prompter().last().title, QStringLiteral("ERROR"));
        QCOMPARE(testing::errorLogLines(), QStringList(2, text));

        QTest::mouseClick(s->cmdNew, Qt::LeftButton);
        QCOMPARE(s->EditMode, QStringLiteral("New"));
        QVERIFY(s->cmdSave->isEnabled());
    }

    // Every screen answers the same until Relogin opens the connection again.
    void lostConnectionTellsOfRelogin()
    {
        TROVA_OPEN_SCREEN(f, s, Mtc_Line, "Man_Line");
        gConn().close();
        QTest::mouseClick(s->cmdNew, Qt::LeftButton);
        QTest::mouseClick(s->cmdCancel, Qt::LeftButton);
        QCOMPARE(prompter().texts(),
                 QStringList({"The database connection is not open. Relogin connects to the database again."}));
        prompter().clear();
        QVERIFY(f.relogIn(QStringLiteral("SYSADMIN"), QStringLiteral("SYSADMIN")));
        QTest::mouseClick(s->cmdNew, Qt::LeftButton);
        QTest::mouseClick(s->cmdCancel, Qt::LeftButton);
        QCOMPARE(prompter().texts(), QStringList());
    }

    // The screens' statements are cached on the connection when the server
    // freezes: closing it waits for none of them.
    void frozenServerHoldsNeitherExitNorRelogin()
    {
        if (gConn().engine() != db::Engine::PostgreSQL)
            QSKIP("a server engine only");
        db::ConnectionSettings& settings = Module1::settings().connection;
        FreezingProxy proxy(settings.host, settings.port);
        settings.host = QStringLiteral("127.0.0.1");
        settings.port = proxy.port();
        QVERIFY(testdb::openProgramConnection());
        int ended = 0;
        app::setEndProgramHandler([&ended](int) {
            ++ended;
            gConn().close();
        });
        TROVA_OPEN_SCREEN(f, s, Mtc_Line, "Man_Line");
        // The screen's reads cached on a connection to a server that then freezes.
        const auto readThenFreeze = [&] {
            proxy.thaw();
            QVERIFY(gConn().isOpen() || testdb::openProgramConnection());
            QTest::mouseClick(s->cmdNew, Qt::LeftButton);
            QTest::mouseClick(s->cmdCancel, Qt::LeftButton);
            QCOMPARE(prompter().texts(), QStringList());
            QCOMPARE(gConn().count("select count(*) from line_info where line_id = ?", {"L0"}), 0);
            proxy.freeze();
        };

        readThenFreeze();
        QElapsedTimer took;
        took.start();
        f.main()->menuItem(QStringLiteral("OPR_EXIT"))->trigger();
        const qint64 exit = took.elapsed();
        QCOMPARE(ended, 1);

        readThenFreeze();
        took.restart();
        // The connection cannot be opened again while frozen: the program ends.
        QVERIFY(!f.relogIn(QStringLiteral("SYSADMIN"), QStringLiteral("SYSADMIN")));
        const qint64 relogin = took.elapsed();
        QCOMPARE(ended, 2);
        QVERIFY2(exit < db::kDeadlineMs / 2, qPrintable(QString::number(exit)));
        QVERIFY2(relogin <= db::kDeadlineMs + 2000, qPrintable(QString::number(relogin)));
    }
};

TROVA_TEST(DatabaseFailureTest)
#include "tst_DatabaseFailures.moc"
