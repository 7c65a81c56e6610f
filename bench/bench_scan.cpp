// One verified component scan (frame in, answer frames out, check row stored)
// beside a bare insert of the same check row, on SQLite and on PostgreSQL.
// The insert is the floor of the work; the lookups of a scan should stay a
// fraction of it.
#include "db/Database.h"
#include "terminal/FrameCodec.h"
#include "terminal/ScanDialogue.h"
#include "terminal/TerminalTable.h"

#include "BenchSupport.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>
#include <memory>

using namespace monitor;

namespace {

const QString kGw = QStringLiteral("10.1.1.1");
constexpr int kSlots = 400;
constexpr int kLabels = 4000;
constexpr int kHistory = 20000;

struct Null : TerminalLink
{
    int frames = 0;
    bool sendFrame(const QByteArray&, QString*) override
    {
        ++frames;
        return true;
    }
};

QByteArray dataFrame(int terminal, const QByteArray& payload)
{
    QByteArray f = QByteArray(7, '\0') + char(terminal) + char(0x01) + payload + "\r\n";
    f[0] = char(f.size());
    return f;
}

QString num(const char* prefix, int i)
{
    return QStringLiteral("%1%2").arg(QLatin1String(prefix)).arg(i, 4, 10, QLatin1Char('0'));
}

// A line with kSlots slots set up, kLabels registered labels and a history
// already kHistory checks long; terminal 5 stands at the component step.
struct Plant
{
    bench::ScratchDatabase scratch;
    db::Database db;
    TerminalTable table;
    std::unique_ptr<ScanDialogue> dialogue;
    Null link;

    explicit Plant(bool postgres)
        : scratch(postgres, QStringLiteral("trova_bench"))
    {
        scratch.open(db);
        fill();
        table.LoadDevices(db);
        dialogue = std::make_unique<ScanDialogue>(db, table);
        for (const char* scan : {"U1", "P1", "0", "B0001"}) {
            if (scan == QLatin1String("U1")) {
                QByteArray f7 = QByteArray(7, '\0') + char(5) + char(0) + char(0x41);
                f7[0] = char(f7.size());
                dialogue->ProcessTerminalData(f7, kGw, link);
            }
            dialogue->ProcessTerminalData(dataFrame(5, scan), kGw, link);
        }
        if (terminal().step != StepComponent)
            qFatal("the terminal did not reach the component step");
    }

    ~Plant() { db.close(); }

    TerminalInfo& terminal() { return table.row(table.FindDevice(5, kGw)); }

    void fill()
    {
        db::Transaction tx(db);
        db.exec(QStringLiteral("insert into user_list (user_id, user_name) values (?, ?)"), {"U1", "Operator"});
        for (int t = 1; t <= 40; ++t)
            db.exec(QStringLiteral("insert into line_set (line_id, proj_id, part_no, mc_id, gw21_ip, dt200_id) "
                                   "values (?, ?, ?, ?, ?, ?)"),
                    {"L1", "PRJ", t % 4 ? "P1" : "P2", num("M", t % 4), kGw,
                     QStringLiteral("%1").arg(t, 3, 10, QLatin1Char('0'))});
        for (int i = 1; i <= kSlots; ++i) {
            const QString mc = num("M", 1);
            db.exec(QStringLiteral("insert into slot_link (link_no, mc_id, md_id, slot_code) values (?, ?, ?, ?)"),
                    {num("B", i), mc, num("D", i / 40), num("S", i)});
            for (const char* part : {"P1", "P2"})
                db.exec(QStringLiteral("insert into component_set (line_id, part_no, mc_id, md_id, slot_code, "
                                       "comp_code) values (?, ?, ?, ?, ?, ?)"),
                        {"L1", part, mc, num("D", i / 40), num("S", i), num("C", i)});
        }
        for (int i = 1; i <= kSlots; ++i)
            db.exec(QStringLiteral("insert into component_proj (proj_id, part_no, group_id, comp_code, "
                                   "ref_designator, polarity_check) values (?, ?, ?, ?, ?, ?)"),
                    {"PRJ", "P1", "G1", num("C", i), QStringLiteral("R%1").arg(i), "Y"});
        for (int i = 1; i <= kLabels; ++i)
            db.exec(QStringLiteral("insert into component_link (link_id, comp_code, vender_comp, vender_name, "
                                   "vender_desc, lot_no, ship_date, rt_no) values (?, ?, ?, ?, ?, ?, ?, ?)"),
                    {num("LK", i), num("C", 1 + i % kSlots), "VC", "V1", "VD", "LOT", "2401", "RT"});
        for (int i = 0; i < kHistory; ++i)
            db.exec(QStringLiteral("insert into check_history (line_id, part_no, mc_id, md_id, slot_code, "
                                   "comp_code, gw21_ip, dt200_id, check_value, check_time, update_user, "
                                   "update_time, link_id) values (?, ?, ?, ?, ?, ?, ?, ?, '0', sysdate, ?, "
                                   "sysdate, ?)"),
                    {"L1", "P1", "M0001", num("D", i % 10), num("S", i % kSlots), num("C", i % kSlots), kGw,
                     "005", "U1", num("LK", i % kLabels)});
        tx.commit();
        if (db.engine() == db::Engine::PostgreSQL)
            db.exec(QStringLiteral("analyze"));
    }
};

std::unique_ptr<Plant> g_plant[2];

Plant& plant(bool postgres)
{
    auto& p = g_plant[postgres ? 1 : 0];
    if (!p)
        p = std::make_unique<Plant>(postgres);
    return *p;
}

// The label of the slot B0001: C0001 is expected there, LK0400 carries it.
const QByteArray kLabel = dataFrame(5, "LK0400");

void VerifiedScan(benchmark::State& state, bool postgres)
{
    Plant& p = plant(postgres);
    for (auto _ : state) {
        p.terminal().step = StepComponent;
        const FrameResult r = p.dialogue->ProcessTerminalData(kLabel, kGw, p.link);
        if (r.termError != 0)
            state.SkipWithError("the scan was not a match");
    }
    state.SetItemsProcessed(state.iterations());
}

void BareInsert(benchmark::State& state, bool postgres)
{
    Plant& p = plant(postgres);
    const TerminalInfo& t = p.terminal();
    const QString sql = QStringLiteral(
        "insert into check_history (line_id, part_no, mc_id, md_id, slot_code, comp_code, gw21_ip, dt200_id, "
        "check_value, check_time, update_user, update_time, vender_comp, ref_designator, polarity_check, lot_no, "
        "ship_date, rt_no, link_id, panel_no) "
        "values (?, ?, ?, ?, ?, ?, ?, ?, '0', sysdate, ?, sysdate, ?, ?, ?, ?, ?, ?, ?, ?)");
    const QVariantList values = {t.line_id, t.part_no, t.mc_id,  t.md_id, t.slot_code, "C0001", t.gw21_ip,
                                 t.dt200_id, t.user_id, "V1",    "R1",    "Y",         "LOT",  "2401",
                                 "RT",      "LK0400",  t.panel_no};
    for (auto _ : state)
        p.db.exec(sql, values);
    state.SetItemsProcessed(state.iterations());
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    const QList<bool> engines = bench::engines();
    for (bool pg : engines) {
        const char* name = bench::engineName(pg);
        benchmark::RegisterBenchmark((std::string("BareInsert/") + name).c_str(), BareInsert, pg)
            ->Unit(benchmark::kMicrosecond)
            ->MinTime(2.0);
        benchmark::RegisterBenchmark((std::string("VerifiedScan/") + name).c_str(), VerifiedScan, pg)
            ->Unit(benchmark::kMicrosecond)
            ->MinTime(2.0);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (auto& p : g_plant)
        p.reset();
    return 0;
}
