// Starting the trainer until its main window is shown, against a bare Qt
// Widgets window started the same way, both on the offscreen platform and in
// an installation folder that is already prepared.
#include "childrun.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdlib>

namespace
{
void BM_StartUp(benchmark::State &state)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QTemporaryDir home;
    const std::string folder = home.path().toStdString() + "/Trivo";
    const std::vector<std::string> trivo = {TRIVO_PROGRAM, "--home", folder, "--quit-after-start"};
    const std::vector<std::string> bare = {TRIVO_BARE_WINDOW};
    if (!runChild(trivo).ok) { // the first start prepares the folder
        state.SkipWithError("trivo did not start");
        return;
    }
    double trivoTotal = 0, bareTotal = 0;
    long trivoRss = 0, bareRss = 0;
    for (auto _ : state) {
        const ChildRun plain = runChild(bare);
        const ChildRun program = runChild(trivo);
        if (!plain.ok || !program.ok) {
            state.SkipWithError(!plain.ok ? "the bare window failed" : "trivo failed");
            return;
        }
        state.SetIterationTime(program.seconds);
        trivoTotal += program.seconds;
        bareTotal += plain.seconds;
        trivoRss = std::max(trivoRss, program.maxRssKiB);
        bareRss = std::max(bareRss, plain.maxRssKiB);
    }
    const double n = double(state.iterations());
    state.counters["bare_s"] = bareTotal / n;
    state.counters["ratio"] = trivoTotal / bareTotal;
    state.counters["trivo_maxrss_KiB"] = double(trivoRss);
    state.counters["bare_maxrss_KiB"] = double(bareRss);
}
BENCHMARK(BM_StartUp)->UseManualTime()->MinTime(2.0)->Unit(benchmark::kMillisecond);
} // namespace

BENCHMARK_MAIN();
