#include "../core/query/Seed.h"
#include "Checks.h"
#include "DbRows.h"
#include "ExportCatcher.h"
#include "MainWindowFixture.h"
#include "QUERY_COMP.h"
#include "QUERY_DT200.h"
#include "QUERY_Panel.h"
#include "QUERY_WIP.h"
#include "QueryModel.h"
#include "QueryRunner.h"
#include "TestDb.h"
#include "TestMain.h"
#include "ScriptedPrompter.h"
#include "Widgets.h"
#include "query/SearchThread.h"
#include "query/WipQuery.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <atomic>
#include <optional>
#include <chrono>
#include <thread>

using seed::at;
using Module1::gConn;
using testing::addCheck;
using testing::comboItems;
using testing::prompter;

namespace {

// One text per shown row: the chosen model columns joined.
QStringList shownRows(const QueryModel* m, const QList<int>& columns)
{
    QStringList out;
    for (int r = 0; r < m->rowCount(); ++r) {
        QStringList parts;
        for (int c : columns)
            parts << m->text(r, c);
        out << parts.join('|');
    }
    return out;
}

// Clicks Search and waits until the search has read its last row.
template <class Screen>
void search(Screen* s)
{
    QTest::mouseClick(s->cmdsearch(), Qt::LeftButton);
    QTRY_VERIFY(!s->runner()->running());
}

void setWindow(QDateTimeEdit* from, QDateTimeEdit* to)
{
    from->setDateTime(at(8));
    to->setDateTime(at(12));
}

} // namespace

// The four query screens as a user reaches them from the main window: their
// boxes, searches, drill-downs, stops, failures and exports read back.
class QueryScreensTest : public testdb::Case
{
    Q_OBJECT

    testing::ExportCatcher m_exports;

    void prepare() override
    {
        m_exports.clear();
        Module1::setClock([] { return QDateTime(QDate(2024, 3, 5), QTime(13, 14, 15)); });
        testing::addUser("U1", {}, {}, "Una");
        testing::addPart("P1", "PR1", "1");
    }

private Q_SLOTS:
    void cleanup() { Module1::setClock(nullptr); }

    void wipOpensCascadesSearchesAndExports()
    {
        gConn().exec("insert into line_info (line_id) values ('L1'), ('L2')");
        gConn().exec("insert into mc_info (mc_id, line_id) values ('M1', 'L1'), ('M2', 'L2')");
        gConn().exec("insert into slot_info (slot_id, md_id, mc_id) values ('S1', 'D1', 'M1'), ('S2', 'D2', 'M2')");
        addCheck({.time = at(9), .approveUser = "U1"});
        addCheck({.time = at(10), .value = "1"});
        seed::error(at(11));

        TROVA_OPEN_SCREEN(app, s, QUERY_WIP, "QY_WIP");

        // Each box refills the one below it; back on "<ALL>", all of them.
        s->cboLine()->setCurrentText("L2");
        QCOMPARE(comboItems(s->cboMC()), QStringList({"<ALL>", "M2"}));
        s->cboMC()->setCurrentText("M2");
        QCOMPARE(comboItems(s->cboMD()), QStringList({"<ALL>", "D2"}));
        s->cboLine()->setCurrentText("<ALL>");
        QCOMPARE(comboItems(s->cboMC()), QStringList({"<ALL>", "M1", "M2"}));

        setWindow(s->DTfrom(), s->DTto());
        search(s);
        QCOMPARE(shownRows(s->model(), {0}), QStringList({"2", "1", "0"}));
        QCOMPARE(s->model()->data(s->model()->index(2, 5), Qt::BackgroundRole).value<QColor>(), QColor(192, 255, 255));
        QCOMPARE(s->model()->data(s->model()->index(1, 20), Qt::BackgroundRole).value<QColor>(), QColor(255, 255, 192));
        QCOMPARE(s->model()->data(s->model()->index(0, 1), Qt::BackgroundRole).value<QColor>(), QColor(255, 192, 128));

        // Exported with the rows' colours.
        QTest::mouseClick(s->cmdexport(), Qt::LeftButton);
        QCOMPARE(workbook::cell(m_exports.lastRows(), 3, 19), QString("Approved by U1"));
        QVERIFY(m_exports.lastPart("xl/styles.xml").contains("FFFFCC99"));
        // The user is told where it is, whatever the desktop then does.
        QCOMPARE(prompter().texts(),
                 QStringList({"The workbook was written to " + QDir::toNativeSeparators(m_exports.last()) + "."}));
        prompter().clear();

        QTest::mouseClick(s->Opt_2(), Qt::LeftButton);
        search(s);
        QCOMPARE(shownRows(s->model(), {0}), QStringList({"0"}));

        // A failed search empties the list and says why.
        gConn().exec("drop table error_history");
        QTest::mouseClick(s->Opt_1(), Qt::LeftButton);
        search(s);
        QCOMPARE(s->model()->rowCount(), 0);
        QCOMPARE(prompter().messages.size(), 1);
        QVERIFY(prompter().last().text.contains("error_history"));
        QVERIFY(s->cmdexport()->isEnabled());
    }

    // A long list's workbook is written while events go on, from the list as
    // it was when Export was pressed: sorted and emptied meanwhile, the
    // workbook is the same.
    void exportTakesTheListAsItWasAsked()
    {
        constexpr int rows = 20000;
        QUERY_WIP s;
        QVector<query::ShownRow> shown;
        for (int r = 0; r < rows; ++r)
            shown << query::ShownRow{QString::number(r % 3), QStringList(s.model()->columnCount() - 1, QString::number(r))};
        s.model()->append(shown);
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] {
            if (s.findChild<QWidget*>("exportBusy") && ticks++ == 0) {
                s.model()->sort(1, Qt::DescendingOrder);
                s.model()->clear();
            }
        });
        ticker.start(1);
        s.cmdexport_Click();
        QVERIFY(ticks > 0);
        QCOMPARE(s.model()->rowCount(), 0);
        const workbook::Rows sheet = m_exports.lastRows();
        QCOMPARE(sheet.size(), rows + 1);
        QCOMPARE(sheet[1].first(), QString("0"));
        QCOMPARE(sheet.last().last(), QString::number(rows - 1));
    }

    void aLongSearchShowsRowsAsTheyComeAndStops()
    {
        // Enough rows for several batches.
        gConn().exec("with recursive n(i) as (select 1 union all select i + 1 from n where i < 3000) "
                   "insert into check_history (line_id, part_no, mc_id, check_value, update_user, update_time, "
                   "link_id) select 'L1', 'P1', 'M1', '0', 'U1', ?, 'LK' || i from n",
                   {at(9)});
        TROVA_OPEN_SCREEN(app, s, QUERY_WIP, "QY_WIP");
        setWindow(s->DTfrom(), s->DTto());
        QStringList seen;
        QMetaObject::Connection c = connect(s->model(), &QAbstractItemModel::rowsInserted, this, [&] {
            seen << QString::number(s->model()->rowCount());
            if (seen.size() == 2)
                s->runner()->cmdStop()->click();
        });
        search(s);
        disconnect(c);
        QCOMPARE(seen, QStringList({"200", "400"}));
        QVERIFY(s->runner()->wasStopped());
        QCOMPARE(s->model()->rowCount(), 400);
        QVERIFY(s->runner()->status()->text().contains("not complete"));

        // Unstopped, it reads to the end across event-loop turns, also from
        // the older day when the window crosses midnight into an empty day.
        s->DTto()->setDateTime(at(12).addDays(1));
        search(s);
        QCOMPARE(s->model()->rowCount(), 3000);
        QVERIFY(!s->runner()->wasStopped());

        // A later day of the chain that fails empties the list and says why.
        query::wip::Filter f;
        f.window = {at(8).addDays(-1), at(12)};
        QVector<query::Statement> days = query::wip::searchInParts(f);
        days.last().sql.replace("check_history", "no_such_table");
        int most = 0;
        c = connect(s->model(), &QAbstractItemModel::rowsInserted, this,
                    [&] { most = std::max(most, s->model()->rowCount()); });
        s->runner()->start(s->model(), days, query::wip::shownRow);
        QTRY_VERIFY(!s->runner()->running());
        disconnect(c);
        QVERIFY(most >= QueryRunner::kBatch);
        QCOMPARE(s->model()->rowCount(), 0);
        QCOMPARE(prompter().messages.size(), 1);
        QVERIFY(prompter().last().text.contains("no_such_table"));
    }

    // A search held by the server: on PostgreSQL another session holds a
    // lock the search waits for; SQLite readers wait for no lock, so there a
    // statement that runs long (a minute) holds it. The window goes on
    // answering meanwhile, and Stop ends the search and its statement at
    // once, with the lock still held.
    void aSearchHeldByTheServerHoldsNothingAndStops()
    {
        QFETCH_GLOBAL(QString, backend);
        const bool postgres = backend == QLatin1String("postgres");
        addCheck({.time = at(9)});
        TROVA_OPEN_SCREEN(app, s, QUERY_WIP, "QY_WIP");
        setWindow(s->DTfrom(), s->DTto());
        std::atomic<bool> locked{false};
        std::atomic<bool> release{false};
        std::optional<testdb::SecondConnection> holder;
        if (postgres) {
            holder.emplace([&](db::Database& db) {
                db.begin();
                db.exec("lock table check_history in access exclusive mode");
                locked = true;
                // Let go in the end even if the search held the test.
                for (int i = 0; i < 1200 && !release; ++i)
                    std::this_thread::sleep_for(std::chrono::milliseconds(50));
                db.rollback();
            });
            QTRY_VERIFY(locked);
            QTest::mouseClick(s->cmdsearch(), Qt::LeftButton);
        } else {
            s->runner()->start(s->model(),
                               query::Statement{"with recursive n(i) as (select 1 union all select i + 1 from n "
                                                "where i < 300000000) select i from n where i = 0",
                                                {}},
                               query::wip::shownRow);
        }
        QVERIFY(s->runner()->running());
        bool answered = false;
        QTimer::singleShot(0, this, [&] { answered = true; });
        QTRY_VERIFY(answered);
        QVERIFY(s->runner()->running());
        QVERIFY(!s->cmdexport()->isEnabled());

        QTest::mouseClick(s->runner()->cmdStop(), Qt::LeftButton);
        QVERIFY(!s->runner()->running());
        QCOMPARE(s->runner()->status()->text(), QString("Stopped after 0 rows: the list is not complete."));
        QTRY_COMPARE(query::SearchThread::running(), 0);
        QVERIFY(!release);
        if (postgres) {
            // This test's database only: other tests share the server. A
            // busy server takes its time to end the cancelled statement.
            QTRY_COMPARE_WITH_TIMEOUT(
                gConn().count("select count(*) from pg_locks where not granted "
                              "and database = (select oid from pg_database where datname = current_database())"),
                qlonglong(0), 30000);
            release = true;
            QCOMPARE(holder->finish(), QString());
        }
        QVERIFY(prompter().messages.isEmpty());

        // Free again, the search reads its list.
        search(s);
        QCOMPARE(s->model()->rowCount(), 1);
    }

    void panelModesSearchDrillDownSortAndExport()
    {
        seed::board("B1", "1", "SN1", "2403050001", at(9));
        seed::board("B2", "2", "SN2", "2403050002", at(10));
        seed::slot("2403050001", "S1", "C1", "LOT1", at(9));
        seed::slot("2403050001", "S2", "C2", "LOT2", at(9));
        seed::slot("2403050002", "S1", "C1", "LOT1", at(10));
        TROVA_OPEN_SCREEN(app, s, QUERY_Panel, "QY_Trace");

        // Nothing in the window.
        s->DTto()->setDateTime(at(8, 30));
        search(s);
        QCOMPARE(prompter().texts(), QStringList({"No data found."}));

        setWindow(s->DTfrom(), s->DTto());
        s->txtBatch()->setText("B2");
        search(s);
        QCOMPARE(shownRows(s->model(), {1, 2, 3, 4}), QStringList({"B2|2|SN2|2403050002"}));

        // Board to its snapshot, slot to the boards that used its component.
        s->LvData()->setCurrentIndex(s->model()->index(0, 1));
        s->LvData_DblClick();
        QTRY_VERIFY(!s->runner()->running());
        QCOMPARE(shownRows(s->model(), {3, 4, 8, 10, 18, 19}),
                 QStringList({"SN2|2403050002|S1|C1|U1|03/05/2024 06:30:00"}));
        s->LvData()->setCurrentIndex(s->model()->index(0, 1));
        s->LvData_DblClick();
        QTRY_VERIFY(!s->runner()->running());
        QCOMPARE(shownRows(s->model(), {1, 3, 4}), QStringList({"B1|SN1|2403050001", "B2|SN2|2403050002"}));

        // Header clicks sort descending, then ascending; the selected row
        // stays selected.
        s->LvData()->setCurrentIndex(s->model()->index(0, 1));
        s->LvData()->header()->sectionClicked(3);
        QCOMPARE(shownRows(s->model(), {3}), QStringList({"SN2", "SN1"}));
        QCOMPARE(s->model()->text(s->LvData()->currentIndex().row(), 3), QString("SN1"));
        s->LvData()->header()->sectionClicked(3);
        QCOMPARE(shownRows(s->model(), {3}), QStringList({"SN1", "SN2"}));

        // Materials mode keeps the product boxes' texts without using them.
        QTest::mouseClick(s->Opt2(), Qt::LeftButton);
        QVERIFY(!s->txtBatch()->isEnabled());
        QCOMPARE(s->txtBatch()->text(), QString("B2"));
        s->txtComp()->setText("C2");
        search(s);
        QCOMPARE(shownRows(s->model(), {3, 8, 14}), QStringList({"SN1|S2|LOT2"}));

        QTest::mouseClick(s->cmdexport(), Qt::LeftButton);
        QCOMPARE(workbook::cell(m_exports.lastRows(), 1, 13), QString("LOT2"));
    }

    void dt200ListsTerminalsSearchesAndExports()
    {
        gConn().exec("insert into dt200_info (gw21_ip, dt200_id) values ('10.0.0.1', '001'), ('10.0.0.2', '002')");
        gConn().exec("insert into line_set (line_id, proj_id, part_no, mc_id, gw21_ip, dt200_id) values "
                   "('L1', 'PR1', 'P1', 'M1', '10.0.0.1', '001'), ('L2', 'PR1', 'P1', 'M2', '10.0.0.2', '002')");
        gConn().exec("insert into component_set (line_id, part_no, mc_id, md_id, slot_code, comp_code) values "
                   "('L1', 'P1', 'M1', 'D1', 'S1', 'C1'), ('L2', 'P1', 'M2', 'D2', 'S2', 'C2')");
        gConn().exec("insert into slot_link (link_no, mc_id, md_id, slot_code) values ('K1', 'M1', 'D1', 'S1')");
        TROVA_OPEN_SCREEN(app, s, QUERY_DT200, "QY_DT200");
        // The gateway narrows the terminals.
        s->cboGW21()->setCurrentText("10.0.0.2");
        QCOMPARE(comboItems(s->cboDT200()), QStringList({"<ALL>", "002"}));
        s->cboGW21()->setCurrentText("<ALL>");
        search(s);
        QCOMPARE(shownRows(s->model(), {1, 5, 9}), QStringList({"10.0.0.1|K1|C1", "10.0.0.2||C2"}));
    }

    void compTitleBlockNamesTheSearchShown()
    {
        gConn().exec("insert into line_info (line_id, line_desc) values ('L1', 'Line one')");
        gConn().exec("insert into proj_info (proj_id) values ('PR1'), ('PR2')");
        testing::addPart("P2", "PR1", "0");
        testing::addPart("P9", "PR2", "0");
        gConn().exec("insert into component_list (comp_code, comp_desc, group_id, method_type, vender_name) values "
                   "('C1', 'Resistor', 'G1', 'MP', 'NIL')");
        addCheck({.time = at(9)});
        addCheck({.time = at(10, 30)});
        TROVA_OPEN_SCREEN(app, s, QUERY_COMP, "QY_Comp");
        QCOMPARE(s->cboPart()->currentText(), QString("P1"));

        // An empty grid exports an empty sheet, without the title block.
        QTest::mouseClick(s->cmdexport(), Qt::LeftButton);
        QCOMPARE(m_exports.lastRows().size(), 0);

        setWindow(s->DTfrom(), s->DTto());
        search(s);

        s->cboProj()->setCurrentText("PR2");
        QCOMPARE(s->cboPart()->currentText(), QString("P9"));
        QTest::mouseClick(s->cmdexport(), Qt::LeftButton);
        // The title block names the search shown, not the boxes' new choice.
        const workbook::Rows rows = m_exports.lastRows();
        QCOMPARE(workbook::cell(rows, 2, 0), QString("Project : PR1"));
        QCOMPARE(workbook::cell(rows, 3, 0), QString("Part No : P1"));
        QCOMPARE(workbook::cell(rows, 7, 1), QString("10:30:00"));
        QCOMPARE(prompter().messages.size(), 2);
        prompter().clear();

        // A project without part numbers: Search empties the grid, no message.
        gConn().exec("insert into proj_info (proj_id) values ('PR3')");
        s->cboProj()->addItem("PR3");
        s->cboProj()->setCurrentText("PR3");
        search(s);
        QCOMPARE(s->model()->rowCount(), 0);
        QVERIFY(s->runner()->status()->text().isEmpty());
        QVERIFY(prompter().messages.isEmpty());
    }
};

TROVA_TEST(QueryScreensTest)
#include "tst_QueryScreens.moc"
