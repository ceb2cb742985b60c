#!/usr/bin/env bash
# Builds the benchmarks in Release in a folder of their own (build-bench, or
# BENCH_BUILD=/path), runs the bank dump against iconv on generated banks of
# 10,000, 100,000 and 1,000,000 answer options and the program's start-up
# against a bare Qt window, and prints one table.
# Arguments go to the benchmark program, e.g. --benchmark_filter=/10000/.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=${BENCH_BUILD:-$here/build-bench}
"$here/scripts/setup.sh" build
command -v iconv >/dev/null || { echo "bench.sh: iconv is needed" >&2; exit 1; }
cmake -S "$here" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTRIVO_TESTS=OFF >/dev/null
cmake --build "$out" --target bench_dump trivo-bank bench_startup trivo trivo-bare-window demo_bank
[ -x "$out/bin/bench_dump" ] || { echo "bench.sh: Google Benchmark not found (libbenchmark-dev)" >&2; exit 1; }

csv=$(mktemp)
trap 'rm -f "$csv"' EXIT
"$out/bin/bench_dump" --benchmark_format=csv "$@" >"$csv"
startup=$(mktemp)
trap 'rm -f "$csv" "$startup"' EXIT
"$out/bin/bench_startup" --benchmark_format=csv >"$startup"

awk -F, '
function mib(kib) { return sprintf("%.1f MiB", kib / 1024) }
function ms(s) { return sprintf("%.1f ms", s * 1000) }
NR == 1 {
    for (i = 1; i <= NF; ++i) { gsub(/"/, "", $i); col[$i] = i }
    fmt = "%-30s %-32s %10s %8s %12s\n"
    printf fmt, "case", "size", "time", "ratio", "peak memory"
    next
}
{
    gsub(/"/, "")
    if ($col["error_occurred"] == "true") { printf "%s: %s\n", $1, $col["error_message"]; next }
    t = $col["real_time"] / ($col["time_unit"] == "ms" ? 1000 : $col["time_unit"] == "us" ? 1e6 : 1)
    size = sprintf("%d options, %.1f MB", $col["options"], $col["file_bytes"] / 1e6)
    printf fmt, "iconv -f cp1251 -t utf-8", size, ms($col["iconv_s"]), "1.00", mib($col["iconv_maxrss_KiB"])
    printf fmt, "trivo-bank dump Otwet.dat", size, ms(t), sprintf("%.2f", $col["ratio"]), mib($col["dump_maxrss_KiB"])
}' "$csv"

awk -F, '
NR == 1 { for (i = 1; i <= NF; ++i) { gsub(/"/, "", $i); col[$i] = i }; next }
{
    gsub(/"/, "")
    fmt = "%-30s %-32s %10s %8s %12s\n"
    printf fmt, "bare Qt window start-up", "", sprintf("%.1f ms", $col["bare_s"] * 1000), "1.00", sprintf("%.1f MiB", $col["bare_maxrss_KiB"] / 1024)
    printf fmt, "trivo start-up", "", sprintf("%.1f ms", $col["real_time"]), sprintf("%.2f", $col["ratio"]), sprintf("%.1f MiB", $col["trivo_maxrss_KiB"] / 1024)
}' "$startup"
