#!/usr/bin/env bash
# Builds the benchmarks in Release in a folder of their own (build-bench, or
# BENCH_BUILD=/path) and prints one table: on generated banks of 10,000,
# 100,000 and 1,000,000 answer options, opening the editor, storing the answer
# table, the whole-subject exam draw and starting a topic against a plain read
# or write of the same files, and the bank dump against iconv; the
# whole-subject exam taken from the main window's menu (offscreen, on banks of
# 400,000 and 1,000,000 options, and on one of 400,000 grown over years: 100
# topics of 1,000 questions interleaved in the file, 10 asked of each) against
# a plain read of the files it needs;
# then the program's start-up against a bare Qt window; then the results
# journal of a big school (1,000,000 runs of 20 questions) on the embedded
# database and on a PostgreSQL server the benchmark starts itself: the journal
# window's first page, a pupil's name filter, a page deep down, a topic's
# question analysis and a pupil's page against a ceiling of 300 ms each, and
# 20,000 results sent from the outbox against a floor of 1,000 a second.
# Last, the question analysis on simulated classes of 5, 10 and 25 (4,000 of
# each): how often it flags an honest question's key and a reversed or
# slipped one, and the reliability of a drawn exam next to a fixed one.
# Then a school of 30 PCs started at once against one server, each fetching a
# published subject of 20 MB and recording runs, against one PC alone; and
# «Класс сейчас» with those 30 PCs answering every one to three seconds: the
# time from a PC's status to its row in the teacher's window.
# Then a controlled test answered by 30 PCs at once: the time from an answer
# to its mark back on the PC (50th, 95th, 99th percentile; goal: 95 % within
# 200 ms), and every answer judged and kept exactly once.
# The embedded journal is made once (minutes, about 10 GB) and kept in
# ~/.cache/trivo-bench (TRIVO_BENCH_CACHE=/path elsewhere); the server's is
# made anew each time.
# Arguments go to the benchmark program, e.g. --benchmark_filter=/10000/.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=${BENCH_BUILD:-$here/build-bench}
"$here/scripts/setup.sh" bench
command -v iconv >/dev/null || { echo "bench.sh: iconv is needed" >&2; exit 1; }
cmake -S "$here" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTRIVO_TESTS=OFF >/dev/null
cmake --build "$out" --target bench_bank bench_exam bench_dump trivo-bank bench_startup trivo trivo-bare-window demo_bank \
  bench_journalscale bench_keyflags bench_drawnexam bench_schoolpcs bench_lessonanswers bench_classnow
[ -x "$out/bin/bench_dump" ] || { echo "bench.sh: Google Benchmark not found (libbenchmark-dev)" >&2; exit 1; }

csv=$(mktemp)
bank=$(mktemp)
exam=$(mktemp)
startup=$(mktemp)
journal=$(mktemp)
analysis=$(mktemp)
drawn=$(mktemp)
pcs=$(mktemp)
lessons=$(mktemp)
live=$(mktemp)
trap 'rm -f "$csv" "$bank" "$exam" "$startup" "$journal" "$analysis" "$drawn" "$pcs" "$lessons" "$live"' EXIT
"$out/bin/bench_bank" --benchmark_format=csv "$@" >"$bank"
"$out/bin/bench_exam" --benchmark_format=csv "$@" >"$exam"
"$out/bin/bench_dump" --benchmark_format=csv "$@" >"$csv"
"$out/bin/bench_startup" --benchmark_format=csv >"$startup"
"$out/bin/bench_journalscale" --benchmark_format=csv "$@" >"$journal"
"$out/bin/bench_keyflags" --benchmark_format=csv "$@" >"$analysis"
"$out/bin/bench_drawnexam" --benchmark_format=csv "$@" >"$drawn"
"$out/bin/bench_schoolpcs" --benchmark_format=csv >"$pcs"
"$out/bin/bench_classnow" --benchmark_format=csv >"$live"
"$out/bin/bench_lessonanswers" --benchmark_format=csv >"$lessons"

printf '%-30s %-32s %10s %8s %12s %8s\n' "case" "size" "time" "ratio" "peak memory" "/ bytes"
awk -F, '
function mib(kib) { return sprintf("%.1f MiB", kib / 1024) }
function ms(s) { return sprintf("%.1f ms", s * 1000) }
NR == 1 { for (i = 1; i <= NF; ++i) { gsub(/"/, "", $i); col[$i] = i }; next }
{
    gsub(/"/, "")
    split($1, name, "/")
    if ($col["error_occurred"] == "true") { printf "%s: %s\n", $1, $col["error_message"]; next }
    what["BM_EditorOpen"] = "editor open | plain read"
    what["BM_StoreAnswers"] = "store Otwet | plain write"
    what["BM_ExamDraw"] = "exam draw | plain read"
    what["BM_StartTopic"] = "topic start | plain read"
    split(what[name[1]], pair, " \\| ")
    size = sprintf("%d options, %.1f MB", $col["options"], $col["file_bytes"] / 1e6)
    fmt = "%-30s %-32s %10s %8s %12s %8s\n"
    printf fmt, "  " pair[2], size, ms($col["plain_s"]), "1.00", "", ""
    printf fmt, pair[1], size, ms($col["op_s"]), sprintf("%.2f", $col["ratio"]), mib($col["peak_KiB"]), sprintf("%.2f", $col["memory_ratio"])
    printf fmt, "  " pair[1] " again", size, "", sprintf("%.2f", $col["again_ratio"]), "", ""
}' "$bank"

awk -F, '
function mib(kib) { return sprintf("%.1f MiB", kib / 1024) }
function ms(s) { return sprintf("%.1f ms", s * 1000) }
NR == 1 { for (i = 1; i <= NF; ++i) { gsub(/"/, "", $i); col[$i] = i }; next }
{
    gsub(/"/, "")
    if ($col["error_occurred"] == "true") { printf "%s: %s\n", $1, $col["error_message"]; next }
    split($1, name, "/")
    size = sprintf("%d options, %.1f MB", $col["options"], $col["file_bytes"] / 1e6)
    fmt = "%-30s %-32s %10s %8s %12s %8s\n"
    printf fmt, "  plain read", size, ms($col["plain_s"]), "1.00", "", ""
    printf fmt, name[1] ~ /Grown/ ? "exam from the menu, grown" : "exam from the menu", size, ms($col["op_s"]), sprintf("%.2f", $col["ratio"]), mib($col["peak_KiB"]), sprintf("%.2f", $col["memory_ratio"])
    printf fmt, "  whole process at its peak", size, "", "", mib($col["high_water_KiB"]), sprintf("%.2f", $col["high_water_ratio"])
}' "$exam"

awk -F, '
function mib(kib) { return sprintf("%.1f MiB", kib / 1024) }
function ms(s) { return sprintf("%.1f ms", s * 1000) }
NR == 1 {
    for (i = 1; i <= NF; ++i) { gsub(/"/, "", $i); col[$i] = i }
    fmt = "%-30s %-32s %10s %8s %12s\n"
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
function mib(kib) { return sprintf("%.1f MiB", kib / 1024) }
function ms(s) { return sprintf("%.1f ms", s * 1000) }
NR == 1 { for (i = 1; i <= NF; ++i) { gsub(/"/, "", $i); col[$i] = i }; next }
{
    gsub(/"/, "")
    if ($col["error_occurred"] == "true") { printf "%s: %s\n", $1, $col["error_message"]; next }
    fmt = "%-30s %-32s %10s %8s %12s\n"
    up = $col["real_time"] / ($col["time_unit"] == "ms" ? 1000 : $col["time_unit"] == "us" ? 1e6 : 1)
    what = "offscreen, folder prepared"
    printf fmt, "  bare Qt window up", what, ms($col["bare_s"]), "1.00", mib($col["bare_maxrss_KiB"])
    printf fmt, "trivo up", what, ms(up), sprintf("%.2f", $col["ratio"]), mib($col["trivo_maxrss_KiB"])
    printf fmt, "  bare Qt window start to end", what, ms($col["bare_whole_s"]), "1.00", ""
    printf fmt, "  trivo start to end", what, ms($col["bare_whole_s"] * $col["whole_ratio"]), sprintf("%.2f", $col["whole_ratio"]), ""
}' "$startup"

awk -F, '
NR == 1 {
    for (i = 1; i <= NF; ++i) { gsub(/"/, "", $i); col[$i] = i }
    fmt = "%-30s %-32s %10s %8s %12s\n"
    print "journal of 1,000,000 runs: a look again on an open connection (ratio to 300 ms), the first"
    print "on a new one; the outbox sending 20,000 results (ratio to 1 ms a result)"
    what["BM_JournalFirstPage"] = "journal first page"
    what["BM_JournalPupilFilter"] = "journal pupil filter"
    what["BM_JournalScroll"] = "journal page after 10,000 rows"
    what["BM_JournalTopicAnalysis"] = "topic question analysis"
    what["BM_JournalPupilPage"] = "pupil page"
    what["BM_JournalOutboxToEmpty"] = "outbox 20,000 to new journal"
    what["BM_JournalOutboxToSchool"] = "outbox 20,000 to 1 M journal"
    next
}
{
    gsub(/"/, "")
    split($1, name, "/")
    if ($col["error_occurred"] == "true") { printf "%s: %s\n", $1, $col["error_message"]; next }
    size = name[2]
    first = $col["first_ms"] > 0 ? sprintf("%.1f ms", $col["first_ms"]) : ""
    if (name[1] ~ /Outbox/) size = sprintf("%s, %.0f results/s", name[2], $col["per_s"])
    printf fmt, what[name[1]], size, sprintf("%.1f ms", $col["ms"]), sprintf("%.2f", $col["ceiling_ratio"]), first
}' "$journal"

awk -F, '
function pct(x) { return sprintf("%.2f %%", x) }
NR == 1 {
    print "question analysis on simulated classes: honest questions flagged «ошибка в ключе», classes whose"
    print "20 honest questions show such a flag, reversed keys flagged (and with the strong answer named),"
    print "slipped typed keys flagged; the alpha of a drawn exam (from pairs) next to that of a fixed set"
}
FNR == 1 { delete col; for (i = 1; i <= NF; ++i) { gsub(/"/, "", $i); col[$i] = i }; next }
{
    gsub(/"/, "")
    split($1, name, "/")
    if ($col["error_occurred"] == "true") { printf "%s: %s\n", $1, $col["error_message"]; next }
    if (name[1] == "BM_KeyFlags")
        printf "  class of %-3s honest %8s  classes %8s  reversed %8s (named %s)  slipped %8s\n", name[2],
            pct($col["honest_pct"]), pct($col["classes_pct"]), pct($col["reversed_pct"]), pct($col["named_pct"]),
            pct($col["slipped_pct"])
    else
        printf "  exam of %-4s runs: drawn alpha %.3f (in %s of exams), fixed set %.3f\n", name[2],
            $col["drawn_alpha"], pct($col["drawn_with_alpha_pct"]), $col["fixed_alpha"]
}' "$analysis" "$drawn"

awk -F, '
NR == 1 {
    for (i = 1; i <= NF; ++i) { gsub(/"/, "", $i); col[$i] = i }
    print "a school of 30 PCs started at once against one server: each fetches a published subject and records"
    print "5 runs while the others fetch (ratio of the slowest to one PC alone; goal 5)"
    next
}
{
    gsub(/"/, "")
    if ($col["error_occurred"] == "true") { printf "%s: %s\n", $1, $col["error_message"]; next }
    fmt = "%-30s %-32s %10s %8s\n"
    size = sprintf("%.1f MB, %d processors", $col["bank_MB"], $col["cores"])
    printf fmt, "  one PC alone (best of 3)", size, sprintf("%.0f ms", $col["alone_s"] * 1000), "1.00"
    printf fmt, "30 PCs at once, median", size, sprintf("%.0f ms", $col["median_s"] * 1000), sprintf("%.2f", $col["median_s"] / $col["alone_s"])
    printf fmt, "30 PCs at once, slowest", size, sprintf("%.0f ms", $col["slowest_s"] * 1000), sprintf("%.2f", $col["ratio"])
    printf fmt, "  least on these processors", "the PCs share them with the server", "", sprintf("%.2f", $col["floor_ratio"])
    printf "  banks whole on %d of %d PCs (%d failed); results %d of %d arrived, %d of %d PCs exactly once each\n",
        $col["whole_banks"], $col["pcs"] + 3, $col["failed_pcs"], $col["results_arrived"], $col["results_expected"],
        $col["pcs_exactly_once"], $col["pcs"] + 3
}' "$pcs"

awk -F, '
NR == 1 {
    for (i = 1; i <= NF; ++i) { gsub(/"/, "", $i); col[$i] = i }
    print "a controlled test answered by 30 PCs at once: from an answer to its mark back on the PC (goal 95 % within 200 ms)"
    next
}
{
    gsub(/"/, "")
    if ($col["error_occurred"] == "true") { printf "%s: %s\n", $1, $col["error_message"]; next }
    printf "  %d answers on %d processors: median %.0f ms, 95th %.0f ms, 99th %.0f ms, slowest %.0f ms; %.1f %% within %.0f ms\n",
        $col["answers"], $col["cores"], $col["p50_ms"], $col["p95_ms"], $col["p99_ms"], $col["max_ms"],
        $col["within_goal_pct"], $col["goal_ms"]
    printf "  judged %d of %d; kept on the server %d, each answer once: %s\n", $col["judged"], $col["answers"],
        $col["kept"], ($col["kept"] == $col["kept_once"] && $col["kept"] == $col["answers"]) ? "yes" : "no"
}' "$lessons"

awk -F, '
NR == 1 {
    for (i = 1; i <= NF; ++i) { gsub(/"/, "", $i); col[$i] = i }
    print "«Класс сейчас»: 30 PCs each answering every 1-3 s; from a PC status to its row in the teacher window"
    print "(goal: 95 % within 200 ms)"
    next
}
{
    gsub(/"/, "")
    if ($col["error_occurred"] == "true") { printf "%s: %s\n", $1, $col["error_message"]; next }
    printf "  %d statuses, %d shown, %d not shown, %d sends failed\n", $col["statuses"], $col["shown"],
        $col["not_shown"], $col["failed_sends"]
    printf "  50th %.1f ms, 95th %.1f ms, 99th %.1f ms, slowest %.1f ms; %.1f %% within %d ms\n", $col["p50_ms"],
        $col["p95_ms"], $col["p99_ms"], $col["max_ms"], $col["within_goal_pct"], $col["goal_ms"]
}' "$live"
