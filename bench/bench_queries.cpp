// The query screens on a year of checks: 1,000,000 check_history rows,
// 100,000 error_history rows and 50,000 trace_path rows, generated once per
// engine. For each search: the first screenful (statement run and the first
// batch of rows shown, which is also the longest the window waits), and the
// whole fill through the screens' runner with the longest pause between two
// turns of the event loop. "--explain" prints the plans instead.
#include "QueryModel.h"
#include "QueryRunner.h"
#include "app/Module1.h"
#include "db/Database.h"
#include "db/Schema.h"
#include "query/LoadingQuery.h"
#include "query/TerminalQuery.h"
#include "query/TraceQuery.h"
#include "query/WipQuery.h"

#include "BenchSupport.h"
#include "TestDb.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>

namespace {

constexpr int kChecks = 1000000;
constexpr int kErrors = 100000;
constexpr int kSlots = 50000;
constexpr int kSnapshotSlots = 25; // trace_path rows per snapshot
constexpr int kYearSeconds = 31536000;

const QDateTime kYear(QDate(2025, 1, 1), QTime(0, 0, 0));
const query::Window kDay{QDateTime(QDate(2025, 6, 15), QTime(0, 0, 1)), QDateTime(QDate(2025, 6, 15), QTime(23, 59, 59))};
const query::Window kMonth{QDateTime(QDate(2025, 6, 1), QTime(0, 0, 1)), QDateTime(QDate(2025, 6, 30), QTime(23, 59, 59))};

struct Plant
{
    bench::ScratchDatabase scratch;
    db::ConnectionSettings settings;
    bool postgres;

    explicit Plant(bool pg)
        : scratch(pg, QStringLiteral("trova_benchq"))
        , settings(scratch.settings())
        , postgres(pg)
    {
        db::Database db;
        QString error;
        if (!db.open(settings, &error))
            qFatal("cannot open the bench database: %s", qPrintable(error));
        schema::ensure(db);
        QElapsedTimer t;
        t.start();
        fill(db);
        std::fprintf(stderr, "%s: data set generated in %.1f s\n", pg ? "postgres" : "sqlite", t.elapsed() / 1000.0);
    }

    ~Plant()
    {
        if (postgres)
            Module1::gConn().close();
    }

    // "INSERT ... SELECT" over a row number i from 0 to n - 1.
    QString series(const QString& insert, const QString& select, int n) const
    {
        return bench::series(postgres, insert, select, n);
    }

    // The time of row i when `per` rows spread over the year.
    QString spread(int per) const
    {
        const QString secs = QStringLiteral("(i * %1 / %2)").arg(kYearSeconds / 1000).arg(per / 1000);
        if (postgres)
            return QStringLiteral("timestamp '2025-01-01 00:00:00' + %1 * interval '1 second'").arg(secs);
        return QStringLiteral("datetime('2025-01-01 00:00:00', '+' || %1 || ' seconds')").arg(secs);
    }

    QString snapshotTime(const QString& snapshot) const
    {
        const QString secs = QStringLiteral("(%1 * %2)").arg(snapshot).arg(kYearSeconds / (kSlots / kSnapshotSlots));
        if (postgres)
            return QStringLiteral("timestamp '2025-01-01 00:00:00' + %1 * interval '1 second'").arg(secs);
        return QStringLiteral("datetime('2025-01-01 00:00:00', '+' || %1 || ' seconds')").arg(secs);
    }

    void fill(db::Database& db)
    {
        // Filling a million rows is no statement of the program's: its bounds
        // are lifted for it.
        db::Transaction tx(db);
        db.unboundWaitsInTransaction();
        // Nine gateways of five terminals, each watching the machine of its
        // gateway, with 400 slots a machine set up for two part numbers.
        bench::addMasterData(db, postgres, 9, [](int p) { return p % 2; });
        for (int p = 0; p < 2; ++p)
            db.exec(series("insert into component_set (line_id, part_no, mc_id, md_id, slot_code, comp_code)",
                           QStringLiteral("select 'L' || ((i / 400) % 3), 'P%1', 'M' || (i / 400), "
                                          "'D' || ((i % 400) / 100), 'S' || (i % 100), 'C' || (i % 500)")
                               .arg(p),
                           3600));
        db.exec(series("insert into slot_link (link_no, mc_id, md_id, slot_code)",
                       "select 'K' || i, 'M' || (i / 400), 'D' || ((i % 400) / 100), 'S' || (i % 100)", 3600));

        db.exec(series(
            "insert into check_history (line_id, part_no, mc_id, md_id, slot_code, comp_code, gw21_ip, dt200_id, "
            "check_value, check_time, update_user, update_time, vender_comp, ref_designator, polarity_check, lot_no, "
            "ship_date, rt_no, link_id, panel_no, qty, approve_value, approve_user)",
            QStringLiteral("select 'L' || (i %% 3), 'P' || (i %% 10), 'M' || (i %% 9), 'D' || (i %% 4), "
                           "'S' || (i %% 100), 'C' || (i %% 500), '10.0.0.' || (i %% 9), '00' || (i %% 5), "
                           "case when i %% 50 = 7 then '1' else '0' end, %1, 'U' || (i %% 20), %1, 'V' || (i %% 7), "
                           "'R' || (i %% 100), 'Y', 'LOT' || (i %% 1000), '2501', 'RT' || (i %% 300), 'LK' || i, "
                           "'' || (i %% 40), i %% 5000, '1', case when i %% 3 = 0 then 'U1' else null end")
                .replace(QStringLiteral("%%"), QStringLiteral("%"))
                .replace(QStringLiteral("%1"), spread(kChecks)),
            kChecks));
        db.exec(series("insert into error_history (line_id, part_no, mc_id, md_id, err_slot, err_comp, gw21_ip, "
                       "dt200_id, update_time, update_user, ref_designator, polarity_check, link_id)",
                       QStringLiteral("select 'L' || (i % 3), 'P' || (i % 10), 'M' || (i % 9), 'D' || (i % 4), "
                                      "'S' || (i % 100), 'C' || (i % 500), '10.0.0.' || (i % 9), '00' || (i % 5), "
                                      "%1, 'U' || (i % 20), 'R1', 'Y', 'LKE' || i")
                           .arg(spread(kErrors)),
                       kErrors));
        // Snapshots of 25 slots, each built into two boards.
        db.exec(series("insert into trace_path (self_no, line_id, mc_id, md_id, slot_code, comp_code, part_no, "
                       "vender_comp, ref_designator, polarity_check, lot_no, ship_date, rt_no, qty, link_id, "
                       "create_user, create_time, update_user, update_time)",
                       QStringLiteral("select '' || (1000000000 + i / 25), 'L' || (i % 3), 'M' || ((i / 25) % 9), "
                                      "'D' || (i % 4), 'S' || (i % 25), 'C' || (i % 500), 'P' || ((i / 25) % 10), "
                                      "'V1', 'R1', 'Y', 'LOT' || (i % 1000), '2501', 'RT' || (i % 300), 100, "
                                      "'LK' || i, 'SYSADMIN', %1, 'U1', %1")
                           .arg(snapshotTime(QStringLiteral("(i / 25)"))),
                       kSlots));
        db.exec(series("insert into trace_info (batch_no, panel_no, sn_no, self_no, update_user, update_time, "
                       "proj_id, part_no)",
                       QStringLiteral("select 'B' || (i / 20), '' || ((i / 2) % 10), 'SN' || i, "
                                      "'' || (1000000000 + i / 2), 'SYSADMIN', %1, 'PR0', 'P' || ((i / 2) % 10)")
                           .arg(snapshotTime(QStringLiteral("(i / 2)"))),
                       2 * kSlots / kSnapshotSlots));
        db.exec(QStringLiteral("analyze"));
        tx.commit();
    }
};

std::unique_ptr<Plant> g_plant[2];

Plant& plant(bool postgres)
{
    auto& p = g_plant[postgres ? 1 : 0];
    if (!p)
        p = std::make_unique<Plant>(postgres);
    // The screens read through the shared connection's settings.
    if (!Module1::gConn().isOpen() || Module1::gConn().settings().database != p->settings.database) {
        QString error;
        if (!Module1::gConn().open(p->settings, &error))
            qFatal("cannot open the bench database: %s", qPrintable(error));
    }
    return *p;
}

struct Search
{
    const char* name;
    std::function<QVector<query::Statement>()> statement;
    QueryRunner::Convert convert;
    QStringList headers;
};

std::vector<Search> searches()
{
    using namespace query;
    return {
        {"WIP/day", [] { wip::Filter f; f.window = kDay; return wip::searchInParts(f); }, wip::shownRow,
         wip::headers()},
        {"WIP/month", [] { wip::Filter f; f.window = kMonth; return wip::searchInParts(f); }, wip::shownRow,
         wip::headers()},
        {"WIP/month-in-one", [] { wip::Filter f; f.window = kMonth; return QVector{wip::search(f)}; }, wip::shownRow,
         wip::headers()},
        {"WIP/month/line+part", [] { wip::Filter f; f.window = kMonth; f.line = "L1"; f.part = "P4";
             return wip::searchInParts(f); }, wip::shownRow, wip::headers()},
        {"Trace/products/day", [] { return QVector{trace::products({"", "", "", kDay})}; }, trace::boardRow,
         trace::headers()},
        {"Trace/products/sn/year", [] { return QVector{trace::products({"", "", "SN1234", {kYear, kYear.addYears(1)}})}; },
         trace::boardRow, trace::headers()},
        {"Trace/materials/day", [] { return QVector{trace::materials({"", "", "", "", kDay})}; }, trace::materialRow,
         trace::headers()},
        {"Trace/materials/comp/month", [] { return QVector{trace::materials({"", "", "", "C42", kMonth})}; },
         trace::materialRow, trace::headers()},
        // Snapshot slot i holds component i % 500 of part number (i / 25) % 10: C42 is always P1's.
        {"Trace/boards-of-material/month", [] { return QVector{trace::boardsOfMaterial("C42", "P1", kMonth)}; },
         trace::boardRow, trace::headers()},
        {"Trace/snapshot/year", [] { return QVector{trace::snapshot("1000000900", {kYear, kYear.addYears(1)})}; },
         trace::materialRow, trace::headers()},
        {"DT200/all", [] { return QVector{terminal::search(kAll, kAll)}; }, terminal::shownRow, terminal::headers()},
        {"DT200/one", [] { return QVector{terminal::search("10.0.0.4", "002")}; }, terminal::shownRow, terminal::headers()},
        {"COMP/day", [] { return QVector{loading::search("PR1", "P3", kDay)}; }, loading::shownRow, loading::headers()},
        {"COMP/month", [] { return QVector{loading::search("PR1", "P3", kMonth)}; }, loading::shownRow, loading::headers()},
    };
}

// The statement runs and the first batch of rows is shown: what the user
// waits for, and the longest single step of a fill.
void FirstScreen(benchmark::State& state, bool postgres, Search s)
{
    plant(postgres);
    QueryModel model(s.headers, Qt::AlignLeft);
    const QVector<query::Statement> st = s.statement();
    for (auto _ : state) {
        model.clear();
        db::Cursor c = Module1::gConn().openCursor(st);
        QVector<query::ShownRow> rows;
        for (const auto& r : c.fetch(QueryRunner::kBatch))
            rows << s.convert(r);
        model.append(rows);
        c.close();
    }
}

// Every row through the screens' runner; counters: the rows and the longest
// time the event loop was kept from running.
void FullFill(benchmark::State& state, bool postgres, Search s)
{
    plant(postgres);
    QueryModel model(s.headers, Qt::AlignLeft);
    QueryRunner runner;
    const QVector<query::Statement> st = s.statement();
    double longest = 0;
    int rows = 0;
    for (auto _ : state) {
        QEventLoop loop;
        QElapsedTimer gap;
        QTimer probe;
        probe.setInterval(0);
        QObject::connect(&probe, &QTimer::timeout, [&] {
            longest = std::max(longest, double(gap.nsecsElapsed()) / 1e6);
            gap.restart();
        });
        QObject::connect(&runner, &QueryRunner::finished, &loop, &QEventLoop::quit);
        QObject::connect(&runner, &QueryRunner::failed, &loop, [&](const QString& e) {
            state.SkipWithError(qPrintable(e));
            loop.quit();
        });
        probe.start();
        gap.start();
        runner.start(&model, st, s.convert);
        longest = std::max(longest, double(gap.nsecsElapsed()) / 1e6);
        gap.restart();
        if (runner.running())
            loop.exec();
        probe.stop();
        QObject::disconnect(&runner, nullptr, &loop, nullptr);
        rows = model.rowCount();
    }
    state.counters["rows"] = rows;
    state.counters["max_block_ms"] = longest;
}

// The statement with its values written in, for EXPLAIN only (the values are
// this program's own).
QString inlined(const query::Statement& s)
{
    QString out;
    int p = 0;
    for (const QChar c : s.sql) {
        if (c == QLatin1Char('?') && p < s.params.size()) {
            const QVariant v = db::Dialect::bindValue(s.params.at(p++));
            out += QLatin1Char('\'') + v.toString() + QLatin1Char('\'');
        } else {
            out += c;
        }
    }
    return out;
}

void explain(bool postgres)
{
    plant(postgres);
    for (const Search& s : searches()) {
        // The first part of a search cut in parts stands for all of them.
        const query::Statement st = s.statement().first();
        std::printf("== %s / %s\n", postgres ? "postgres" : "sqlite", s.name);
        const QString sql = (postgres ? QStringLiteral("explain ") : QStringLiteral("explain query plan ")) + inlined(st);
        db::ResultSet rs = Module1::gConn().query(sql);
        for (; !rs.eof(); rs.moveNext())
            std::printf("   %s\n", qPrintable(postgres ? rs.text(0) : rs.text(rs.fieldCount() - 1)));
    }
}

} // namespace

int main(int argc, char** argv)
{
    bench::preferOffscreen();
    QApplication app(argc, argv);
    const QList<bool> engines = bench::engines();
    if (app.arguments().contains(QStringLiteral("--explain"))) {
        for (bool pg : engines)
            explain(pg);
        g_plant[0].reset();
        g_plant[1].reset();
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    for (bool pg : engines) {
        const std::string engine = bench::engineName(pg);
        for (const Search& s : searches()) {
            benchmark::RegisterBenchmark(("FirstScreen/" + engine + "/" + s.name).c_str(), FirstScreen, pg, s)
                ->Unit(benchmark::kMillisecond)
                ->MinTime(0.5);
            benchmark::RegisterBenchmark(("FullFill/" + engine + "/" + s.name).c_str(), FullFill, pg, s)
                ->Unit(benchmark::kMillisecond)
                ->Iterations(3);
        }
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_plant[0].reset();
    g_plant[1].reset();
    return 0;
}
