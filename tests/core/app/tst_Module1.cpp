#include "app/ErrorLog.h"
#include "security/Grants.h"
#include "app/Module1.h"
#include "ScriptedPrompter.h"
#include "TestDb.h"
#include "TestMain.h"

#include <QDir>
#include <QFile>
#include <QTest>

using Module1::gConn;

namespace {

void addUser(const QString& user, const QString& group)
{
    gConn().exec("insert into user_list (user_id, user_name, group_id, password) values (?, ?, ?, ?)",
                 {user, user.toLower(), group, *Module1::Encode(user, "PW")});
}

void grant(const QString& group, const QString& code)
{
    gConn().exec("insert into function_grant (func_id, group_id) values (?, ?)", {code, group});
}

QStringList lines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split("\r\n", Qt::SkipEmptyParts);
}

} // namespace

// Shared helpers every screen leans on: grants, the key filter, the error log
// and the connection failure path.
class Module1Test : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data() { testdb::addBackendRows(); }
    void init() { TESTDB_INIT(); }
    void cleanup() { Module1::setClock(nullptr); }

    void grantSetOfPartialUser()
    {
        grant("OPS", "OPR_RUN");
        grant("OPS", "man_comp_link"); // stored lower case: still enables the menu item
        grant("OPS", "Man_New_Link"); // a button code enables no menu item
        grant("OTHER", "QY_WIP"); // held by a group the user is not in
        addUser("OP1", "OPS");
        const grants::GrantSet g = grants::fromCodes(grants::codesOf(gConn(), "OP1"));
        QCOMPARE(g.menuItems, QSet<QString>({"OPR_RUN", "Man_Link"}));
        QCOMPARE(g.toolbarButtons, QSet<int>({1, 6}));

        const grants::GrantSet none = grants::fromCodes(grants::codesOf(gConn(), "NOBODY"));
        QVERIFY(none.menuItems.isEmpty());
        QVERIFY(none.toolbarButtons.isEmpty());

        const grants::GrantSet admin = grants::fromCodes(grants::codesOf(gConn(), "SYSADMIN"));
        QCOMPARE(admin.menuItems.size(), 26);
        QCOMPARE(admin.toolbarButtons.size(), 8);
    }

    void hasGrantIsCaseSensitive()
    {
        grant("OPS", "MAN_NEW_LINK");
        grant("OPS", "Man_Edit_Link");
        addUser("OP1", "OPS");
        Module1::gUserID = "OP1";
        QVERIFY(!Module1::HasGrant("Man_New_Link"));
        QVERIFY(Module1::HasGrant("Man_Edit_Link"));
        QVERIFY(!Module1::HasGrant("Man_Delete_Link"));
        Module1::gUserID = "NOGROUP";
        QVERIFY(!Module1::HasGrant("Man_Edit_Link"));
        Module1::gUserID = "SYSADMIN";
        QVERIFY(Module1::HasGrant("OPR_New_Component"));
    }

    void errorLogStartsANewFileAfterMidnight()
    {
        QDateTime t(QDate(2024, 3, 5), QTime(23, 59, 58));
        Module1::setClock([&t] { return t; });
        Module1::WriteErrorLog("first");
        Module1::WriteErrorLog("second, O'Brien");
        const QString march5 = QDir(testdb::logFolder()).filePath("TROVA_202435.Log");
        QCOMPARE(Module1::ErrorLogPath(), march5);
        t = QDateTime(QDate(2024, 3, 6), QTime(0, 0, 1));
        Module1::WriteErrorLog("after midnight");
        QCOMPARE(lines(march5), QStringList({"23:59:58  first", "23:59:58  second, O'Brien"}));
        QCOMPARE(lines(QDir(testdb::logFolder()).filePath("TROVA_202436.Log")),
                 QStringList({"00:00:01  after midnight"}));
        QCOMPARE(ErrorLog::fileNameFor(QDate(2024, 12, 15)), QString("TROVA_20241215.Log"));
    }

    void errorLogFailureNamesThePath()
    {
        AppSettings s = Module1::settings();
        QFile blocker(testdb::logFolder() + "/blocker");
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        s.logFolder = blocker.fileName(); // a file where the folder should be
        Module1::setSettings(s);
        try {
            Module1::WriteErrorLog("x");
            QFAIL("no error for an unwritable log");
        } catch (const std::runtime_error& e) {
            QVERIFY(QString::fromUtf8(e.what()).contains(blocker.fileName()));
        }
    }

    void failedConnectionShowsOneBox()
    {
        auto* prompter = testing::ScriptedPrompter::current();
        prompter->clear();
        AppSettings s = Module1::settings();
        if (s.connection.driver == "QPSQL")
            s.connection.port = 1; // nothing listens there
        else
            s.connection.database = "/nonexistent-folder/x/y.db";
        Module1::setSettings(s);
        // A timer calling again while the first box is open gets no second box.
        int nested = 0;
        prompter->onMessage = [&](const msg::Message&) {
            if (nested++ == 0)
                QVERIFY(!Module1::OpenConnection());
        };
        QVERIFY(!Module1::OpenConnection());
        prompter->onMessage = nullptr;
        QCOMPARE(prompter->messages.size(), 1);
        QCOMPARE(prompter->last().icon, msg::Icon::Exclamation);
        QCOMPARE(prompter->last().title, QString("Information"));
        QVERIFY(prompter->last().text.endsWith(" ..."));
        QVERIFY(prompter->last().text.size() > 4);
    }

    void filterIdKey()
    {
        QCOMPARE(Module1::FilterIdKey('a'), int('A'));
        QCOMPARE(Module1::FilterIdKey('z'), int('Z'));
        for (int key : {int('Z'), int('0'), int('9'), int('.'), int('/'), int('-'), 13, 8, 3, 22, 24})
            QCOMPARE(Module1::FilterIdKey(key), key);
        for (int key : {int(' '), int('_'), int('+'), 1, 26, int('{'), 0xE9, int(',')})
            QCOMPARE(Module1::FilterIdKey(key), 0);
    }
};

TROVA_TEST(Module1Test)
#include "tst_Module1.moc"
