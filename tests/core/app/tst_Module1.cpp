#include "DbRows.h"
#include "ScriptedPrompter.h"
#include "TestDb.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "app/ErrorLog.h"
#include "app/MessageLayer.h"
#include "app/Module1.h"

#include <QDir>
#include <QLineEdit>
#include <QTest>

using Module1::gConn;
using testing::prompter;

// Shared helpers every screen leans on: the button gate, the key filter, the
// error log and the connection failure path.
class Module1Test : public testdb::Case {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { Module1::setClock(nullptr); }

    void hasGrantIsCaseSensitive()
    {
        gConn().exec("insert into user_list (user_id, group_id) values ('OP1', 'OPS')");
        for (const char* code : { "MAN_NEW_LINK", "Man_Edit_Link" })
            gConn().exec("insert into function_grant (func_id, group_id) values (?, 'OPS')", { code });
        Module1::gUserID = "OP1";
        QVERIFY(!Module1::HasGrant("Man_New_Link"));
        QVERIFY(Module1::HasGrant("Man_Edit_Link"));
        QVERIFY(!Module1::HasGrant("Man_Delete_Link"));
        Module1::gUserID = "NOGROUP";
        QVERIFY(!Module1::HasGrant("Man_Edit_Link"));
    }

    void errorLogFilePerDay()
    {
        QDateTime t(QDate(2024, 3, 5), QTime(23, 59, 58));
        Module1::setClock([&t] { return t; });
        Module1::WriteErrorLog("first");
        Module1::WriteErrorLog("second, O'Brien");
        QCOMPARE(Module1::ErrorLogPath(), QDir(testdb::logFolder()).filePath("TROVA_202435.Log"));
        QCOMPARE(testing::errorLogText(), QString("23:59:58  first\r\n23:59:58  second, O'Brien\r\n"));
        t = QDateTime(QDate(2024, 3, 6), QTime(0, 0, 1));
        Module1::WriteErrorLog("after midnight");
        QCOMPARE(testing::errorLogText(), QString("00:00:01  after midnight\r\n"));
        QCOMPARE(ErrorLog::fileNameFor(QDate(2024, 12, 15)), QString("TROVA_20241215.Log"));

        // A log that cannot be written names its path.
        AppSettings s = Module1::settings();
        s.logFolder = testdb::logFolder() + "/blocker"; // a file where the folder should be
        QVERIFY(testing::writeFile(s.logFolder, "x"));
        Module1::setSettings(s);
        try {
            Module1::WriteErrorLog("x");
            QFAIL("no error for an unwritable log");
        } catch (const std::runtime_error& e) {
            QVERIFY(QString::fromUtf8(e.what()).contains(s.logFolder));
        }
    }

    void failedConnectionShowsOneBox()
    {
        prompter().clear();
        AppSettings s = Module1::settings();
        if (s.connection.driver == "QPSQL")
            s.connection.port = 1; // nothing listens there
        else
            s.connection.database = "/nonexistent-folder/x/y.db";
        Module1::setSettings(s);
        // A timer calling again while the first box is open gets no second box.
        int nested = 0;
        prompter().onMessage = [&](const msg::Message&) {
            if (nested++ == 0)
                QVERIFY(!Module1::OpenConnection());
        };
        QVERIFY(!Module1::OpenConnection());
        prompter().onMessage = nullptr;
        QCOMPARE(prompter().messages.size(), 1);
    }

    // An error is shown once per action of the user: again for a click that
    // starts another while events run, not for the click that answers a box.
    void errorOncePerAction()
    {
        {
            const msg::EventScope click(true);
            msg::error("lost");
            msg::error("lost");
            {
                const msg::EventScope reaction(false);
                msg::error("lost");
            }
            {
                const msg::EventScope anotherClick(true);
                msg::error("lost");
            }
            prompter().onMessage = [](const msg::Message& m) {
                if (m.text != "other")
                    return;
                const msg::EventScope answering(true);
                msg::error("lost");
            };
            msg::error("other");
            prompter().onMessage = nullptr;
        }
        msg::error("lost"); // outside every event
        QLineEdit typed;
        QObject::connect(&typed, &QLineEdit::textEdited, [] { msg::error("lost"); });
        {
            // A later event (a timer's) starts afresh; a key pressed while it
            // keeps events running starts another action.
            const msg::EventScope timer(false);
            msg::error("lost");
            QTest::keyClick(&typed, Qt::Key_A);
        }
        QCOMPARE(prompter().texts(), QStringList({"lost", "lost", "other", "lost", "lost", "lost"}));
    }

    void filterIdKey()
    {
        QCOMPARE(Module1::FilterIdKey('a'), int('A'));
        QCOMPARE(Module1::FilterIdKey('z'), int('Z'));
        for (int key : { int('Z'), int('0'), int('9'), int('.'), int('/'), int('-'), 13, 8, 3, 22, 24 })
            QCOMPARE(Module1::FilterIdKey(key), key);
        for (int key : { int(' '), int('_'), int('+'), 1, 26, int('{'), 0xE9, int(',') })
            QCOMPARE(Module1::FilterIdKey(key), 0);
    }
};

TROVA_TEST(Module1Test)
#include "tst_Module1.moc"
