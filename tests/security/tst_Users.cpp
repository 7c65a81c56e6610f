#include "MainWindowFixture.h"
#include "SYS_USER.h"
#include "SecuritySupport.h"
#include "TestDb.h"
#include "TestMain.h"
#include "app/Module1.h"
#include "frmMain.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

using Module1::gConn;
using sec::prompter;

namespace {

// Id, name, description, effective and expiry day, group, password, active, updater.
QString userRow(const QString& id)
{
    db::ResultSet rs = gConn().query("select user_id, user_name, user_desc, effective_date, expiry_date, group_id, "
                                     "password, active, update_user from user_list where user_id = ?",
                                     {id});
    if (rs.eof())
        return QString();
    QStringList out;
    for (int i = 0; i < rs.fieldCount(); ++i)
        out << (i == 3 || i == 4 ? db::ResultSet::toDateTime(rs.value(i)).toString("yyyy-MM-dd HH:mm") : rs.text(i));
    return out.join('|');
}

void chooseGroup(SYS_USER* s, const QString& group)
{
    s->cboGP->setCurrentIndex(s->cboGP->findText(group));
}

} // namespace

// The user screen: a new user and the order of Save's checks, the reserved
// groups seen from an administrator and from a plain user, Edit that keeps
// the id and group, the date checks, and a database error.
class UserTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data() { testdb::addBackendRows(); }
    void init()
    {
        TESTDB_INIT();
        prompter().clear();
    }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void newUserLogsInWithTheIdAsPassword()
    {
        sec::addGroup("OPS");
        sec::addGroup("ADMIN");
        sec::addGroup("OLD", "0");
        MainWindowFixture f;
        QVERIFY(f.logIn());
        auto* s = f.open<SYS_USER>("SEC_USER_INFO");
        QVERIFY(s);
        QCOMPARE(s->windowTitle(), QString("Secuirity - User Information"));
        QCOMPARE(s->msfgUser->rowCount(), 0); // the logged-in user is not listed
        QCOMPARE(sec::comboItems(s->cboGP), QStringList({"ADMIN", "OPS", "SYSADMIN"}));
        QVERIFY(!s->cboGP->isEnabled());

        s->cmdNew->click();
        QVERIFY(s->cboGP->isEnabled() && s->txtUserID->isEnabled());
        s->cmdSave->click();
        QCOMPARE(prompter().texts(), QStringList({"Please enter the User ID"}));
        QCOMPARE(prompter().last().icon, msg::Icon::Information);
        QCOMPARE(prompter().last().title, QString("Information"));
        QTest::keyClicks(s->txtUserID, "op-1");
        QCOMPARE(s->txtUserID->text(), QString("OP-1"));
        s->cmdSave->click();
        QCOMPARE(prompter().last().text, QString("Please enter the User full name..."));
        s->txtFullName->setText("Operator One");
        s->cmdSave->click();
        QCOMPARE(prompter().last().text, QString("Please choose user group ..."));
        QCOMPARE(prompter().last().title, msg::applicationTitle());
        chooseGroup(s, "OPS");
        prompter().clear();
        s->cmdSave->click();
        QVERIFY(prompter().messages.isEmpty());

        const QString today = Module1::now().date().toString("yyyy-MM-dd");
        const QString nextYear = Module1::now().addDays(365).date().toString("yyyy-MM-dd");
        QCOMPARE(userRow("OP-1"), QString("OP-1|Operator One||%1 00:00|%2 00:00|OPS|%3|1|SYSADMIN")
                                      .arg(today, nextYear, *Module1::Encode("OP-1", "OP-1")));
        // Back to browse with the boxes emptied; the row as the grid shows it.
        QVERIFY(!s->cmdSave->isEnabled());
        QVERIFY(s->txtUserID->text().isEmpty());
        QCOMPARE(s->msfgUser->rowCount(), 1);
        QCOMPARE(s->msfgUser->item(0, 1)->text(), QString("OP-1"));
        QCOMPARE(s->msfgUser->item(0, 4)->text(), Module1::now().toString("MM/dd/yyyy"));
        QCOMPARE(s->msfgUser->item(0, 6)->text(), QString("OPS"));

        // A pasted blank the digest cannot take: the user could never log in.
        s->cmdNew->click();
        s->txtUserID->setText("A B");
        s->txtFullName->setText("Blank");
        chooseGroup(s, "OPS");
        s->cmdSave->click();
        QCOMPARE(prompter().messages.size(), 1);
        QCOMPARE(prompter().last().title, QString("Information"));
        QCOMPARE(userRow("A B"), QString());
        s->cmdCancel->click();
        prompter().clear();

        // An id that exists is reported before any empty field.
        s->cmdNew->click();
        s->txtUserID->setText("OP-1");
        s->cmdSave->click();
        QCOMPARE(prompter().texts(), QStringList({"User ID has been found..."}));
        QCOMPARE(prompter().last().icon, msg::Icon::None);
        QCOMPARE(s->EditMode, QString("New"));
        s->cmdCancel->click();

        QVERIFY(f.relogIn("OP-1", "op-1"));
        QCOMPARE(Module1::gUserID, QString("OP-1"));
    }

    void reservedIdentifiersFromBothSides()
    {
        sec::addGroup("OPS");
        sec::addGroup("ADMIN");
        sec::addGroup("CLERK");
        sec::addUser("CLERK1", "CLERK");
        sec::addUser("ADM1", "ADMIN");
        sec::addUser("BOSS", "SYSADMIN");
        sec::grant("CLERK", {"SEC_USER_INFO"});
        sec::grant("ADMIN", {"SEC_USER_INFO"});

        MainWindowFixture f;
        QVERIFY(f.logIn("CLERK1", "CLERK1"));
        auto* s = f.open<SYS_USER>("SEC_USER_INFO");
        QVERIFY(s);
        QCOMPARE(sec::comboItems(s->cboGP), QStringList({"ADMIN", "CLERK", "OPS"}));
        QCOMPARE(sec::rowOf(s->msfgUser, 1, "CLERK1"), -1);
        QCOMPARE(s->msfgUser->rowCount(), 3);

        // A plain user may not put anyone into ADMIN.
        s->cmdNew->click();
        s->txtUserID->setText("NEWA");
        s->txtFullName->setText("New admin");
        chooseGroup(s, "ADMIN");
        s->cmdSave->click();
        QCOMPARE(prompter().texts(), QStringList({"You have no permission to assign the Admin Group member"}));
        QCOMPARE(prompter().last().icon, msg::Icon::Information);
        QCOMPARE(userRow("NEWA"), QString());
        s->cmdCancel->click();

        // ... nor edit an administrator's account, nor delete SYSADMIN.
        prompter().clear();
        for (const char* id : {"ADM1", "BOSS"}) {
            sec::clickCell(s->msfgUser, sec::rowOf(s->msfgUser, 1, id), 1);
            s->cmdEdit->click();
        }
        QCOMPARE(prompter().texts(), QStringList({"You cannot modify Admin User ...", "You cannot modify Admin User ..."}));
        QVERIFY(!s->cmdSave->isEnabled());
        sec::clickCell(s->msfgUser, sec::rowOf(s->msfgUser, 1, "SYSADMIN"), 1);
        s->cmdDelete->click();
        QCOMPARE(prompter().last().text, QString("System Administrator cannot be deleted ..."));
        QCOMPARE(prompter().last().icon, msg::Icon::Critical);
        QVERIFY(!userRow("SYSADMIN").isEmpty());

        // An ADMIN member may assign ADMIN, and still not SYSADMIN.
        QVERIFY(f.relogIn("ADM1", "ADM1"));
        s->cmdCancel->click();
        QCOMPARE(sec::comboItems(s->cboGP), QStringList({"ADMIN", "CLERK", "OPS"}));
        s->cmdNew->click();
        s->txtUserID->setText("NEWA");
        s->txtFullName->setText("New admin");
        chooseGroup(s, "ADMIN");
        prompter().clear();
        s->cmdSave->click();
        QVERIFY(prompter().messages.isEmpty());
        QVERIFY(userRow("NEWA").contains("|ADMIN|"));

        // A plain user's account goes after the confirmation.
        sec::clickCell(s->msfgUser, sec::rowOf(s->msfgUser, 1, "CLERK1"), 1);
        s->cmdDelete->click();
        QCOMPARE(prompter().last().text, QString("Confirm to delete?"));
        QCOMPARE(userRow("CLERK1"), QString());
    }

    void editKeepsIdAndGroup()
    {
        sec::addGroup("OLD");
        sec::addUser("U1", "OLD");
        gConn().exec("update user_group set status = '0' where group_id = 'OLD'");
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        MainWindowFixture f;
        QVERIFY(f.logIn());
        auto* s = f.open<SYS_USER>("SEC_USER_INFO");
        const int row = sec::rowOf(s->msfgUser, 1, "U1");
        // Dates read month first whatever the locale.
        QCOMPARE(s->msfgUser->item(row, 4)->text(), QString("03/05/2024"));
        QCOMPARE(s->msfgUser->item(row, 5)->text(), QString("01/31/2099"));

        // Only a click in the narrow first column copies the row.
        sec::clickCell(s->msfgUser, row, 2);
        QVERIFY(s->txtUserID->text().isEmpty());
        sec::clickCell(s->msfgUser, row, 0);
        QCOMPARE(s->txtUserID->text(), QString("U1"));
        QCOMPARE(s->dtpEffect->date(), QDate(2024, 3, 5));
        QCOMPARE(s->cboGP->currentIndex(), -1); // a suspended group is not offered

        s->cmdEdit->click();
        QCOMPARE(s->EditMode, QString("Edit"));
        QVERIFY(!s->txtUserID->isEnabled());
        QVERIFY(!s->cboGP->isEnabled());
        QVERIFY(s->txtFullName->isEnabled());
        QCOMPARE(s->dtpExpiry->date(), QDate(2099, 1, 31));
        s->txtFullName->setText("Renamed");
        s->dtpEffect->setDate(QDate(2025, 1, 2));
        s->cmdSave->click();
        QVERIFY(prompter().messages.isEmpty());
        QCOMPARE(userRow("U1"), QString("U1|Renamed||2025-01-02 00:00|2099-01-31 00:00|OLD|%1|1|SYSADMIN")
                                    .arg(*Module1::Encode("U1", "U1")));
    }

    void dateChecksRefuseSaveButNotDelete()
    {
        sec::addGroup("OPS");
        sec::addUser("U1", "OPS");
        MainWindowFixture f;
        QVERIFY(f.logIn());
        auto* s = f.open<SYS_USER>("SEC_USER_INFO");
        const int row = sec::rowOf(s->msfgUser, 1, "U1");
        sec::clickCell(s->msfgUser, row, 1);
        s->cmdEdit->click();
        s->dtpExpiry->setDate(Module1::now().date());
        s->cmdSave->click();
        QCOMPARE(prompter().texts(), QStringList({"Expiry cannot early than or equal to today..."}));
        QCOMPARE(prompter().last().icon, msg::Icon::None);
        s->dtpEffect->setDate(Module1::now().date().addDays(10));
        s->dtpExpiry->setDate(Module1::now().date().addDays(10));
        s->cmdSave->click();
        QCOMPARE(prompter().last().text, QString("Expiry date cannot early than or equal to Effective Date..."));
        // Refused without a reload: still editing, input kept, nothing stored.
        QCOMPARE(s->EditMode, QString("Edit"));
        QVERIFY(s->cmdSave->isEnabled());
        QCOMPARE(s->dtpEffect->date(), Module1::now().date().addDays(10));
        QVERIFY(userRow("U1").contains("|2024-03-05 00:00|"));
        s->cmdCancel->click();

        // Dates that would refuse a Save do not stand in the way of Delete.
        sec::clickCell(s->msfgUser, row, 1);
        s->dtpExpiry->setDate(Module1::now().date().addDays(-3));
        s->cmdDelete->click();
        QCOMPARE(userRow("U1"), QString());
        QCOMPARE(s->msfgUser->rowCount(), 0);
    }

    void databaseErrorIsShownAndTheListReloaded()
    {
        sec::addGroup("OPS");
        MainWindowFixture f;
        QVERIFY(f.logIn());
        auto* s = f.open<SYS_USER>("SEC_USER_INFO");
        s->cmdNew->click();
        s->txtUserID->setText("U2");
        s->txtFullName->setText("Too long");
        s->txtDesc->setText(QString(150, 'd')); // longer than the column
        chooseGroup(s, "OPS");
        s->cmdSave->click();
        QCOMPARE(prompter().messages.size(), 1);
        QCOMPARE(prompter().last().title, QString("ERROR"));
        QCOMPARE(userRow("U2"), QString());
        QVERIFY(!s->cmdSave->isEnabled()); // reloaded, back to browse
        QVERIFY(s->cmdNew->isEnabled());
        QVERIFY(f.main()->isVisible());
    }
};

TROVA_TEST(UserTest)
#include "tst_Users.moc"
