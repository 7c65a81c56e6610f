// The whole monitor under load: 9 simulated gateways carrying 50 terminals
// (the terminal table's limit) whose operators scan as fast as the answers
// come, through the real monitor screen, its sockets and the database,
// beside the bare insert of one check row on the same database in the same
// run. Reports verified component checks per second, their ratio to the bare
// insert rate, and the median and 99th percentile time from a scan to its
// answer. Then one terminal beside the long work of another screen on the
// same thread (a large export, a large import and the list read again after
// it, a screen opened on a long list, a Save on it): the longest wait for an
// answer meanwhile.
#include "ExcelExport.h"
#include "ExcelImport.h"
#include "Mtc_Line.h"
#include "OPT_Run.h"
#include "QUERY_WIP.h"
#include "QueryModel.h"
#include "ScriptedPrompter.h"
#include "SimGateway.h"
#include "SimOperator.h"
#include "TestFiles.h"

#include "BenchSupport.h"
#include "app/AppControl.h"
#include "app/Module1.h"
#include "terminal/TerminalTable.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTcpSocket>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <memory>

using namespace gwsim;
using Module1::gConn;

namespace {

constexpr int kGateways = 9;
constexpr int kTerminals = 50;
constexpr int kSlots = 20;
constexpr int kHistory = 20000;
constexpr int kExportRows = 300000;
constexpr int kImportRows = 150000;
constexpr int kListRows = 300000;

QString gateway(int g)
{
    return loopbackAddress(g).toString();
}

int terminalsOn(int g)
{
    return kTerminals / kGateways + (g < kTerminals % kGateways ? 1 : 0);
}

QString slotBarcode(int g, int s)
{
    return QStringLiteral("B%1%2").arg(g).arg(s, 2, 10, QLatin1Char('0'));
}

QString label(int s)
{
    return QStringLiteral("LK%1").arg(s, 2, 10, QLatin1Char('0'));
}

struct Plant
{
    bench::ScratchDatabase scratch;
    std::vector<std::unique_ptr<SimGateway>> gateways;
    std::vector<std::unique_ptr<SimOperator>> operators;
    std::unique_ptr<OPT_Run> screen;
    bool started = false;

    explicit Plant(bool postgres)
        : scratch(postgres, QStringLiteral("trova_bench_mon"))
    {
        scratch.openAsProgramDatabase();
        fill();
        listen();
        monitor::gTerminals().clear();
        screen = std::make_unique<OPT_Run>();
        for (int g = 0; g < kGateways; ++g)
            operatorsFor(g);
    }

    ~Plant()
    {
        for (int i = 1; i <= OPT_Run::kGateways; ++i)
            if (screen->cmdStart(i)->text() == QLatin1String("Stop"))
                screen->cmdStart_Click(i);
        screen.reset();
        operators.clear();
        gateways.clear();
        gConn().close();
    }

    void fill()
    {
        db::Database& db = gConn();
        db::Transaction tx(db);
        db.exec(QStringLiteral("insert into user_list (user_id, user_name) values ('U1', 'Operator')"));
        for (int s = 1; s <= kSlots; ++s) {
            db.exec(QStringLiteral("insert into component_link (link_id, comp_code, vender_name, lot_no, ship_date, "
                                   "rt_no) values (?, ?, 'V1', 'LOT', '2401', 'RT')"),
                    {label(s), QStringLiteral("C%1").arg(s)});
            db.exec(QStringLiteral("insert into component_proj (proj_id, part_no, group_id, comp_code, "
                                   "ref_designator, polarity_check) values ('PRJ', 'P1', 'G1', ?, 'R1', 'Y')"),
                    {QStringLiteral("C%1").arg(s)});
        }
        for (int g = 0; g < kGateways; ++g) {
            const QString line = QStringLiteral("L%1").arg(g);
            const QString mc = QStringLiteral("M%1").arg(g);
            for (int t = 1; t <= terminalsOn(g); ++t)
                db.exec(QStringLiteral("insert into line_set (line_id, proj_id, part_no, mc_id, gw21_ip, dt200_id) "
                                       "values (?, 'PRJ', 'P1', ?, ?, ?)"),
                        {line, mc, gateway(g), QStringLiteral("%1").arg(t, 3, 10, QLatin1Char('0'))});
            for (int s = 1; s <= kSlots; ++s) {
                const QString slot = QStringLiteral("S%1").arg(s);
                db.exec(QStringLiteral("insert into slot_link (link_no, mc_id, md_id, slot_code) values (?, ?, 'MD1', ?)"),
                        {slotBarcode(g, s), mc, slot});
                db.exec(QStringLiteral("insert into component_set (line_id, part_no, mc_id, md_id, slot_code, "
                                       "comp_code) values (?, 'P1', ?, 'MD1', ?, ?)"),
                        {line, mc, slot, QStringLiteral("C%1").arg(s)});
            }
        }
        for (int i = 0; i < kHistory; ++i)
            db.exec(QStringLiteral("insert into check_history (line_id, part_no, mc_id, md_id, slot_code, comp_code, "
                                   "gw21_ip, dt200_id, check_value, check_time, update_user, update_time, link_id) "
                                   "values ('L0', 'P1', 'M0', 'MD1', ?, 'C1', ?, '001', '0', sysdate, 'U1', sysdate, "
                                   "?)"),
                    {QStringLiteral("S%1").arg(i % kSlots + 1), gateway(i % kGateways), label(i % kSlots + 1)});
        tx.commit();
        if (db.engine() == db::Engine::PostgreSQL)
            db.exec(QStringLiteral("analyze"));
    }

    void listen()
    {
        for (int attempt = 0; attempt < 20; ++attempt) {
            gateways.clear();
            quint16 port = 0;
            bool ok = true;
            for (int g = 0; g < kGateways && ok; ++g) {
                auto gw = std::make_unique<SimGateway>();
                ok = gw->listen(loopbackAddress(g), port);
                port = gw->port();
                gateways.push_back(std::move(gw));
            }
            if (ok) {
                Module1::settings().gatewayPort = port;
                return;
            }
        }
        qFatal("no port for the simulated gateways");
    }

    void operatorsFor(int g)
    {
        for (int t = 1; t <= terminalsOn(g); ++t) {
            TerminalPlan plan;
            plan.terminal = t;
            plan.user = QStringLiteral("U1");
            plan.partNo = QStringLiteral("P1");
            // Terminals of one gateway start on different slots.
            for (int s = 0; s < kSlots; ++s) {
                const int slot = 1 + (s + t) % kSlots;
                plan.slots << TerminalPlan::Slot{slotBarcode(g, slot), label(slot), label(1 + slot % kSlots)};
            }
            operators.push_back(std::make_unique<SimOperator>(*gateways[size_t(g)], plan, Scenario::Good, 1 << 30));
        }
    }

    // Connects every gateway and lets every operator begin; with one, only
    // the first terminal.
    void start(bool one = false)
    {
        if (started)
            return;
        started = true;
        for (int i = 1; i <= OPT_Run::kGateways; ++i)
            screen->cmdStart_Click(i);
        QElapsedTimer wait;
        wait.start();
        auto allConnected = [&] {
            for (auto& gw : gateways)
                if (!gw->hasClient())
                    return false;
            return true;
        };
        while (!allConnected() && wait.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (!allConnected())
            qFatal("the monitor did not connect to every gateway");
        for (auto& op : operators) {
            op->start();
            if (one)
                break;
        }
    }

    long long checks() const
    {
        long long n = 0;
        for (auto& op : operators)
            n += op->checks();
        return n;
    }
    long long rejections() const
    {
        long long n = 0;
        for (auto& op : operators)
            n += op->rejections();
        return n;
    }
};

std::unique_ptr<Plant> g_plant;
bool g_plantPg = false;
bool g_plantOne = false;
double g_bareRate[2] = {0, 0};

// The plant of the engine; one: a plant whose only scanning terminal is the
// first one.
Plant& plant(bool postgres, bool one = false)
{
    if (!g_plant || g_plantPg != postgres || g_plantOne != one) {
        g_plant.reset();
        g_plant = std::make_unique<Plant>(postgres);
        g_plantPg = postgres;
        g_plantOne = one;
    }
    return *g_plant;
}

void BareInsert(benchmark::State& state, bool postgres)
{
    plant(postgres);
    const QString sql = QStringLiteral(
        "insert into check_history (line_id, part_no, mc_id, md_id, slot_code, comp_code, gw21_ip, dt200_id, "
        "check_value, check_time, update_user, update_time, vender_comp, ref_designator, polarity_check, lot_no, "
        "ship_date, rt_no, link_id, panel_no) "
        "values (?, ?, ?, ?, ?, ?, ?, ?, '0', sysdate, ?, sysdate, ?, ?, ?, ?, ?, ?, ?, ?)");
    const QVariantList values = {"L0", "P1", "M0", "MD1", "S1", "C1", gateway(0), "001", "U1", "V1",
                                 "R1", "Y",  "LOT", "2401", "RT", label(1), "1"};
    QElapsedTimer clock;
    clock.start();
    long long n = 0;
    for (auto _ : state) {
        gConn().exec(sql, values);
        ++n;
    }
    g_bareRate[postgres] = double(n) / (double(clock.nsecsElapsed()) / 1e9);
    state.SetItemsProcessed(state.iterations());
}

// One iteration: the event loop runs until kTerminals more component checks
// are answered.
void MonitorLoad(benchmark::State& state, bool postgres)
{
    Plant& p = plant(postgres);
    p.start();
    // Warm up: every terminal through its first checks.
    const long long warm = p.checks() + 2 * kTerminals;
    while (p.checks() < warm)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    for (auto& op : p.operators)
        op->clearAnswerTimes();
    const long long first = p.checks();
    const long long rejectedBefore = p.rejections();
    QElapsedTimer clock;
    clock.start();
    for (auto _ : state) {
        const long long target = p.checks() + kTerminals;
        while (p.checks() < target)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    const double secs = double(clock.nsecsElapsed()) / 1e9;
    const double rate = double(p.checks() - first) / secs;
    QList<qint64> times;
    for (auto& op : p.operators)
        times += op->answerTimes();
    std::sort(times.begin(), times.end());
    const auto at = [&](double q) { return times.isEmpty() ? 0.0 : double(times.at(qsizetype(q * (times.size() - 1)))); };
    state.SetItemsProcessed(p.checks() - first);
    state.counters["checks_per_s"] = rate;
    // Every answered scan: the slot barcode and the label of each check.
    state.counters["scans_per_s"] = double(times.size()) / secs;
    state.counters["bare_over_scans"] = times.isEmpty() ? 0 : g_bareRate[postgres] / (double(times.size()) / secs);
    state.counters["bare_inserts_per_s"] = g_bareRate[postgres];
    state.counters["bare_over_checks"] = rate > 0 ? g_bareRate[postgres] / rate : 0;
    state.counters["median_us"] = at(0.5);
    state.counters["p99_us"] = at(0.99);
    state.counters["p99_over_median"] = at(0.5) > 0 ? at(0.99) / at(0.5) : 0;
    state.counters["rejections"] = double(p.rejections() - rejectedBefore);
}

// The first terminal scans while work runs on the screen thread; the
// counters: the longest time from a scan to its answer meanwhile, the
// answers, and how long the work took.
void timeBeside(benchmark::State& state, Plant& p, const std::function<void()>& before,
                const std::function<void()>& work)
{
    p.start(true);
    SimOperator& op = *p.operators.front();
    const long long warm = op.checks() + 2;
    while (op.checks() < warm)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    qint64 longest = 0;
    double workSecs = 0;
    qsizetype answers = 0;
    for (auto _ : state) {
        state.PauseTiming();
        before();
        op.clearAnswerTimes();
        state.ResumeTiming();
        QElapsedTimer clock;
        clock.start();
        work();
        workSecs += double(clock.nsecsElapsed()) / 1e9;
        // The scan waiting when the work ended is answered now.
        QElapsedTimer after;
        after.start();
        while (after.elapsed() < 300)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        for (qint64 us : op.answerTimes())
            longest = std::max(longest, us);
        answers += op.answerTimes().size();
    }
    state.counters["longest_answer_ms"] = double(longest) / 1000.0;
    state.counters["answers"] = double(answers);
    state.counters["work_s"] = workSecs / double(state.iterations());
}

testing::ScriptedPrompter& benchPrompter()
{
    static testing::ScriptedPrompter p;
    return p;
}

// A WIP list of kExportRows checks, coloured by result, exported.
void AnswerBesideExport(benchmark::State& state, bool postgres)
{
    Plant& p = plant(postgres, true);
    QUERY_WIP wip;
    QVector<query::ShownRow> rows;
    const int columns = wip.model()->columnCount() - 1;
    rows.reserve(kExportRows);
    for (int r = 0; r < kExportRows; ++r) {
        query::ShownRow row;
        row.kind = QString::number(r % 4);
        for (int c = 0; c < columns; ++c)
            row.cells << QStringLiteral("V%1-%2").arg(r).arg(c);
        rows << row;
    }
    wip.model()->append(rows);
    rows.clear();
    Module1::setExportFolder(p.scratch.folder());
    Module1::setWorkbookOpener([](const QString& path) {
        QFile::remove(path);
        return true;
    });
    timeBeside(state, p, [] { benchPrompter().clear(); }, [&wip] { wip.cmdexport_Click(); });
    Module1::setExportFolder(QString());
}

// A Line Define workbook of kImportRows new lines, imported on the screen,
// up to its messages and the screen's reload of its whole list
// (list_reload_ms: how long that reload took).
void AnswerBesideImport(benchmark::State& state, bool postgres)
{
    Plant& p = plant(postgres, true);
    QList<QStringList> sheet{{QStringLiteral("Line ID"), QStringLiteral("Line Description")}};
    for (int r = 0; r < kImportRows; ++r)
        sheet << QStringList{QStringLiteral("X%1").arg(r, 6, 10, QLatin1Char('0')), QStringLiteral("Line %1").arg(r)};
    const QString path = testing::writeSheet(QDir(p.scratch.folder()).filePath(QStringLiteral("lines.xlsx")), sheet);
    sheet.clear();
    Mtc_Line screen;
    // The screen's own layout: one key column, one column updated.
    workbook::ImportLayout layout;
    layout.table = QStringLiteral("line_info");
    layout.columns = {{QStringLiteral("line_id")}, {QStringLiteral("line_desc")}};
    layout.keyColumns = {QStringLiteral("line_id")};
    layout.updateColumns = {QStringLiteral("line_desc")};
    workbook::ImportOutcome out;
    qint64 reloadMs = 0;
    const auto reload = [&] {
        QElapsedTimer took;
        took.start();
        screen.LoadData();
        reloadMs = took.elapsed();
    };
    timeBeside(
        state, p,
        [&] {
            gConn().exec(QStringLiteral("delete from line_info where line_id like 'X%'"));
            benchPrompter().clear();
        },
        [&] { out = Module1::ImportExcelFile(path, layout, reload, &screen); });
    gConn().exec(QStringLiteral("delete from line_info where line_id like 'X%'"));
    if (out.stored != kImportRows)
        state.SkipWithError("the import did not store every row");
    state.counters["list_reload_ms"] = double(reloadMs);
}

// kListRows more lines (and a user named on each, as the screen joins them),
// for the benches of a long list; gone again when this goes.
struct LongLineList
{
    explicit LongLineList(bool postgres)
    {
        gConn().exec(bench::series(postgres,
                                   QStringLiteral("insert into line_info (line_id, line_desc, update_user, update_time)"),
                                   QStringLiteral("select 'Y' || i, 'Line of the long list ' || i, 'U1', sysdate"),
                                   kListRows));
        // The set-up's writes are checkpointed here, not by the first check
        // the monitor commits while it is timed.
        gConn().exec(postgres ? QStringLiteral("analyze") : QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    }
    ~LongLineList() { gConn().exec(QStringLiteral("delete from line_info where line_id like 'Y%' or line_id = 'ZZ1'")); }
};

// Line Define opened on kListRows lines, up to its list shown whole.
void AnswerBesideOpen(benchmark::State& state, bool postgres)
{
    Plant& p = plant(postgres, true);
    const LongLineList lines(postgres);
    std::unique_ptr<Mtc_Line> screen;
    timeBeside(state, p, [&] { screen.reset(); }, [&] { screen = std::make_unique<Mtc_Line>(); });
    if (!screen || screen->msfgLine->rowCount() < kListRows)
        state.SkipWithError("the list is not whole");
    screen.reset();
}

// A new line saved on Line Define listing kListRows lines: the insert and
// the reload of the list.
void AnswerBesideSave(benchmark::State& state, bool postgres)
{
    Plant& p = plant(postgres, true);
    const LongLineList lines(postgres);
    Mtc_Line screen;
    timeBeside(
        state, p,
        [&] {
            gConn().exec(QStringLiteral("delete from line_info where line_id = 'ZZ1'"));
            screen.cmdNew_Click();
            screen.txtID->setText(QStringLiteral("ZZ1"));
            screen.txtDesc->setText(QStringLiteral("saved beside the monitor"));
        },
        [&] { screen.cmdSave_Click(); });
    if (screen.msfgLine->rowCount() < kListRows + 1)
        state.SkipWithError("the list is not whole");
}

// The common case: Line Define opened on a short list (20 lines), alone.
void OpenShortList(benchmark::State& state, bool postgres)
{
    plant(postgres, true);
    gConn().exec(bench::series(postgres, QStringLiteral("insert into line_info (line_id, line_desc, update_user)"),
                               QStringLiteral("select 'S' || i, 'Short list ' || i, 'U1'"), 20));
    for (auto _ : state) {
        Mtc_Line screen;
        benchmark::DoNotOptimize(screen.msfgLine->rowCount());
    }
    gConn().exec(QStringLiteral("delete from line_info where line_id like 'S%'"));
}

} // namespace

int main(int argc, char** argv)
{
    // As the program starts.
    app::mergeFreedMemoryAtOnce();
    bench::preferOffscreen();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    msg::setPrompter(&benchPrompter());
    const QList<bool> engines = bench::engines();
    for (bool pg : engines) {
        const std::string name = bench::engineName(pg);
        benchmark::RegisterBenchmark(("BareInsert/" + name).c_str(), BareInsert, pg)
            ->Unit(benchmark::kMicrosecond)
            ->MinTime(2.0)
            ->UseRealTime();
        benchmark::RegisterBenchmark(("MonitorLoad/" + name).c_str(), MonitorLoad, pg)
            ->Unit(benchmark::kMillisecond)
            ->MinTime(5.0)
            ->UseRealTime();
        benchmark::RegisterBenchmark(("AnswerBesideExport/" + name).c_str(), AnswerBesideExport, pg)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1)
            ->UseRealTime();
        benchmark::RegisterBenchmark(("AnswerBesideImport/" + name).c_str(), AnswerBesideImport, pg)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1)
            ->UseRealTime();
        benchmark::RegisterBenchmark(("OpenShortList/" + name).c_str(), OpenShortList, pg)
            ->Unit(benchmark::kMillisecond)
            ->MinTime(3.0)
            ->UseRealTime();
        benchmark::RegisterBenchmark(("AnswerBesideOpen/" + name).c_str(), AnswerBesideOpen, pg)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1)
            ->UseRealTime();
        benchmark::RegisterBenchmark(("AnswerBesideSave/" + name).c_str(), AnswerBesideSave, pg)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1)
            ->UseRealTime();
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_plant.reset();
    return 0;
}
