// trivo-bank dump of an answer file against iconv converting the same file
// from cp1251 to UTF-8, run alternately on generated banks of 10,000,
// 100,000 and 1,000,000 answer options (a quarter as many questions). Both
// programs write to /dev/null; the time of each is the wall time of its
// process, the memory its peak resident size.
#include "bankgen.h"
#include "childrun.h"
#include "records.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <memory>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

// The time measured is the dump's; the counters give iconv's time and memory
// alongside, and the ratio of the two totals.
void BM_DumpOtwet(benchmark::State &state)
{
    const int options = int(state.range(0));
    const Bank &bank = bankOf(options);
    const std::string file = bank.file("Otwet.dat").toStdString();
    double dumpTotal = 0, iconvTotal = 0;
    long dumpRss = 0, iconvRss = 0;
    for (auto _ : state) {
        const ChildRun plain = runChild({"iconv", "-f", "cp1251", "-t", "utf-8", file});
        const ChildRun dump = runChild({TRIVO_BANK, "dump", file});
        if (!plain.ok || !dump.ok) {
            state.SkipWithError(!plain.ok ? "iconv failed" : "trivo-bank dump failed");
            return;
        }
        state.SetIterationTime(dump.seconds);
        dumpTotal += dump.seconds;
        iconvTotal += plain.seconds;
        dumpRss = std::max(dumpRss, dump.maxRssKiB);
        iconvRss = std::max(iconvRss, plain.maxRssKiB);
    }
    const double n = double(state.iterations());
    state.counters["options"] = options;
    state.counters["file_bytes"] = double(bank.bytes({"Otwet.dat"}));
    state.counters["iconv_s"] = iconvTotal / n;
    state.counters["ratio"] = dumpTotal / iconvTotal;
    state.counters["dump_maxrss_KiB"] = double(dumpRss);
    state.counters["iconv_maxrss_KiB"] = double(iconvRss);
}
BENCHMARK(BM_DumpOtwet)
    ->Arg(10'000)
    ->Arg(100'000)
    ->Arg(1'000'000)
    ->UseManualTime()
    ->MinTime(0.5)
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
