#!/usr/bin/env bash
# Installs what is missing, builds, prepares the installation folder and starts the program in it.
# The installation folder is ~/Trivo (another one: TRIVO_HOME=/path scripts/run.sh).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh" build
cmake -S "$here" -B "$here/build" -G Ninja -DTRIVO_TESTS=OFF >/dev/null
cmake --build "$here/build"
home_dir="${TRIVO_HOME:-$HOME/Trivo}"
mkdir -p "$home_dir"
# A new installation gets the samples, the help and the demo bank; files already
# there (a teacher's banks and settings) are never overwritten.
cp -rn "$here/build/dist/." "$home_dir/"
cd "$home_dir"
exec "$here/build/bin/trivo"
