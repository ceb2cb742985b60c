// Starting the trainer until its main window is up, against a bare Qt
// Widgets window started the same way, both on the offscreen platform and in
// an installation folder that is already prepared. A program is up when its
// event loop first turns after the window was shown; it says so through the
// descriptor in TRIVO_STARTED_FD, then ends. The whole run, ending included,
// is given alongside. The two take turns at going first.
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
    double trivoTotal = 0, bareTotal = 0, trivoUp = 0, bareUp = 0;
    long trivoRss = 0, bareRss = 0;
    bool bareFirst = true;
    for (auto _ : state) {
        // Each goes first in turn, so that neither always starts in what the
        // other left behind (its writes still going to the disk, the caches).
        ChildRun plain, program;
        if (bareFirst) {
            plain = runChild(bare);
            program = runChild(trivo);
        } else {
            program = runChild(trivo);
            plain = runChild(bare);
        }
        bareFirst = !bareFirst;
        if (!plain.ok || !program.ok || plain.upSeconds <= 0 || program.upSeconds <= 0) {
            state.SkipWithError(!plain.ok || plain.upSeconds <= 0 ? "the bare window failed" : "trivo failed");
            return;
        }
        state.SetIterationTime(program.upSeconds);
        trivoTotal += program.seconds;
        bareTotal += plain.seconds;
        trivoUp += program.upSeconds;
        bareUp += plain.upSeconds;
        trivoRss = std::max(trivoRss, program.maxRssKiB);
        bareRss = std::max(bareRss, plain.maxRssKiB);
    }
    const double n = double(state.iterations());
    state.counters["bare_s"] = bareUp / n;
    state.counters["ratio"] = trivoUp / bareUp;
    state.counters["bare_whole_s"] = bareTotal / n;
    state.counters["whole_ratio"] = trivoTotal / bareTotal;
    state.counters["trivo_maxrss_KiB"] = double(trivoRss);
    state.counters["bare_maxrss_KiB"] = double(bareRss);
}
BENCHMARK(BM_StartUp)->UseManualTime()->MinTime(2.0)->Unit(benchmark::kMillisecond);
} // namespace

BENCHMARK_MAIN();
