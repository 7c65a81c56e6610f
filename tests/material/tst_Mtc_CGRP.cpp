#include "ExportCatcher.h"
#include "MainWindowFixture.h"
#include "MaterialKit.h"
#include "Mtc_CGRP.h"
#include "TestDb.h"
#include "TestMain.h"
#include "app/Module1.h"

#include <QFocusEvent>
#include <QTest>

using kit::prompter;
using Module1::gConn;

// The component group screen: its cycle from the real menu, the two delete
// guards in their order, and the export read back.
class CompGroupScreenTest : public QObject
{
    Q_OBJECT

    testing::ExportCatcher m_exports;

private Q_SLOTS:
    void initTestCase_data() { testdb::addBackendRows(); }
    void init()
    {
        TESTDB_INIT();
        prompter().clear();
    }

    void cycleFromTheMenu()
    {
        MainWindowFixture fx;
        QVERIFY(fx.logIn());
        auto* s = fx.open<Mtc_CGRP>(QStringLiteral("Man_CGRP"));
        QVERIFY(s);
        s->cmdNew->click();
        QTest::keyClicks(s->txtID, "ab1");
        QFocusEvent out(QEvent::FocusOut);
        QCoreApplication::sendEvent(s->txtID, &out);
        QCOMPARE(s->txtID->text(), QStringLiteral("AB1"));
        s->txtID->setText("   ");
        s->cmdSave->click();
        QCOMPARE(prompter().texts(), QStringList({"The Group ID cannot be null ..."}));

        s->txtID->setText("RES");
        s->txtDesc->setText(QString()); // an empty description is stored as such
        s->cmdSave->click();
        s->cmdNew->click();
        s->txtID->setText("CAP");
        s->txtDesc->setText("Capacitors");
        s->cmdSave->click();
        QCOMPARE(kit::gridColumn(s->msfgCGRP, 1), QStringList({"CAP", "RES"})); // in id order

        // A second group with the same id is refused by the database, and said so.
        s->cmdNew->click();
        s->txtID->setText("CAP");
        s->cmdSave->click();
        QCOMPARE(prompter().last().title, QStringLiteral("ERROR"));
        QCOMPARE(gConn().count("select count(*) from component_group"), 2);

        s->msfgCGRP->setCurrentCell(1, 1);
        QCOMPARE(s->txtID->text(), QStringLiteral("RES"));
        s->cmdEdit->click();
        QVERIFY(!s->txtID->isEnabled());
        s->txtDesc->setText("Resistors");
        s->cmdSave->click();
        QCOMPARE(kit::rows("select group_id, group_desc from component_group order by group_id"),
                 QStringList({"CAP|Capacitors", "RES|Resistors"}));

        s->cmdexport_Click();
        const workbook::Rows sheet = m_exports.lastRows();
        QCOMPARE(sheet.size(), 3);
        QCOMPARE(sheet.at(2).mid(0, 4), QStringList({"RES", "Resistors", "SYSADMIN", "System Administrator"}));

        s->msfgCGRP->setCurrentCell(0, 1);
        s->cmdDelete->click(); // the confirmation is answered Yes
        QCOMPARE(kit::rows("select group_id from component_group"), QStringList({"RES"}));
    }

    void deleteGuardsInTheirOrder()
    {
        kit::addGroup("RES");
        kit::addProject("P1");
        kit::addPart("PN1", "P1");
        for (const char* c : {"C0000000001", "C0000000002", "C0000000003"})
            kit::addComponent(c, "RES");
        kit::addCompProj("P1", "PN1", "RES", "C0000000001");
        kit::addCompProj("P1", "PN1", "RES", "C0000000002", "G");
        Mtc_CGRP s;
        s.msfgCGRP->setCurrentCell(0, 1);
        s.cmdDelete_Click();
        // Components and part-number rows both use it: only the components are counted.
        QCOMPARE(prompter().last().text, QStringLiteral("3 records are using this Group ID, it cannot be removed ..."));
        QCOMPARE(prompter().last().icon, msg::Icon::Critical);

        gConn().exec("delete from component_list");
        s.cmdDelete_Click();
        QCOMPARE(prompter().last().text, QStringLiteral("2 records are using this Group ID, it cannot be removed ..."));
        QCOMPARE(gConn().count("select count(*) from component_group"), 1);
        QCOMPARE(s.msfgCGRP->rowCount(), 1);

        gConn().exec("delete from component_proj");
        s.cmdDelete_Click();
        QCOMPARE(gConn().count("select count(*) from component_group"), 0);
        QCOMPARE(s.msfgCGRP->rowCount(), 0);
    }
};

TROVA_TEST(CompGroupScreenTest)
#include "tst_Mtc_CGRP.moc"
