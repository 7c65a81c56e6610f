#include "MainWindowFixture.h"
#include "SYS_Grant.h"
#include "SYS_PWD.h"
#include "SYS_UGRP.h"
#include "SYS_USER.h"
#include "SecuritySupport.h"
#include "TestDb.h"
#include "TestMain.h"
#include "app/Module1.h"
#include "frmMain.h"
#include "security/Grants.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

using sec::prompter;

// An administrator on a fresh database sets up a new group and user; the
// user logs in with the user id, changes the password and sees only what
// the group was granted.
class SecurityWalkTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data() { testdb::addBackendRows(); }
    void init()
    {
        TESTDB_INIT();
        prompter().clear();
    }

    void fromAdministratorToNewUser()
    {
        MainWindowFixture f;
        QVERIFY(f.logIn("SYSADMIN", "SYSADMIN"));

        auto* groups = f.open<SYS_UGRP>("SEC_USER_GROUP");
        QVERIFY(groups);
        groups->cmdNew->click();
        QTest::keyClicks(groups->txtUGid, "pack");
        QTest::keyClicks(groups->txtUGDesc, "Packing line");
        groups->cmdSave->click();
        QCOMPARE(prompter().last().text, QString("User Group has been added ..."));

        auto* grant = f.open<SYS_Grant>("SEC_FUNCTION_GRANT");
        QVERIFY(grant);
        grant->cboGroup->setCurrentIndex(grant->cboGroup->findText("PACK"));
        QCOMPARE(grant->cboGroup->currentText(), QString("PACK"));
        for (const char* code : {"SEC_FUNCTION_LIST", "SEC_USER_RESETPWD"})
            sec::clickCell(grant->msfgFunc, sec::rowOf(grant->msfgFunc, 1, code), 1);
        grant->cmdSave->click();
        QCOMPARE(prompter().last().text, QString("Save completed!"));

        auto* users = f.open<SYS_USER>("SEC_USER_INFO");
        QVERIFY(users);
        users->cmdNew->click();
        QTest::keyClicks(users->txtUserID, "pk01");
        QTest::keyClicks(users->txtFullName, "Pat Packer");
        users->cboGP->setCurrentIndex(users->cboGP->findText("PACK"));
        prompter().clear();
        users->cmdSave->click();
        QVERIFY(prompter().messages.isEmpty());
        QVERIFY(sec::rowOf(users->msfgUser, 1, "PK01") >= 0);

        QVERIFY(f.relogIn("PK01", "pk01"));
        QCOMPARE(Module1::gUserID, QString("PK01"));
        auto* pwd = f.open<SYS_PWD>("SEC_USER_CHGPWD");
        QVERIFY(pwd);
        pwd->OldPWD->setText("PK01");
        pwd->NewPWD->setText("box-42");
        pwd->NewPWD2->setText("box-42");
        pwd->cmdOK->click();
        QCOMPARE(prompter().last().text, QString("Change password success!"));

        QVERIFY(!f.relogIn("PK01", "PK01"));
        QVERIFY(f.logIn("PK01", "BOX-42"));
        frmMain* m = f.main();
        QStringList enabled;
        for (const grants::MenuGrant& g : grants::kMenuGrants) {
            if (m->menuItem(QString::fromLatin1(g.menuItem))->isEnabled())
                enabled << QString::fromLatin1(g.menuItem);
        }
        QCOMPARE(enabled, QStringList({"SEC_FUNCTION_LIST", "SEC_USER_RESETPWD"}));
        QVERIFY(m->menuItem("SEC_USER_CHGPWD")->isEnabled());
        for (int b : grants::kGatedButtons)
            QVERIFY(!m->toolbarButton(b)->isEnabled());
        QVERIFY(f.open("SEC_USER_RESETPWD"));
        QVERIFY(!f.open("SEC_USER_INFO"));
    }
};

TROVA_TEST(SecurityWalkTest)
#include "tst_SecurityWalk.moc"
