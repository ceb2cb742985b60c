#!/usr/bin/env bash
# Builds the .deb of the build in BUILD_DIR with cpack, holds it to lintian
# (an error or a warning that packaging/debian/lintian-overrides does not
# explain fails), unpacks it into a root of its own and starts the program from
# there on a new installation folder, with nothing of the build tree in reach.
# Usage: check_deb.sh BUILD_DIR WORK_DIR [CPACK]
# Exit status 77: a tool the check needs is missing (never under CI).
set -euo pipefail
build=$1
work=$2
cpack=${3:-cpack}

needed=(dpkg-deb dpkg-shlibdeps dpkg-query lintian file timeout)
for tool in "${needed[@]}"; do
  if ! command -v "$tool" >/dev/null; then
    echo "$tool is missing: scripts/setup.sh test installs it"
    [ "${CI:-}" = true ] && exit 1
    exit 77
  fi
done

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

rm -rf "$work"
mkdir -p "$work/out"
"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack could not build the package"; }
debs=("$work"/out/trivo_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no single trivo_*.deb: ${debs[*]}"
deb=${debs[0]}
echo "package: $(basename "$deb") ($(stat -c %s "$deb") bytes)"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = trivo ] || fail "package name $(field Package)"
[ "$(field Section)" = education ] || fail "section $(field Section)"

# Every dependency names a package this machine has installed, so the
# dependencies are real package names and satisfiable on Debian 12; the ones
# loaded at run time without linking are there besides what dpkg-shlibdeps found.
depends=$(field Depends)
echo "Depends: $depends"
for wanted in libqt6widgets6 libqt6sql6 libqt6sql6-sqlite libqt6sql6-psql qt6-translations-l10n xdg-utils; do
  grep -Eq "(^|, )$wanted( |,|$)" <<<"$depends" || fail "Depends lacks $wanted"
done
IFS=',' read -ra alternatives <<<"$depends"
for alt in "${alternatives[@]}"; do
  name=$(sed -E 's/^ *//; s/[ |(].*//; s/:any$//' <<<"$alt")
  dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q "install ok installed" ||
    fail "dependency $name is not an installed package here"
done

# lintian: informational tags are shown, errors and warnings fail unless the
# package's own overrides explain them.
lintian_status=0
lintian --fail-on error,warning --display-info --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 ||
  lintian_status=$?
grep -v "root privileges" "$work/lintian.log" || true
[ $lintian_status -eq 0 ] || fail "lintian reports errors or warnings"

root=$work/root
dpkg-deb -x "$deb" "$root"
for f in usr/bin/trivo usr/bin/trivo-bank usr/lib/trivo/modules/libtrivo-writers.so \
  usr/share/trivo/Baza/Win_Dos.qdx usr/share/trivo/Help/ReadMe.doc usr/share/trivo/Istoriy/Tema.dat \
  usr/share/applications/ru.trivo.Trivo.desktop usr/share/metainfo/ru.trivo.Trivo.metainfo.xml \
  usr/share/icons/hicolor/scalable/apps/ru.trivo.Trivo.svg usr/share/icons/hicolor/48x48/apps/ru.trivo.Trivo.png \
  usr/share/doc/trivo/copyright usr/share/doc/trivo/changelog.Debian.gz \
  usr/share/man/man1/trivo.1.gz usr/share/man/man1/trivo-bank.1.gz; do
  [ -e "$root/$f" ] || fail "the package lacks /$f"
done
for exe in bin/trivo bin/trivo-bank lib/trivo/modules/libtrivo-writers.so; do
  file -b "$root/usr/$exe" | grep -q ", stripped" || fail "/usr/$exe is not stripped"
  if missing=$(env -u LD_LIBRARY_PATH ldd "$root/usr/$exe" | grep "not found"); then
    fail "/usr/$exe needs libraries the system lacks: $missing"
  fi
done

# The program as installed, on a new folder: it must fill it from the
# package's share/trivo (not the build tree's dist/) and end by itself.
home=$work/home
mkdir -p "$work/cwd"
status=0
(cd "$work/cwd" && env -u LD_LIBRARY_PATH -u TRIVO_HOME QT_QPA_PLATFORM=offscreen \
  timeout 120 "$root/usr/bin/trivo" --quit-after-start --home "$home") || status=$?
[ $status -eq 0 ] || fail "the installed trivo --quit-after-start ended with status $status"
for f in Baza/Win_Dos.qdx Help/ReadMe.doc Istoriy/Tema.dat; do
  [ -f "$home/$f" ] || fail "the new installation folder lacks $f"
done
"$root/usr/bin/trivo-bank" dump "$home/Istoriy/Tema.dat" >/dev/null || fail "the installed trivo-bank cannot read the demo bank"
echo "installed package starts and fills a new installation folder"
