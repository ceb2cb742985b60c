#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh" test
cmake -S "$here" -B "$here/build" -G Ninja -DTRIVO_TESTS=ON >/dev/null
cmake --build "$here/build"
status=0
(cd "$here/build" && ctest --output-on-failure -j2) || status=$?

# Every reader of outside data under libFuzzer with ASan and UBSan: a second
# build with clang, each target run for a few seconds. A failing input stays in
# build-fuzz/fuzz/<target>/artifacts.
cmake -S "$here" -B "$here/build-fuzz" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DTRIVO_FUZZ=ON >/dev/null
cmake --build "$here/build-fuzz"
(cd "$here/build-fuzz" && ctest --output-on-failure -j2) || status=$?
exit $status
