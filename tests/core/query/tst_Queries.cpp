#include "Checks.h"
#include "DbRows.h"
#include "Seed.h"
#include "TestDb.h"
#include "TestMain.h"
#include "query/LoadingQuery.h"
#include "query/SearchThread.h"
#include "query/TerminalQuery.h"
#include "query/TraceQuery.h"
#include "query/WipQuery.h"
#include "trace/CheckReview.h"

#include <QTest>
#include <functional>

using Module1::gConn;
using seed::at;
using testing::addCheck;

namespace {

using Convert = std::function<query::ShownRow(const QVector<QVariant>&)>;

QVector<query::ShownRow> run(const query::Statement& s, const Convert& convert)
{
    QVector<query::ShownRow> out;
    const db::ResultSet rs = gConn().query(s.sql, s.params);
    for (const QVector<QVariant>& row : rs.rows())
        out << convert(row);
    return out;
}

// One text per row: the kind (when any) and the chosen shown columns (from 1).
QStringList pick(const QVector<query::ShownRow>& rows, const QList<int>& columns)
{
    QStringList out;
    for (const query::ShownRow& r : rows) {
        QStringList parts;
        if (!r.kind.isEmpty())
            parts << r.kind;
        for (int c : columns)
            parts << r.cells.value(c - 1);
        out << parts.join('|');
    }
    return out;
}

QStringList firstColumn(const query::Statement& s)
{
    return testing::queryRows(s.sql, s.params);
}

QStringList wipTimes(const query::wip::Filter& f)
{
    return pick(run(query::wip::search(f), query::wip::shownRow), {19});
}

const query::Window kWindow{at(8), at(12)};

// The plan of a statement. The server cannot prepare EXPLAIN, so there the
// statement's values are written into its text (test values only).
QStringList planOf(const query::Statement& s)
{
    if (gConn().engine() == db::Engine::SQLite)
        return testing::queryRows("explain query plan " + s.sql, s.params);
    QString sql = s.sql;
    for (const QVariant& v : s.params) {
        const QString literal = v.typeId() == QMetaType::QDateTime
            ? "timestamp '" + v.toDateTime().toString("yyyy-MM-dd HH:mm:ss") + "'"
            : "'" + v.toString() + "'";
        sql.replace(sql.indexOf('?'), 1, literal);
    }
    return testing::queryRows("explain " + sql);
}

} // namespace

// Each query screen's search on seeded rows whose expected lists are written
// out by hand, on both engines.
class QueriesTest : public testdb::Case
{
    Q_OBJECT

    void prepare() override
    {
        testing::addUser("U1", {}, {}, "Una");
        testing::addUser("U2", {}, {}, "Ugo");
        testing::addPart("P1", "PR1", "1", "Board one");
    }

private Q_SLOTS:
    void defaultWindowIsThePreviousDayUpToNow()
    {
        const query::Window w = query::defaultWindow(QDateTime(QDate(2024, 1, 1), QTime(13, 14, 15, 678)));
        QCOMPARE(w.from, QDateTime(QDate(2023, 12, 31), QTime(0, 0, 1)));
        QCOMPARE(w.to, QDateTime(QDate(2024, 1, 1), QTime(13, 14, 15)));
    }

    void wipOptionsOrderStatusAndWindow()
    {
        testing::addPart("P2", "PR1", "0");
        addCheck({.time = at(8)}); // the window's first second counts
        addCheck({.time = at(9), .lot = "LOT9", .qty = 5, .throwQty = 2, .approveUser = "U2"});
        addCheck({.time = at(10), .value = "1"});
        addCheck({.time = at(11), .part = "P2"});
        addCheck({.time = at(12), .approveValue = "0"}); // and its last
        addCheck({.time = at(10, 15), .user = "NOBODY"}); // unknown user
        addCheck({.time = at(10, 20), .part = "PX"}); // unknown part number
        addCheck({.time = at(12, 0, 1)}); // after the window
        seed::error(at(10, 30));
        seed::error(at(10, 40), "S1", "NOBODY");
        seed::error(at(7, 59, 59));

        query::wip::Filter f;
        f.window = kWindow;
        const auto rows = run(query::wip::search(f), query::wip::shownRow);
        QCOMPARE(pick(rows, {19, 20}),
                 QStringList({"0|03/05/2024 12:00:00|", "0|03/05/2024 11:00:00|Need not be approved",
                              "2|03/05/2024 10:30:00|", "1|03/05/2024 10:00:00|",
                              "0|03/05/2024 09:00:00|Approved by U2", "0|03/05/2024 08:00:00|Not approved"}));
        // Whole rows: a check with its material and quantities, and a scan.
        QCOMPARE(rows.at(4).cells,
                 QStringList({"L1", "P1", "M1", "D1", "S1", "LK1", "C1", "VEND", "R1", "Y", "LOT9", "2410", "RT1", "5",
                              "2", "10.0.0.1", "001", "Una", "03/05/2024 09:00:00", "Approved by U2"}));
        QCOMPARE(rows.at(2).cells,
                 QStringList({"L1", "P1", "M1", "D1", "S1", "LKX", "C1", "", "R1", "Y", "", "", "", "", "", "10.0.0.1",
                              "001", "Una", "03/05/2024 10:30:00", ""}));
        f.option = query::wip::Option::Error;
        QCOMPARE(wipTimes(f), QStringList({"2|03/05/2024 10:30:00", "1|03/05/2024 10:00:00"}));
    }

    void wipFiltersAndFolding()
    {
        testing::addPart("P1", "PR2", "1"); // one part number under two projects
        testing::addPart("P2", "PR1", "1");
        addCheck({.time = at(9)});
        addCheck({.time = at(10), .line = "L2", .machine = "M2", .module = "D2", .slot = "S2"});
        addCheck({.time = at(10, 30), .part = "P2"});
        seed::error(at(11), "S2", "U1", "L2"); // machine M1, module D1

        query::wip::Filter f;
        f.window = kWindow;
        f.slot = "S2"; // checks by slot_code, scans by err_slot
        QCOMPARE(wipTimes(f), QStringList({"2|03/05/2024 11:00:00", "0|03/05/2024 10:00:00"}));
        f.slot = query::kAll;
        f.module = "D2";
        QCOMPARE(wipTimes(f), QStringList({"0|03/05/2024 10:00:00"}));
        f.module = query::kAll;
        f.machine = "M1";
        QCOMPARE(wipTimes(f),
                 QStringList({"2|03/05/2024 11:00:00", "0|03/05/2024 10:30:00", "0|03/05/2024 09:00:00"}));
        f.machine = query::kAll;
        f.part = "P2";
        QCOMPARE(wipTimes(f), QStringList({"0|03/05/2024 10:30:00"}));

        // The part number joins without its project: "Normal" lists a check once
        // per project of its part number, the union of "<ALL>" folds them.
        f.part = "P1";
        f.line = "L1";
        f.option = query::wip::Option::Normal;
        QCOMPARE(wipTimes(f), QStringList({"0|03/05/2024 09:00:00", "0|03/05/2024 09:00:00"}));
        f.option = query::wip::Option::All;
        QCOMPARE(wipTimes(f), QStringList({"0|03/05/2024 09:00:00"}));

        // A value with a quote is a value, not a broken statement.
        f.line = "L'1";
        QCOMPARE(wipTimes(f), QStringList());
    }

    void wipInPartsReadsAsTheWhole()
    {
        const QDateTime day2 = at(0).addDays(1);
        for (const QDateTime& t : {at(6, 0, 0), at(23, 59, 59), day2, day2, day2.addSecs(1), day2.addDays(1)})
            addCheck({.time = t}); // two equal rows at midnight: folded once
        addCheck({.time = day2, .value = "1"});
        seed::error(at(23, 59, 59));
        query::wip::Filter f;
        f.window = {at(6, 0, 0), day2.addDays(1)};
        const QStringList whole = wipTimes(f);
        QCOMPARE(whole.size(), 7);
        const QVector<query::Statement> parts = query::wip::searchInParts(f);
        QCOMPARE(parts.size(), 2); // the second ends at midnight, the first starts a second later
        QStringList joined;
        for (const query::Statement& s : parts)
            joined << pick(run(s, query::wip::shownRow), {19});
        QCOMPARE(joined, whole);
        f.window = {at(12), at(11)};
        QVERIFY(query::wip::searchInParts(f).isEmpty());
    }

    // A window's parts follow each other to the second, none longer than
    // asked, newest first or in the reverse order.
    void windowPartsCoverTheWindow()
    {
        const query::Window w{at(6, 0, 0), at(6, 0, 0).addDays(2).addSecs(17)};
        for (int hours : {1, 6, 24, 100}) {
            const QVector<query::Window> parts = query::windowParts(w, hours);
            QCOMPARE(parts.first().to, w.to);
            QCOMPARE(parts.last().from, w.from);
            for (qsizetype i = 0; i < parts.size(); ++i) {
                QVERIFY(parts[i].from <= parts[i].to);
                QVERIFY(parts[i].from.secsTo(parts[i].to) < 3600 * hours);
                if (i > 0)
                    QCOMPARE(parts[i].to.addSecs(1), parts[i - 1].from);
            }
            const QVector<query::Window> oldest = query::windowParts(w, hours, false);
            QCOMPARE(oldest.size(), parts.size());
            for (qsizetype i = 0; i < parts.size(); ++i)
                QCOMPARE(oldest[i].from, parts[parts.size() - 1 - i].from);
            // The statements follow the parts in the order asked for.
            for (bool newestFirst : {true, false}) {
                QVariantList made, expected;
                for (const query::Window& p : query::windowParts(w, hours, newestFirst))
                    expected << p.from;
                for (const query::Statement& s : query::inParts(w, hours, newestFirst, [](const query::Window& p) {
                         return query::Statement{QString(), {p.from}};
                     }))
                    made << s.params;
                QCOMPARE(made, expected);
            }
        }
    }

    void traceSearchesAndDrillDowns()
    {
        using seed::board;
        using seed::slot;
        board("B1", "1", "SN2", "2403050001", at(9));
        board("B1", "1", "SN1", "2403050001", at(9));
        board("B2", "2", "SN3", "2403050002", at(10));
        board(QString(), "3", "SN4", "2403050003", at(11)); // no batch: sorts last
        board("B3", "4", "SN5", "2403050004", at(7));
        slot("2403050001", "S2", "C2", "LOT2", at(9));
        slot("2403050001", "S1", "C1", "LOT1", at(9));
        slot("2403050002", "S1", "C1", "LOT1", at(10));
        slot("2403050004", "S1", "C1", "LOT1", at(7));

        using namespace query::trace;
        const QList<int> boardCols{1, 2, 3, 4};
        QCOMPARE(pick(run(products({"", "", "", kWindow}), boardRow), boardCols),
                 QStringList({"B|B1|1|SN1|2403050001", "B|B1|1|SN2|2403050001", "B|B2|2|SN3|2403050002",
                              "B||3|SN4|2403050003"}));
        // The filled boxes match any of them; blanks around a value do not count.
        QCOMPARE(pick(run(products({" B2 ", "", "SN1", kWindow}), boardRow), boardCols),
                 QStringList({"B|B1|1|SN1|2403050001", "B|B2|2|SN3|2403050002"}));

        const QList<int> slotCols{3, 4, 8, 10, 14};
        // A slot once per serial number of its snapshot.
        QCOMPARE(pick(run(materials({"LOT1", "", "", "", kWindow}), materialRow), slotCols),
                 QStringList({"M|SN1|2403050001|S1|C1|LOT1", "M|SN2|2403050001|S1|C1|LOT1",
                              "M|SN3|2403050002|S1|C1|LOT1"}));
        QCOMPARE(pick(run(materials({"LOT2", "", "", "C1", kWindow}), materialRow), slotCols), QStringList());
        const auto whole = run(materials({"", "2410", "nothing", "C2", kWindow}), materialRow);
        QCOMPARE(pick(whole, {3}), QStringList({"M|SN1", "M|SN2"}));
        QCOMPARE(whole.first().cells,
                 QStringList({"", "", "SN1", "2403050001", "P1", "M1", "D1", "S2", "LK1", "C2", "VEND", "R1", "Y",
                              "LOT2", "2410", "RT1", "100", "SYSADMIN", "03/05/2024 09:00:00"}));

        // Material row to the boards that used the component; board row to its
        // snapshot.
        QCOMPARE(pick(run(boardsOfMaterial("C1", "P1", kWindow), boardRow), boardCols),
                 QStringList({"B|B1|1|SN1|2403050001", "B|B1|1|SN2|2403050001", "B|B2|2|SN3|2403050002"}));
        const auto snap = run(snapshot("2403050001", kWindow), materialRow);
        QCOMPARE(pick(snap, {3, 8}), QStringList({"M|SN1|S1", "M|SN2|S1", "M|SN1|S2", "M|SN2|S2"}));
        QCOMPARE(run(snapshot("2403050004", kWindow), materialRow).size(), 0); // saved outside the window
    }

    void terminalSetUps()
    {
        gConn().exec("insert into dt200_info (gw21_ip, dt200_id) values ('10.0.0.1', '001'), ('10.0.0.1', '002'), "
                     "('10.0.0.2', '001'), ('10.0.0.3', '009')");
        gConn().exec("insert into line_set (line_id, proj_id, part_no, mc_id, gw21_ip, dt200_id) values "
                     "('L1', 'PR1', 'P1', 'M1', '10.0.0.1', '001'), ('L1', 'PR1', 'P2', 'M1', '10.0.0.1', '001'), "
                     "('L2', 'PR1', 'P1', 'M2', '10.0.0.2', '001'), ('L3', 'PR1', 'P1', 'M9', '10.0.0.3', '009')");
        gConn().exec("insert into component_set (line_id, part_no, mc_id, md_id, slot_code, comp_code) values "
                     "('L1', 'P1', 'M1', 'D1', 'S1', 'C1'), ('L1', 'P2', 'M1', 'D1', 'S1', 'C5'), "
                     "('L2', 'P1', 'M2', 'D2', 'S2', 'C2'), ('L2', 'P1', 'M2', 'D2', 'S3', 'C3')");
        gConn().exec("insert into slot_link (link_no, mc_id, md_id, slot_code) values ('K1', 'M1', 'D1', 'S1'), "
                     "('K0', 'M1', 'D1', 'S1'), ('K2', 'M2', 'D2', 'S3')");
        using namespace query::terminal;
        const QList<int> all{1, 2, 3, 4, 5, 6, 7, 8, 9};
        const QStringList gw2{"10.0.0.2|001|L2|P1|K2|M2|D2|S3|C3",
                              "10.0.0.2|001|L2|P1||M2|D2|S2|C2"}; // no barcode: after the linked ones
        const QStringList everything = QStringList({"10.0.0.1|001|L1|P1|K0|M1|D1|S1|C1",
                                                    "10.0.0.1|001|L1|P1|K1|M1|D1|S1|C1",
                                                    "10.0.0.1|001|L1|P2|K0|M1|D1|S1|C5",
                                                    "10.0.0.1|001|L1|P2|K1|M1|D1|S1|C5"})
                                       + gw2;
        QCOMPARE(pick(run(search(query::kAll, query::kAll), shownRow), all), everything);
        QCOMPARE(pick(run(search("10.0.0.2", query::kAll), shownRow), all), gw2);
        QCOMPARE(pick(run(search("10.0.0.1", "002"), shownRow), all), QStringList());
        QCOMPARE(pick(run(search(query::kAll, "009"), shownRow), all), QStringList()); // machine without set-up

        QCOMPARE(firstColumn(gateways()), QStringList({"10.0.0.1", "10.0.0.2", "10.0.0.3"}));
        QCOMPARE(firstColumn(terminals(query::kAll)), QStringList({"001", "002", "009"}));
    }

    // The lists of checks reach a check's component by its code, never by
    // walking the components kept under "NIL", the vendor nearly every
    // component has: a large master must not slow them down.
    void checkListsJoinComponentsByTheirCode()
    {
        gConn().exec("with recursive n(i) as (select 1 union all select i + 1 from n where i < 3000) "
                     "insert into component_list (comp_code, comp_desc, group_id, method_type, vender_name) "
                     "select 'X' || i, 'Spare', 'G1', 'MP', 'NIL' from n");
        addCheck({.time = at(9)});
        const bool postgres = gConn().engine() == db::Engine::PostgreSQL;
        if (postgres)
            gConn().exec("analyze");
        const QDateTime from = at(8);
        const QDateTime to = at(12);
        const QVector<query::Statement> lists = {trace::ApprovalSearch("10.0.0.1", "001", from, to).first(),
                                                 trace::ThrowSearch("P1", from, to).first(),
                                                 query::loading::search("PR1", "P1", kWindow)};
        for (const query::Statement& s : lists) {
            const QStringList plan = planOf(s);
            const QString component = plan.filter(postgres ? " on component_list" : " E ").join('\n');
            QVERIFY2(!component.isEmpty(), qPrintable(plan.join('\n')));
            QVERIFY2(!component.contains("ix_component_list_vendor"), qPrintable(plan.join('\n')));
            if (!postgres)
                QVERIFY2(component.contains("(comp_code=?)"), qPrintable(plan.join('\n')));
        }
    }

    void loadingRecord()
    {
        gConn().exec("insert into line_info (line_id, line_desc) values ('L1', 'Line one')");
        testing::addPart("P2", "PR1", "0");
        testing::addPart("P2", "PR2", "0");
        gConn().exec("insert into component_list (comp_code, comp_desc, group_id, method_type, vender_name) values "
                     "('C1', 'Resistor', 'G1', 'MP', 'NIL'), ('C1', 'Resistor too', 'G1', 'MP', 'ACME'), "
                     "('C2', 'Capacitor', 'G1', 'MP', 'nil'), ('C3', 'Other', 'G1', 'MP', 'ACME')");
        addCheck({.time = at(8), .approveUser = "U2"});
        addCheck({.time = at(9), .comp = "C2"});
        addCheck({.time = at(10), .approveValue = "0"});
        addCheck({.time = at(10, 30), .value = "1"}); // a mismatch
        addCheck({.time = at(11), .comp = "C3"}); // no "NIL" vendor
        addCheck({.time = at(11, 30), .user = "NOBODY"});
        addCheck({.time = at(11, 45), .line = "L2"}); // line not kept
        addCheck({.time = at(12), .qty = 7, .approveUser = "GHOST"}); // approver not kept
        addCheck({.time = at(12, 0, 1)});
        addCheck({.time = at(9, 30), .part = "P2"});

        using namespace query::loading;
        const auto rows = run(search("PR1", "P1", kWindow), shownRow);
        QCOMPARE(pick(rows, {1, 2, 9, 21}),
                 QStringList({"03/05/2024|08:00:00|C1|Approved by Ugo", "03/05/2024|09:00:00|C2|Not approved",
                              "03/05/2024|10:00:00|C1|", "03/05/2024|12:00:00|C1|Not approved"}));
        QCOMPARE(rows.first().cells,
                 QStringList({"03/05/2024", "08:00:00", "Line one", "M1", "D1", "S1", "P1", "Board one", "C1",
                              "Resistor", "R1", "Y", "", "2410", "RT1", "VEND", "", "", "U1", "Una",
                              "Approved by Ugo"}));
        QCOMPARE(rows.last().cells.at(16), QString("7"));
        // The project picks nothing: a part number kept under two projects
        // lists its checks twice.
        QCOMPARE(pick(run(search("PR2", "P2", kWindow), shownRow), {2, 21}),
                 QStringList({"09:30:00|Need not be approved", "09:30:00|Need not be approved"}));
    }

    // A search reads two batches beyond those taken, and no more: of three
    // one-row batches the third comes once one was taken.
    void searchReadsTwoBatchesAhead()
    {
        for (const char* line : {"L1", "L2", "L3"})
            testing::addLine(line);
        QList<bool> batches; // each batch's `last`
        QObject receiver;
        query::SearchThread* search = query::SearchThread::start(
            testdb::lastSettings(), {{"select line_id from line_info order by line_id", {}}}, 1,
            [&](query::SearchThread* t) {
                QObject::connect(t, &query::SearchThread::rows, &receiver,
                                 [&](const QList<QVariantList>&, bool last) { batches << last; });
            });
        QTRY_COMPARE(batches.size(), 2);
        QTest::qWait(300); // a third would come meanwhile
        QCOMPARE(batches, QList<bool>({false, false}));
        search->taken();
        QTRY_COMPARE(batches.size(), 3);
        search->taken(); // the end is told by a batch of its own
        QTRY_COMPARE(batches, QList<bool>({false, false, false, true}));
        QTRY_COMPARE(query::SearchThread::running(), 0);
    }
};

TROVA_TEST(QueriesTest)
#include "tst_Queries.moc"
