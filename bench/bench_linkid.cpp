// Registering one component lot: the next link identifier plus the insert in
// a transaction serialised against other workstations, beside a bare insert
// of the same row, on SQLite and on PostgreSQL. The bare insert is the floor;
// the allocation should stay within a small multiple of it.
#include "BenchSupport.h"
#include "db/Database.h"
#include "material/ComponentLots.h"
#include "material/LinkId.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

constexpr int kStoredLots = 20000;
// Rows of the benchmark's own prefix are removed well before the last sequence number.
constexpr int kClearEvery = 9000;

const QString kInsert = QStringLiteral(
    "insert into component_link (link_id, comp_code, vender_name, vender_desc, lot_no, ship_date, rt_no, proj_id, "
    "part_no, ref_designator, polarity_check, update_user, update_time) "
    "values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, sysdate)");

material::Lot sampleLot()
{
    material::Lot l;
    l.compCode = QStringLiteral("C0001");
    l.venderName = QStringLiteral("V1");
    l.venderDesc = QStringLiteral("Vendor one");
    l.lotNo = QStringLiteral("LOT-2024-0001");
    l.shipDate = QStringLiteral("2449");
    l.rtNo = QStringLiteral("RT-77");
    l.projId = QStringLiteral("PRJ");
    l.partNo = QStringLiteral("PN-1");
    l.refDesignator = QStringLiteral("F");
    l.polarityCheck = QStringLiteral("Y");
    return l;
}

QVariantList values(const QString& id, const material::Lot& l)
{
    return {id, l.compCode, l.venderName, l.venderDesc, l.lotNo, l.shipDate, l.rtNo, l.projId, l.partNo,
            l.refDesignator, l.polarityCheck, QStringLiteral("BENCH")};
}

// A database holding kStoredLots lots of earlier days.
struct Store
{
    bench::ScratchDatabase scratch;
    db::Database db;

    explicit Store(bool postgres)
        : scratch(postgres, QStringLiteral("trova_bench_link"))
    {
        scratch.open(db);
        db::Transaction tx(db);
        const material::Lot l = sampleLot();
        for (int i = 0; i < kStoredLots; ++i) {
            // Both types on 28 days of an earlier month, 358 lots each.
            const QString id = QStringLiteral("%1301%2%3")
                                   .arg(i % 2)
                                   .arg((i / 2) % 28 + 1, 2, 10, QLatin1Char('0'))
                                   .arg(i / 56 + 1, 4, 10, QLatin1Char('0'));
            db.exec(kInsert, values(id, l));
        }
        tx.commit();
        if (db.engine() == db::Engine::PostgreSQL)
            db.exec(QStringLiteral("analyze"));
    }

    ~Store() { db.close(); }

    void clear(const QString& from, const QString& to)
    {
        db.exec(QStringLiteral("delete from component_link where link_id >= ? and link_id < ?"), {from, to});
    }
};

std::unique_ptr<Store> g_store[2];

Store& store(bool postgres)
{
    auto& s = g_store[postgres ? 1 : 0];
    if (!s)
        s = std::make_unique<Store>(postgres);
    return *s;
}

void AllocateAndInsert(benchmark::State& state, bool postgres)
{
    Store& s = store(postgres);
    const material::Lot base = sampleLot();
    const QString prefix = material::LinkPrefix(material::LotType::PCBA, s.db.serverNow().date());
    s.clear(prefix, prefix + QStringLiteral("~"));
    int n = 0;
    for (auto _ : state) {
        if (++n % kClearEvery == 0) {
            state.PauseTiming();
            s.clear(prefix, prefix + QStringLiteral("~"));
            state.ResumeTiming();
        }
        material::Lot l = base;
        l.linkId = material::NextLinkId(s.db, material::LotType::PCBA);
        const QString stored = material::InsertLot(s.db, l, QStringLiteral("BENCH"));
        benchmark::DoNotOptimize(stored);
    }
    s.clear(prefix, prefix + QStringLiteral("~"));
    state.SetItemsProcessed(state.iterations());
}

void BareInsert(benchmark::State& state, bool postgres)
{
    Store& s = store(postgres);
    const material::Lot l = sampleLot();
    s.clear(QStringLiteral("9"), QStringLiteral(":"));
    int n = 0;
    for (auto _ : state) {
        if (++n % kClearEvery == 0) {
            state.PauseTiming();
            s.clear(QStringLiteral("9"), QStringLiteral(":"));
            state.ResumeTiming();
        }
        s.db.exec(kInsert, values(QStringLiteral("9%1").arg(n, 9, 10, QLatin1Char('0')), l));
    }
    s.clear(QStringLiteral("9"), QStringLiteral(":"));
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
        benchmark::RegisterBenchmark((std::string("AllocateAndInsert/") + name).c_str(), AllocateAndInsert, pg)
            ->Unit(benchmark::kMicrosecond)
            ->MinTime(2.0);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (auto& s : g_store)
        s.reset();
    return 0;
}
