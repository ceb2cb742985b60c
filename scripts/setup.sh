#!/usr/bin/env bash
# Installs whatever the build and the tests need and is not on this machine yet.
# Usage: scripts/setup.sh [build|test|bench]
set -euo pipefail
what=${1:-build}

pkgs=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools
      libzip-dev libgl-dev libxkbcommon-dev libbenchmark-dev xdg-utils
      qt6-translations-l10n librsvg2-bin libqt6sql6-sqlite libqt6sql6-psql libxlsxwriter-dev dpkg-dev file
      libpq-dev)
# qt6-base-dev above carries the Qt Sql headers and CMake files too; the two
# drivers are the results journal's: the embedded database and the school server.
# libzip packs the .docx files and libxlsxwriter writes the .xlsx workbooks
# (both in the program's writers' module, see office/WritersModule.h); the
# tests read both back with libzip. qt6-base-dev brings Qt Print Support too.
# libpq-dev: a published bank comes from the school's server as bytes, through
# the client library under Qt's driver.
# dpkg-dev and file let `cpack -G DEB` work out the package's library dependencies.
if [ "$what" = test ]; then
  # The journal tests start a PostgreSQL server of their own; LibreOffice
  # reads back the documents and workbooks the program writes.
  # clang and its libFuzzer runtime build the readers' fuzz targets.
  # lintian judges the .deb; appstreamcli validates the metainfo.
  pkgs+=(libreoffice-writer-nogui libreoffice-calc-nogui desktop-file-utils postgresql
         clang libclang-rt-14-dev lintian appstream)
fi
if [ "$what" = bench ]; then
  # The journal benchmarks start a PostgreSQL server of their own.
  pkgs+=(postgresql)
fi

missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo_cmd apt-get update -qq
  $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
