#include "DbRows.h"
#include "FreezingProxy.h"
#include "MainWindowFixture.h"
#include "Mtc_Line.h"
#include "Mtc_Part.h"
#include "OPT_Line_Set.h"
#include "SYS_Grant.h"
#include "ScriptedPrompter.h"
#include "TestDb.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "app/AppControl.h"
#include "app/Module1.h"
#include "frmMain.h"

#include <QAction>
#include <QElapsedTimer>
#include <QPushButton>
#include <QComboBox>
#include <QLineEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

using Module1::gConn;
using testing::prompter;

namespace {

const QString kNotOpen = QStringLiteral("The database connection is not open. Relogin connects to the database again.");

// The server ends the program's session (a stopped server does the same);
// on SQLite the connection is lost by closing it.
void loseConnection()
{
    if (gConn().engine() == db::Engine::PostgreSQL)
        testdb::adminExec(QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = '%1'")
                              .arg(testdb::lastSettings().database));
    else
        gConn().close();
}

// The program's connection goes through a proxy that can freeze the server.
bool throughProxy(FreezingProxy& proxy)
{
    db::ConnectionSettings& settings = Module1::settings().connection;
    settings.host = QStringLiteral("127.0.0.1");
    settings.port = proxy.port();
    return testdb::openProgramConnection();
}

void clickRow(QTableWidget* grid, int row)
{
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualRect(grid->model()->index(row, 1)).center());
}

} // namespace

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

    // A lost connection: a Save in a transaction says so as a single
    // statement's does, every time, and stores nothing; a picked row whose
    // boxes each read the database shows the failure once.
    void lostConnectionShowsOneBoxPerAction()
    {
        testing::addRow("line_set", {"line_id", "proj_id", "part_no", "mc_id", "gw21_ip", "dt200_id"},
                        {"L1", "P1", "PN1", "M1", "127.0.0.2", "001"});
        TROVA_OPEN_SCREEN(f, lines, OPT_Line_Set, "OPR_Line_SET");
        auto* grants = f.open<SYS_Grant>(QStringLiteral("SEC_FUNCTION_GRANT"));
        QVERIFY(grants && grants->cboGroup->count() > 0 && grants->msfgFunc->rowCount() > 0);
        grants->cboGroup->setCurrentIndex(0);
        const QString grantRows = QStringLiteral("select group_id, func_id from function_grant order by 1, 2");
        const QStringList before = testing::queryRows(grantRows);
        clickRow(grants->msfgFunc, 0);
        prompter().clear();

        loseConnection();
        for (int save = 0; save < 2; ++save) {
            QTest::mouseClick(grants->cmdSave, Qt::LeftButton);
            QCOMPARE(prompter().texts(), QStringList(kNotOpen + QStringLiteral(" ...")));
            prompter().clear();
        }
        clickRow(lines->msfgData, 0);
        QCOMPARE(prompter().texts(), QStringList(kNotOpen));

        QVERIFY(f.relogIn(QStringLiteral("SYSADMIN"), QStringLiteral("SYSADMIN")));
        QCOMPARE(testing::queryRows(grantRows), before);
    }

    // Cancel after a failed Save, its re-read failing too: the screen
    // browses what it shows, with one message for each.
    void cancelLeavesTheModeWhenTheReadFails()
    {
        testing::addLine(QStringLiteral("L0"));
        TROVA_OPEN_SCREEN(f, s, Mtc_Line, "Man_Line");
        clickRow(s->msfgLine, 0);
        QTest::mouseClick(s->cmdEdit, Qt::LeftButton);
        QCOMPARE(s->EditMode, QStringLiteral("Edit"));
        s->txtDesc->setText(QStringLiteral("changed"));
        std::optional<testdb::TableLock> lock;
        if (gConn().engine() == db::Engine::PostgreSQL)
            lock.emplace(QStringLiteral("line_info"));
        else
            gConn().close(); // SQLite readers never wait for a lock
        prompter().clear();
        QTest::mouseClick(s->cmdSave, Qt::LeftButton);
        QCOMPARE(prompter().messages.size(), 1);
        QVERIFY(s->cmdSave->isEnabled());
        prompter().clear();
        QTest::mouseClick(s->cmdCancel, Qt::LeftButton);
        QCOMPARE(prompter().messages.size(), 1);

        QVERIFY(s->cmdNew->isEnabled());
        QVERIFY(!s->cmdSave->isEnabled() && !s->cmdCancel->isEnabled());
        QVERIFY(s->msfgLine->isEnabled());
        QVERIFY(!s->txtID->isEnabled() && !s->txtDesc->isEnabled());
        QCOMPARE(s->txtID->text() + s->txtDesc->text(), QString());
        if (lock)
            QCOMPARE(lock->release(), QString());
        else
            QVERIFY(f.relogIn(QStringLiteral("SYSADMIN"), QStringLiteral("SYSADMIN")));
        QCOMPARE(testing::queryRows(QStringLiteral("select line_desc from line_info")), QStringList("x"));
    }

    // A list that a failed read emptied is read again by the Relogin the
    // failure asks for, also as the same user; nothing else changes.
    void reloginReadsAListAFailureEmptied()
    {
        testing::addRow("proj_info", {"proj_id"}, {"P1"});
        testing::addPart(QStringLiteral("PN-1"), QStringLiteral("P1"));
        TROVA_OPEN_SCREEN(f, s, Mtc_Part, "Man_Part");
        QCOMPARE(s->msfgModule->rowCount(), 1);
        // The server stops taking connections as well, as a stopped server
        // does: the list's reader cannot connect anew either.
        const bool server = gConn().engine() == db::Engine::PostgreSQL;
        const auto allowConnections = [&](bool allow) {
            testdb::adminExec(QStringLiteral("ALTER DATABASE %1 ALLOW_CONNECTIONS %2")
                                  .arg(testdb::lastSettings().database, allow ? "true" : "false"));
        };
        if (server)
            allowConnections(false);
        loseConnection();
        QTest::mouseClick(s->cmdNew, Qt::LeftButton);
        QTest::mouseClick(s->cmdCancel, Qt::LeftButton);
        if (server)
            allowConnections(true);
        QCOMPARE(prompter().texts().size(), 1);
        QCOMPARE(s->msfgModule->rowCount(), 0);
        prompter().messages.clear();

        QVERIFY(f.relogIn(QStringLiteral("SYSADMIN"), QStringLiteral("SYSADMIN")));
        QCOMPARE(s->msfgModule->rowCount(), 1);
        QVERIFY(s->cmdEdit->isEnabled() && s->cmdDelete->isEnabled() && s->cmdNew->isEnabled());
        QCOMPARE(prompter().texts(), QStringList());
    }

    // The server freezes with a row's statement in its socket; the deadline
    // ends the import, and the server, let go, runs that statement. A cut
    // read leaves the row unstored; a cut write may have stored it. The
    // count said is what the table holds, or the row is named that it may
    // hold as well.
    void frozenImportSaysWhatTheTableHolds_data()
    {
        QTest::addColumn<QByteArray>("frozenAt");
        QTest::addColumn<QString>("said");
        QTest::addColumn<int>("stored");
        QTest::newRow("the key's look-up") << QByteArrayLiteral("K0137")
                                           << "136 records were imported before the error." << 136;
        QTest::newRow("the row's insert")
            << QByteArrayLiteral("D0137")
            << "136 records were imported before the error; whether row 138 (K0137) was stored is not known." << 137;
    }
    void frozenImportSaysWhatTheTableHolds()
    {
        QFETCH(QByteArray, frozenAt);
        QFETCH(QString, said);
        QFETCH(int, stored);
        if (gConn().engine() != db::Engine::PostgreSQL)
            QSKIP("a server engine only");
        FreezingProxy proxy(Module1::settings().connection.host, Module1::settings().connection.port);
        QVERIFY(throughProxy(proxy));
        QList<QStringList> rows = {{"Line ID", "Description"}};
        for (int i = 1; i <= 300; ++i)
            rows.append({QStringLiteral("K%1").arg(i, 4, 10, QLatin1Char('0')),
                         QStringLiteral("D%1").arg(i, 4, 10, QLatin1Char('0'))});
        QTemporaryDir dir;
        prompter().files.enqueue(testing::writeSheet(dir.filePath("lines.xlsx"), rows));
        TROVA_OPEN_SCREEN(f, s, Mtc_Line, "Man_Line");
        proxy.freezeAt(frozenAt);
        QTest::mouseClick(s->cmdImport, Qt::LeftButton);
        QCOMPARE(prompter().texts(), QStringList(kNotOpen + QStringLiteral("\n\n") + said));
        // The server, let go, runs what waited in its socket.
        proxy.thaw();
        QVERIFY(testdb::openProgramConnection());
        QTRY_COMPARE_WITH_TIMEOUT(gConn().count("select count(*) from line_info"), stored, 20000);
    }

    // A New saved while the server is frozen: the Save's insert waits in the
    // server's socket and is stored once the server is let go, so the Save
    // does not say plainly that it failed.
    void frozenSaveSaysItMayBeStored()
    {
        if (gConn().engine() != db::Engine::PostgreSQL)
            QSKIP("a server engine only");
        FreezingProxy proxy(Module1::settings().connection.host, Module1::settings().connection.port);
        QVERIFY(throughProxy(proxy));
        TROVA_OPEN_SCREEN(f, s, Mtc_Line, "Man_Line");
        QTest::mouseClick(s->cmdNew, Qt::LeftButton);
        s->txtID->setText(QStringLiteral("L9"));
        s->txtDesc->setText(QStringLiteral("saved frozen"));
        proxy.freezeAt("saved frozen");
        QTest::mouseClick(s->cmdSave, Qt::LeftButton);
        QCOMPARE(prompter().texts(),
                 QStringList(kNotOpen
                             + QStringLiteral(" The change was sent before the connection was lost: whether it was "
                                              "stored is not known.")));
        QCOMPARE(s->EditMode, QStringLiteral("New"));
        proxy.thaw();
        QVERIFY(testdb::openProgramConnection());
        QTRY_COMPARE_WITH_TIMEOUT(gConn().count("select count(*) from line_info where line_id = 'L9'"), 1, 20000);
    }

    // The screens' statements are cached on the connection when the server
    // freezes: closing it waits for none of them.
    void frozenServerHoldsNeitherExitNorRelogin()
    {
        if (gConn().engine() != db::Engine::PostgreSQL)
            QSKIP("a server engine only");
        FreezingProxy proxy(Module1::settings().connection.host, Module1::settings().connection.port);
        QVERIFY(throughProxy(proxy));
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
