// The review screens on a busy month: 1,000,000 check_history rows over the
// 30 days before the workstation clock, generated once per engine. For each
// screen action: when its first rows show, when its list is whole, and the
// longest time the event loop was kept from running meanwhile (the time a
// terminal on the monitor waits for its answer at worst).
//
// Load S/N lists the last seven days of a project (about 115,000 checks),
// Throw QTY a part number over the month (100,000), Approve Report one
// terminal over the month (about 67,000). The component master holds 120,000
// further components, nine in ten under the vendor "NIL" that every new
// component gets, as a plant's master grows over the years.
#include "OPT_Approve_Report.h"
#include "OPT_Load_SN.h"
#include "OPT_Throw_QTY.h"
#include "QueryRunner.h"
#include "app/Module1.h"
#include "db/Database.h"
#include "db/Schema.h"

#include "BenchSupport.h"
#include "ScriptedPrompter.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QDateTimeEdit>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QTreeWidget>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <functional>
#include <memory>

namespace {

constexpr int kChecks = 1000000;
constexpr int kDays = 30;
constexpr int kSpareComponents = 120000;
const QDateTime kNow(QDate(2026, 3, 31), QTime(12, 0, 0));

struct Plant
{
    bench::ScratchDatabase scratch;
    bool postgres;

    explicit Plant(bool pg)
        : scratch(pg, QStringLiteral("trova_benchr"))
        , postgres(pg)
    {
        scratch.openAsProgramDatabase();
        QElapsedTimer t;
        t.start();
        fill(Module1::gConn());
        std::fprintf(stderr, "%s: data set generated in %.1f s\n", pg ? "postgres" : "sqlite", t.elapsed() / 1000.0);
    }

    ~Plant() { Module1::gConn().close(); }

    QString series(const QString& insert, const QString& select, int n) const
    {
        return bench::series(postgres, insert, select, n);
    }

    // Row i of n spread evenly over the month before the clock.
    QString spread() const
    {
        const QString secs = QStringLiteral("(i * %1 / %2)").arg(qint64(kDays) * 86400).arg(kChecks);
        const QString start = kNow.addDays(-kDays).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        if (postgres)
            return QStringLiteral("timestamp '%1' + %2 * interval '1 second'").arg(start, secs);
        return QStringLiteral("datetime('%1', '+' || %2 || ' seconds')").arg(start, secs);
    }

    void fill(db::Database& db)
    {
        // Filling a million rows is no statement of the program's: its bounds
        // are lifted for it.
        db::Transaction tx(db);
        db.unboundWaitsInTransaction();
        for (int p = 0; p < 2; ++p)
            db.exec(QStringLiteral("insert into proj_info (proj_id, proj_desc) values (?, ?)"),
                    {QStringLiteral("PR%1").arg(p), QStringLiteral("Project %1").arg(p)});
        bench::addMasterData(db, postgres, 3, [](int p) { return p / 5; });
        db.exec(series("insert into component_list (comp_code, comp_desc, group_id, method_type, vender_name)",
                       "select 'X' || i, 'Spare ' || i, 'G1', 'MP', case when i % 10 = 0 then 'V' || (i % 7) "
                       "else 'NIL' end",
                       kSpareComponents));
        db.exec(series("insert into component_set (line_id, part_no, mc_id, md_id, slot_code, comp_code)",
                       "select 'L' || (i / 400), 'P' || ((i / 100) % 10), 'M' || (i / 400), "
                       "'D' || ((i % 400) / 100), 'S' || (i % 100), 'C' || (i % 500)",
                       1200));
        db.exec(series(
            "insert into check_history (line_id, part_no, mc_id, md_id, slot_code, comp_code, gw21_ip, dt200_id, "
            "check_value, check_time, update_user, update_time, vender_comp, ref_designator, polarity_check, lot_no, "
            "ship_date, rt_no, link_id, panel_no, qty, approve_value)",
            QStringLiteral("select 'L' || (i %% 3), 'P' || (i %% 10), 'M' || (i %% 3), 'D' || (i %% 4), "
                           "'S' || (i %% 100), 'C' || (i %% 500), '10.0.0.' || (i %% 3), '00' || (i %% 5), "
                           "case when i %% 50 = 7 then '1' else '0' end, %1, 'U' || (i %% 20), %1, 'V' || (i %% 7), "
                           "'R' || (i %% 100), 'Y', 'LOT' || (i %% 1000), '2601', 'RT' || (i %% 300), 'LK' || i, "
                           "'' || (1000 + i / 1000), i %% 5000, '1'")
                .replace(QStringLiteral("%%"), QStringLiteral("%"))
                .replace(QStringLiteral("%1"), spread()),
            kChecks));
        // The program never analyses an SQLite database: its plans there are
        // those of a database without statistics.
        if (postgres)
            db.exec(QStringLiteral("analyze"));
        tx.commit();
    }
};

std::unique_ptr<Plant> g_plant[2];

void plant(bool postgres)
{
    auto& p = g_plant[postgres ? 1 : 0];
    if (!p) {
        g_plant[postgres ? 0 : 1].reset();
        p = std::make_unique<Plant>(postgres);
    }
}

// The rows a screen's list shows.
int listed(QAbstractItemView* view)
{
    return view->model() ? view->model()->rowCount() : 0;
}

// True while a list of the screen still fills.
bool filling(QWidget* screen)
{
    for (QueryRunner* r : screen->findChildren<QueryRunner*>()) {
        if (r->running())
            return true;
    }
    return false;
}

struct Measure
{
    double firstMs = 0; // the first rows show
    double wholeMs = 0; // the list is whole
    double longestMs = 0; // the longest the event loop waited
    int rows = 0;
};

// Runs the action from the event loop and turns the loop until the screen's
// lists stop filling, a probe timer noting every gap between two turns.
Measure measure(const std::function<QWidget*()>& action, const std::function<QAbstractItemView*()>& list)
{
    Measure m;
    QEventLoop loop;
    QElapsedTimer since;
    QElapsedTimer gap;
    QWidget* screen = nullptr;
    QTimer probe;
    probe.setInterval(0);
    auto note = [&] {
        m.longestMs = std::max(m.longestMs, gap.nsecsElapsed() / 1e6);
        gap.restart();
        if (!screen)
            return;
        if (m.firstMs == 0 && listed(list()) > 0)
            m.firstMs = since.nsecsElapsed() / 1e6;
        if (!filling(screen)) {
            m.wholeMs = since.nsecsElapsed() / 1e6;
            m.rows = listed(list());
            loop.quit();
        }
    };
    QObject::connect(&probe, &QTimer::timeout, note);
    QTimer::singleShot(0, [&] {
        gap.start();
        since.start();
        screen = action();
        note();
    });
    probe.start();
    gap.start();
    loop.exec();
    probe.stop();
    if (m.firstMs == 0)
        m.firstMs = m.wholeMs;
    return m;
}

void report(benchmark::State& state, const Measure& worst, double first, double whole, int runs)
{
    state.counters["rows"] = worst.rows;
    state.counters["first_ms"] = first / runs;
    state.counters["whole_ms"] = whole / runs;
    state.counters["max_block_ms"] = worst.longestMs;
}

void setWindow(QDateTimeEdit* from, QDateTimeEdit* to)
{
    from->setDateTime(kNow.addDays(-kDays));
    to->setDateTime(kNow);
}

// Waits for the lists the screen started on opening.
void settle(QWidget* screen)
{
    while (filling(screen))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

// Measures act on a screen that open made beforehand, untimed; without act,
// opening the screen is what is measured.
template <class Screen>
void run(benchmark::State& state, bool postgres, const std::function<std::unique_ptr<Screen>()>& open,
         const std::function<void(Screen*)>& act = {})
{
    plant(postgres);
    Measure worst;
    double first = 0;
    double whole = 0;
    int runs = 0;
    for (auto _ : state) {
        std::unique_ptr<Screen> screen;
        if (act) {
            state.PauseTiming();
            screen = open();
            settle(screen.get());
            state.ResumeTiming();
        }
        const Measure m = measure(
            [&] {
                if (act)
                    act(screen.get());
                else
                    screen = open();
                return screen.get();
            },
            [&] { return static_cast<QAbstractItemView*>(screen->LvData); });
        first += m.firstMs;
        whole += m.wholeMs;
        ++runs;
        worst.rows = m.rows;
        worst.longestMs = std::max(worst.longestMs, m.longestMs);
        state.PauseTiming();
        screen.reset();
        state.ResumeTiming();
    }
    report(state, worst, first, whole, runs);
}

// Opening the screen lists the first project's last seven days.
void LoadSN_Open(benchmark::State& state, bool postgres)
{
    run<OPT_Load_SN>(state, postgres, [] { return std::make_unique<OPT_Load_SN>(); });
}

// Save of a panel of the first project: the latest checks of its part
// numbers, the snapshot of every slot and the writes, every box answered
// Yes. The newest panel (1999), or one built three days before (1900), whose
// latest checks lie 100,000 checks back.
void LoadSN_Save(benchmark::State& state, bool postgres, const char* panel)
{
    static int serial = 0;
    run<OPT_Load_SN>(
        state, postgres,
        [panel] {
            auto s = std::make_unique<OPT_Load_SN>();
            s->txtBatch->setText(QStringLiteral("B1"));
            s->txtPanel->setText(QLatin1String(panel));
            s->lstSN->addItem(QStringLiteral("SN%1").arg(++serial));
            return s;
        },
        [](OPT_Load_SN* s) { s->cmdSave_Click(); });
}

// A search over the month after the boxes are chosen.
template <class Screen>
void Search(benchmark::State& state, bool postgres, const std::function<void(Screen*)>& choose)
{
    run<Screen>(
        state, postgres,
        [choose] {
            auto s = std::make_unique<Screen>();
            choose(s.get());
            setWindow(s->DTfrom, s->DTto);
            return s;
        },
        [](Screen* s) { s->cmdsearch_Click(); });
}

void ThrowQty_Search(benchmark::State& state, bool postgres)
{
    Search<OPT_Throw_QTY>(state, postgres, [](OPT_Throw_QTY* s) {
        s->cboProj->setCurrentText(QStringLiteral("PR0"));
        s->cboPart->setCurrentText(QStringLiteral("P1"));
    });
}

void Approve_Search(benchmark::State& state, bool postgres)
{
    Search<OPT_Approve_Report>(state, postgres, [](OPT_Approve_Report* s) {
        s->cboGW21->setCurrentText(QStringLiteral("10.0.0.1"));
        s->cboDT200->setCurrentText(QStringLiteral("001"));
    });
}

} // namespace

int main(int argc, char** argv)
{
    bench::preferOffscreen();
    QApplication app(argc, argv);
    Module1::setClock([] { return kNow; });
    testing::ScriptedPrompter answers; // every box answered with its first button
    msg::setPrompter(&answers);
    benchmark::Initialize(&argc, argv);
    for (bool pg : bench::engines()) {
        const std::string engine = bench::engineName(pg);
        benchmark::RegisterBenchmark(("LoadSN/open/" + engine).c_str(), LoadSN_Open, pg)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(2);
        benchmark::RegisterBenchmark(("LoadSN/save/" + engine).c_str(), LoadSN_Save, pg, "1999")
            ->Unit(benchmark::kMillisecond)
            ->Iterations(2);
        benchmark::RegisterBenchmark(("LoadSN/save-older-panel/" + engine).c_str(), LoadSN_Save, pg, "1900")
            ->Unit(benchmark::kMillisecond)
            ->Iterations(2);
        benchmark::RegisterBenchmark(("ThrowQTY/search/" + engine).c_str(), ThrowQty_Search, pg)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(2);
        benchmark::RegisterBenchmark(("ApproveReport/search/" + engine).c_str(), Approve_Search, pg)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(2);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_plant[0].reset();
    g_plant[1].reset();
    return 0;
}
