#include "ExcelExport.h"
#include "ExportCatcher.h"
#include "LayoutRows.h"
#include "Mtc_DT200.h"
#include "Mtc_Line.h"
#include "Mtc_Machine.h"
#include "Mtc_Project.h"
#include "ScriptedPrompter.h"
#include "TestDb.h"
#include "TestMain.h"
#include "app/Module1.h"
#include "workbook/Workbook.h"

#include <QPushButton>
#include <QTableWidget>
#include <QTest>

using Module1::gConn;
using testing::prompter;

// Exports of the four screens read back, and the imports of the line,
// machine and project screens with accepted and refused rows.
class PlantExcelTest : public QObject
{
    Q_OBJECT

    testing::ExportCatcher m_exports;

    // A workbook with a header row and these data rows, written the way an
    // export writes it.
    QString sheet(const QList<QStringList>& rows)
    {
        QTableWidget grid(int(rows.size()), 4);
        grid.setHorizontalHeaderLabels({"", "A", "B", "C"});
        for (int r = 0; r < rows.size(); ++r) {
            for (int c = 0; c < rows[r].size(); ++c)
                grid.setItem(r, c + 1, new QTableWidgetItem(rows[r][c]));
        }
        return Module1::ExportGridToExcel(&grid) ? m_exports.last() : QString();
    }

    workbook::Rows exported(PlantScreen& s)
    {
        m_exports.clear();
        s.cmdexport->click();
        return m_exports.lastRows();
    }

private Q_SLOTS:
    void initTestCase_data() { testdb::addBackendRows(); }
    void init()
    {
        TESTDB_INIT();
        prompter().clear();
    }

    void exportsReadBack()
    {
        addLine("L1");
        addMachine("MC1", "L1");
        gConn().exec("insert into dt200_info (gw21_ip, dt200_id, dt200_desc, update_user, update_time) "
                     "values ('10.1.1.1', '7', 'gun', 'SYSADMIN', sysdate)");
        gConn().exec("insert into proj_info (proj_id, proj_desc, update_user, update_time) "
                     "values ('P1', 'phone', 'NOBODY', sysdate)");

        Mtc_Line line;
        workbook::Rows rows = exported(line);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[1].mid(0, 4), QStringList({"L1", "x", "SYSADMIN", "System Administrator"}));
        QCOMPARE(rows[1][4], line.msfgLine->item(0, 5)->text());

        Mtc_Machine machine;
        rows = exported(machine);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[1].mid(0, 3), QStringList({"MC1", "desc", "L1"}));

        Mtc_DT200 terminal;
        rows = exported(terminal);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[1].mid(0, 3), QStringList({"10.1.1.1", "7", "gun"}));

        Mtc_Project project;
        rows = exported(project);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[1].mid(0, 3), QStringList({"P1", "phone", "NOBODY"}));
        QCOMPARE(workbook::cell(rows, 1, 3), QString()); // no such user: no name
        QVERIFY(prompter().messages.isEmpty());
    }

    void lineAndProjectImportsUpdateOrInsert()
    {
        addLine("L1");
        gConn().exec("update line_info set update_user = 'OTHER'");
        Mtc_Line line;
        const QString lines = sheet({{"L1", "changed"}, {"l2", "new one"}});
        prompter().files.enqueue(lines);
        line.cmdImport->click();
        QCOMPARE(prompter().texts(), QStringList({"The success import 2 records."}));
        // Keys as the sheet has them: no clean-up on import.
        QCOMPARE(tableRows("line_info", {"line_id", "line_desc", "update_user"}),
                 QStringList({"L1|changed|SYSADMIN", "l2|new one|SYSADMIN"}));
        QCOMPARE(line.msfgLine->rowCount(), 2);

        // The same sheet again updates the same rows.
        prompter().clear();
        prompter().files.enqueue(lines);
        line.cmdImport->click();
        QCOMPARE(prompter().texts(), QStringList({"The success import 2 records."}));
        QCOMPARE(tableRows("line_info", {"line_id"}).size(), 2);

        Mtc_Project project;
        prompter().clear();
        prompter().files.enqueue(sheet({{"P1", "one"}, {"P2", "two"}, {"", "after the end"}, {"P3", "never read"}}));
        project.cmdImport->click();
        prompter().files.enqueue(sheet({{"P1", "first"}}));
        project.cmdImport->click();
        QCOMPARE(prompter().texts(),
                 QStringList({"The success import 2 records.", "The success import 1 records."}));
        QCOMPARE(tableRows("proj_info", {"proj_id", "proj_desc"}), QStringList({"P1|first", "P2|two"}));
        QVERIFY(testing::errorLogText().isEmpty());
    }

    void machineImport()
    {
        addLine("L1");
        addLine("L2");
        addMachine("MC0", "L1");
        Mtc_Machine s;
        prompter().files.enqueue(sheet({{"MC1", "new", "L1"},
                                        {"MC2", "lost", "NOLINE"},
                                        {"MC3", "no line", ""},
                                        {"MC0", "moved", "L2"},
                                        {"MC4", "last", "L2"}}));
        s.cmdImport->click();
        QCOMPARE(prompter().texts(), QStringList({"The success import 3 records.", testing::errorLogPointer()}));
        // A stored machine named under another line is moved there, not
        // inserted a second time.
        QCOMPARE(tableRows("mc_info", {"mc_id", "mc_desc", "line_id"}),
                 QStringList({"MC0|moved|L2", "MC1|new|L1", "MC4|last|L2"}));
        QCOMPARE(s.msfgMachine->rowCount(), 3);
        const QStringList log = testing::errorLogText().split("\r\n", Qt::SkipEmptyParts);
        QCOMPARE(log.size(), 2);
        QVERIFY2(log[0].endsWith("  Cannot found the Line ID NOLINE"), qPrintable(log[0]));
        QVERIFY2(log[1].endsWith("  Cannot found the Line ID "), qPrintable(log[1]));

        // Every row refused: only the pointer to the log, no reload.
        prompter().clear();
        gConn().exec("delete from mc_info");
        prompter().files.enqueue(sheet({{"MC9", "x", "L7"}}));
        s.cmdImport->click();
        QCOMPARE(prompter().texts(), QStringList({testing::errorLogPointer()}));
        QCOMPARE(s.msfgMachine->rowCount(), 3);
    }
};

TROVA_TEST(PlantExcelTest)
#include "tst_PlantExcel.moc"
