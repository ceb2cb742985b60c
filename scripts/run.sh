#!/usr/bin/env bash
# Installs what is missing, builds and starts the program in its installation
# folder, ~/Trivo (another one: TRIVO_HOME=/path scripts/run.sh). The program
# prepares a new folder itself: it gets the samples, the help and the demo bank,
# and files already there (a teacher's banks and settings) are never overwritten.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh" build
cmake -S "$here" -B "$here/build" -G Ninja -DTRIVO_TESTS=OFF >/dev/null
cmake --build "$here/build"
exec "$here/build/bin/trivo" --home "${TRIVO_HOME:-$HOME/Trivo}" "$@"
