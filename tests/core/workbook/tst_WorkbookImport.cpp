#include "DbRows.h"
#include "ExcelImport.h"
#include "ScriptedPrompter.h"
#include "TestDb.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "app/Module1.h"
#include "workbook/WorkbookImport.h"

#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

using Module1::gConn;
using workbook::Rows;

namespace {

workbook::ImportLayout lineLayout()
{
    workbook::ImportLayout l;
    l.table = "line_info";
    l.columns = { { "line_id" } };
    l.keyColumns = { "line_id" };
    return l;
}

} // namespace

// The parts of the sheet import's row loop that the screens' import tests
// do not reach: a failing log, counts past 16 bits, and files that must be
// refused whatever they hold.
class WorkbookImportTest : public testdb::Case {
    Q_OBJECT

private Q_SLOTS:
    void logFailureEndsTheRun()
    {
        const Rows rows = { { "h" }, { "MC1", "a", "NOLINE" }, { "MC2", "b", "NOLINE" } };
        const auto out = workbook::importRows(rows, testing::machineImportLayout(), gConn(), "SYSADMIN",
            [](const QString&) { throw std::runtime_error("cannot write /x/TROVA_2024315.Log"); });
        QVERIFY(out.failed());
        QVERIFY(out.error.contains("TROVA_2024315.Log"));
        QCOMPARE(out.rejected, 0);
    }

    void manyRowsPastSixteenBits()
    {
        // More rows than a 16-bit counter holds, inside one transaction to
        // keep the test quick.
        Rows rows = { { "Line ID" } };
        for (int i = 0; i < 33000; ++i)
            rows.append({ QStringLiteral("L%1").arg(i) });
        db::Transaction t(gConn());
        const auto out = workbook::importRows(rows, lineLayout(), gConn(), "SYSADMIN", [](const QString&) {});
        t.commit();
        QVERIFY2(!out.failed(), qPrintable(out.error));
        QCOMPARE(out.stored, 33000);
    }

    // A run a row at a time stores, refuses, logs and counts what one run
    // does, and ends where it does: at the first empty key, or at a failure
    // with the rows before it stored.
    void slicedRunStoresWhatOneRunStores_data()
    {
        QTest::addColumn<Rows>("rows");
        QTest::newRow("inserts, updates, refusals, end")
            << Rows { { "h" }, { "MC1", "a", "L1" }, { "MC2", "b", "NOLINE" }, { "MC1", "c", "L1" },
                   { "MC3", "d", "L1" }, { "", "e", "L1" }, { "MC4", "f", "L1" } };
        // The third row repeats the first machine under another line.
        QTest::newRow("failure") << Rows { { "h" }, { "MC1", "a", "L1" }, { "MC2", "b", "L1" }, { "MC1", "c", "L2" },
                                       { "MC3", "d", "L1" } };
    }
    void slicedRunStoresWhatOneRunStores()
    {
        QFETCH(Rows, rows);
        testing::addLine("L1");
        testing::addLine("L2");
        const auto stored = [] {
            return testing::queryRows("select mc_id, mc_desc, line_id, update_user from mc_info order by mc_id");
        };
        QStringList logged;
        const auto log = [&logged](const QString& line) { logged << line; };
        const auto whole = workbook::importRows(rows, testing::machineImportLayout(), gConn(), "U1", log);
        const QStringList wholeRows = stored();
        const QStringList wholeLog = logged;
        gConn().exec("delete from mc_info");
        logged.clear();

        workbook::ImportRun run(rows, testing::machineImportLayout(), gConn(), "U1", log);
        int steps = 0;
        while (!run.step(QDeadlineTimer(0)))
            ++steps;
        QCOMPARE(steps, whole.stored + whole.rejected);
        QCOMPARE(run.outcome().stored, whole.stored);
        QCOMPARE(run.outcome().rejected, whole.rejected);
        QCOMPARE(run.outcome().error, whole.error);
        QCOMPARE(stored(), wholeRows);
        QCOMPARE(logged, wholeLog);
    }

    void hostileFilesAreRefused_data()
    {
        // Each holds "L1" in A2 where it can: a file read after all would
        // store it. The message goes on after the file's name as given.
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("message");
        const auto unreadable = [](const char* file, const char* reason) {
            QTest::newRow(file) << file << QStringLiteral(" is not a readable Excel workbook.\n") + reason;
        };
        unreadable("target-outside.xlsx", "The first sheet's part ../../x.xml lies outside the package.");
        unreadable("row-past-limit.xlsx", "The row number 300000000 lies outside the sheet's 1048576 rows.");
        unreadable("cell-past-limit.xlsx", "The cell A2147483647 lies outside the sheet's 1048576 rows and 16384");
        unreadable("column-past-limit.xlsx", "The cell FXSHRXW2 lies outside the sheet's 1048576 rows and 16384");
        unreadable("part-past-cap.xlsx", "The part xl/worksheets/sheet1.xml inflates to 4294967280 bytes, more");
        unreadable("part-past-cap-zip64.xlsx", "The part xl/worksheets/sheet1.xml inflates to 3221225472 bytes, more");
        unreadable("text-bomb.xlsx", "The sheet is too large: its cells hold more than 134217728 characters of text.");
        unreadable("xls-text-bomb.xls", "The sheet is too large: its cells hold more than 134217728 characters of text.");
        unreadable("sheet-is-workbook.xlsx", "The first sheet's part xl/workbook.xml is no worksheet.");
        unreadable("sheet-is-shared-text.xlsx", "The first sheet's part xl/sharedStrings.xml is no worksheet.");
        unreadable("external-entity.xlsx",
            "The part xl/sharedStrings.xml has at line 2 an entity that cannot be resolved: e.");
        unreadable("undeclared-entity.xlsx",
            "The part xl/sharedStrings.xml has at line 3 an entity that cannot be resolved: u.");
        unreadable("date-past-9999.xlsx", "The cell A2 holds 2958465.9999999 as a date, which is no date between");
        unreadable("part-damaged.xlsx", "The part xl/worksheets/sheet1.xml is damaged: it does not inflate.");
        unreadable("broken-shared-text.xlsx", "The part xl/sharedStrings.xml does not parse at line 1, column 85: ");
        unreadable("broken-styles.xlsx", "The part xl/styles.xml does not parse at line 1, column 181: ");
        unreadable("broken-workbook.xlsx", "The part xl/workbook.xml does not parse at line 1, column 275: ");
        unreadable("absurd-date.xlsx", "The cell A2 holds 1e300 as a date, which is no date between the years 1900");
        unreadable("cells-far-apart.xlsx", "The sheet is too large: its rows hold more than 16777216 cells, counting");
        unreadable("xls-crash.xls", "The reader crashed with signal 11 (Segmentation fault).");
        unreadable("xls-wide.xls", "Its first sheet declares 3 rows and 65280 columns, more than a sheet holds.");
        unreadable("truncated.xls", "It is no .xls workbook that can be read (code -8).");
        unreadable("text.xlsx", "It is neither an .xls nor an .xlsx workbook.");
        unreadable("empty.xls", "It is neither an .xls nor an .xlsx workbook.");
        unreadable("missing.xlsx", "It cannot be opened: No such file or directory.");
        unreadable("fifo", "It is not a regular file.");
        QTest::newRow("no rows") << "no-rows.xlsx" << " holds no rows.";
    }
    void hostileFilesAreRefused()
    {
        QFETCH(QString, file);
        QFETCH(QString, message);
        QTemporaryDir dir;
        // A named pipe that nothing writes to: opening it would block.
        const QString path = file == "fifo" ? dir.filePath(file) : testing::dataFile("hostile/" + file);
        QVERIFY(file != "fifo" || mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        int loads = 0;
        const auto out = Module1::ImportExcelFile(path, lineLayout(), [&loads] { ++loads; });
        QVERIFY(out.failed());
        QCOMPARE(testing::prompter().messages.size(), 1);
        const QString start = file == "no-rows.xlsx" ? "The first sheet of the file " : "The file ";
        QVERIFY2(testing::prompter().last().text.startsWith(start + path + message),
            qPrintable(testing::prompter().last().text));
        QCOMPARE(loads, 0);
        QVERIFY(testing::queryRows("select line_id from line_info").isEmpty());
        QVERIFY(testing::errorLogText().isEmpty());
    }
};

TROVA_TEST(WorkbookImportTest)
#include "tst_WorkbookImport.moc"
