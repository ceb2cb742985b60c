#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh" test
cmake -S "$here" -B "$here/build" -G Ninja -DTRIVO_TESTS=ON >/dev/null
cmake --build "$here/build"
cd "$here/build"
ctest --output-on-failure -j2
