#include "app/Module1.h"
#include "TestDb.h"
#include "TestMain.h"
#include "workbook/WorkbookImport.h"

#include <QTest>

using Module1::gConn;
using workbook::Rows;

namespace {

// A machine sheet: A mc_id, B mc_desc, C line_id; the line must exist.
workbook::ImportLayout machineLayout()
{
    workbook::ImportLayout l;
    l.table = "mc_info";
    l.columns = {{"mc_id"}, {"mc_desc"}, {"line_id"}};
    l.keyColumns = {"mc_id", "line_id"};
    l.updateColumns = {"mc_desc"};
    l.checks << [](const QStringList& cells) {
        if (gConn().count("select count(*) from line_info where line_id = ?", {cells[2]}) > 0)
            return QString();
        return QStringLiteral("Cannot found the Line ID ") + cells[2];
    };
    return l;
}

} // namespace

// The parts of the sheet import's row loop that the screens' import tests
// do not reach: formatted values, fixed columns, a failing log and counts
// past 16 bits.
class WorkbookImportTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase_data() { testdb::addBackendRows(); }
    void init() { TESTDB_INIT(); }

    void formattedValuesAndFixedColumns()
    {
        // A terminal id written as three digits, a fixed flag, and an update
        // found by a narrower key than the existence test.
        workbook::ImportLayout l;
        l.table = "part_info";
        l.columns = {{"part_no"}, {"part_desc"}, {"proj_id", [](const QString& v) { return v.rightJustified(3, '0'); }}};
        l.keyColumns = {"part_no", "proj_id"};
        l.updateColumns = {"part_desc"};
        l.insertFixed = {{"approve", "N"}};
        const Rows rows = {{"h"}, {"P1", "one", "5"}, {"P1", "one again", "5"}};
        const auto out = workbook::importRows(rows, l, gConn(), "SYSADMIN", [](const QString&) {});
        QCOMPARE(out.stored, 2);
        db::ResultSet rs = gConn().query("select part_desc, proj_id, approve from part_info");
        QCOMPARE(rs.recordCount(), 1);
        QCOMPARE(rs.text("proj_id"), QStringLiteral("005"));
        QCOMPARE(rs.text("approve"), QStringLiteral("N"));
        QCOMPARE(rs.text("part_desc"), QStringLiteral("one again"));
    }

    void logFailureEndsTheRun()
    {
        const Rows rows = {{"h"}, {"MC1", "a", "NOLINE"}, {"MC2", "b", "NOLINE"}};
        const auto out = workbook::importRows(rows, machineLayout(), gConn(), "SYSADMIN", [](const QString&) {
            throw std::runtime_error("cannot write /x/TROVA_2024315.Log");
        });
        QVERIFY(out.failed());
        QVERIFY(out.error.contains("TROVA_2024315.Log"));
        QCOMPARE(out.rejected, 0);
    }

    void manyRowsPastSixteenBits()
    {
        // More rows than a 16-bit counter holds, inside one transaction to
        // keep the test quick.
        Rows rows = {{"Line ID"}};
        for (int i = 0; i < 33000; ++i)
            rows.append({QStringLiteral("L%1").arg(i)});
        workbook::ImportLayout l;
        l.table = "line_info";
        l.columns = {{"line_id"}};
        l.keyColumns = {"line_id"};
        db::Transaction t(gConn());
        const auto out = workbook::importRows(rows, l, gConn(), "SYSADMIN", [](const QString&) {});
        t.commit();
        QVERIFY2(!out.failed(), qPrintable(out.error));
        QCOMPARE(out.stored, 33000);
    }
};

TROVA_TEST(WorkbookImportTest)
#include "tst_WorkbookImport.moc"
