#!/usr/bin/env bash
# Writes a PNG of every window on the screens a school meets (1024x600,
# 1366x768, 1920x1080, and 150 % scale), drawn by a real X server (Xvfb), so
# that a person can look at them.
# Usage: scripts/screenshots.sh [OUTPUT_FOLDER]   (default: build/screenshots)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$here/build/screenshots}")
"$here/scripts/setup.sh" test
if ! command -v Xvfb >/dev/null; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get install -y -qq --no-install-recommends xvfb
fi
cmake -S "$here" -B "$here/build" -G Ninja -DTRIVO_TESTS=ON >/dev/null
cmake --build "$here/build" --target windows_screens
mkdir -p "$out"
display=:97
for screen in 1024x600@1 1366x768@1 1920x1080@1 1366x768@1.5 1920x1080@1.5; do
  size=${screen%@*}
  scale=${screen#*@}
  Xvfb "$display" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  sleep 1
  dir="$out/${size}@${scale}"
  mkdir -p "$dir"
  DISPLAY=$display QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale TRIVO_SCREENSHOTS="$dir" \
    "$here/build/bin/windows_screens" -silent || echo "windows_screens reported problems at $screen"
  kill "$xvfb"
  wait "$xvfb" 2>/dev/null || true
done
echo "Pictures in $out"
