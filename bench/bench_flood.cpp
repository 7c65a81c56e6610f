// A well-behaved gateway beside a hostile one, through the real monitor
// screen and its sockets. The well-behaved gateway's operator presses F7
// every 20 ms and waits for the prompt; the other gateway writes small valid
// frames (F4 and start-up frames) as fast as its link takes them and never
// reads its answers, or writes data frames of 1 MB. Reports the operator's
// median and worst answer time alone, beside the flood and beside the large
// frames, the bytes the hostile gateway wrote and the monitor's resident
// memory at the end of each phase.
#include "OPT_Run.h"
#include "FloodGateway.h"
#include "SimGateway.h"

#include "BenchSupport.h"
#include "app/Module1.h"
#include "terminal/TerminalTable.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <memory>
#include <unistd.h>

using namespace gwsim;
using Module1::gConn;

namespace {

constexpr int kPhaseMs = 5000;
constexpr int kPaceMs = 20;

// Resident memory of this process in MB.
double residentMb()
{
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = f.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toDouble() * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0) : 0;
}

enum class Hostile { Flood, LargeFrames };

// What a hostile gateway writes: small valid frames (F4 and start-up frames)
// as fast as its link takes them, or terminal 1 started and then scanning
// 1 MB user ids.
void runHostile(FloodGateway& gw, Hostile kind)
{
    if (kind == Hostile::Flood) {
        QByteArray chunk;
        while (chunk.size() < 64 * 1024)
            chunk += keyFrame(5, 4) + startupFrame(6);
        gw.run(QByteArray(), chunk);
    } else {
        gw.run(keyFrame(1, 7), dataFrame(1, QByteArray(1 << 20, '7')));
    }
}

struct Times
{
    double median = 0;
    double worst = 0;
    int answered = 0;
    int lost = 0;
};

// The operator of terminal 1 on the well-behaved gateway presses F7 every
// kPaceMs for kPhaseMs and times each prompt.
Times operatorTimes(SimGateway& gw)
{
    QList<double> ms;
    int lost = 0;
    QElapsedTimer phase;
    phase.start();
    while (phase.elapsed() < kPhaseMs) {
        // Timed when the prompt arrives, not when the loop below looks.
        double took = -1;
        QElapsedTimer answer;
        const QMetaObject::Connection c = QObject::connect(&gw, &SimGateway::displayed, [&](int terminal) {
            if (terminal == 1 && took < 0)
                took = double(answer.nsecsElapsed()) / 1e6;
        });
        answer.start();
        gw.send(keyFrame(1, 7));
        while (took < 0 && answer.elapsed() < 20000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QObject::disconnect(c);
        if (took < 0)
            ++lost;
        else
            ms << took;
        QElapsedTimer pace;
        pace.start();
        while (pace.elapsed() < kPaceMs)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    std::sort(ms.begin(), ms.end());
    Times t;
    t.answered = int(ms.size());
    t.lost = lost;
    if (!ms.isEmpty()) {
        t.median = ms.at(ms.size() / 2);
        t.worst = ms.last();
    }
    return t;
}

void Flood(benchmark::State& state, bool postgres)
{
    bench::ScratchDatabase scratch(postgres, QStringLiteral("trova_bench_flood"));
    scratch.openAsProgramDatabase();
    gConn().exec(QStringLiteral("insert into user_list (user_id, user_name) values ('U1', 'Operator')"));
    for (int g = 0; g < 3; ++g)
        gConn().exec(QStringLiteral("insert into line_set (line_id, proj_id, part_no, mc_id, gw21_ip, dt200_id) "
                                    "values (?, 'PRJ', 'P1', ?, ?, '001')"),
                     {QStringLiteral("L%1").arg(g), QStringLiteral("M%1").arg(g), loopbackAddress(g).toString()});

    SimGateway good;
    FloodGateway flood;
    FloodGateway large;
    bool listening = false;
    for (int attempt = 0; attempt < 20 && !listening; ++attempt) {
        listening = good.listen(loopbackAddress(0), 0) && flood.listen(loopbackAddress(1), good.port())
                    && large.listen(loopbackAddress(2), good.port());
    }
    if (!listening)
        qFatal("no port for the gateways");
    Module1::settings().gatewayPort = good.port();
    monitor::gTerminals().clear();
    auto screen = std::make_unique<OPT_Run>();
    screen->cmdStart_Click(1);
    QElapsedTimer wait;
    wait.start();
    while (!good.hasClient() && wait.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    if (!good.hasClient())
        qFatal("the monitor did not connect");

    int unanswered = 0;
    auto record = [&](const std::string& phase, const Times& t) {
        state.counters[phase + "_median_ms"] = t.median;
        state.counters[phase + "_worst_ms"] = t.worst;
        state.counters["rss_" + phase + "_MB"] = residentMb();
        unanswered += t.lost;
    };
    // The operator's times while a hostile gateway on screen row `row` sends.
    auto beside = [&](FloodGateway& gw, Hostile kind, int row, const std::string& phase) {
        runHostile(gw, kind);
        screen->cmdStart_Click(row);
        record(phase, operatorTimes(good));
        gw.stop();
        screen->cmdStart_Click(row);
        state.counters[phase + "_written_MB"] = double(gw.written()) / (1024.0 * 1024.0);
    };
    for (auto _ : state) {
        record("alone", operatorTimes(good));
        beside(flood, Hostile::Flood, 2, "flood");
        beside(large, Hostile::LargeFrames, 3, "large");
        state.counters["unanswered"] = unanswered;
        state.counters["history_lines"] = screen->listHistory()->count();
    }
    screen->cmdStart_Click(1);
    screen.reset();
    gConn().close();
}

} // namespace

int main(int argc, char** argv)
{
    bench::preferOffscreen();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    for (bool pg : bench::engines())
        benchmark::RegisterBenchmark((std::string("Flood/") + bench::engineName(pg)).c_str(), Flood, pg)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1)
            ->UseRealTime();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
