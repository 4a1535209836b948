#!/usr/bin/env bash
# Cross-builds the Windows program and its tests with mingw-w64 and runs the
# tests under Wine in a Japanese locale (system code page 932).
#
#   scripts/test-windows.sh            build in build-win and run ctest
#   HOARD_WIN_BUILD_DIR=DIR ...        build somewhere else
#
# Installs what is missing (Debian packages); quick when all is there.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${HOARD_WIN_BUILD_DIR:-$root/build-win}"
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
locale_name=ja_JP.UTF-8

# --- Tools -----------------------------------------------------------------
# mingw-w64, Wine, the Japanese locale and font: installed where missing.
"$root/scripts/deps.sh" windows

# --- Build -----------------------------------------------------------------
echo "== configuring $build"
if ! configured=$(cmake -S "$root" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DHOARD_WERROR=ON -DHOARD_SANITIZE=OFF -DHOARD_BENCH=OFF 2>&1); then
  echo "$configured"
  exit 1
fi
echo "== building"
cmake --build "$build" -j2

# --- Run under Wine ----------------------------------------------------------
scratch="$(mktemp -d "${TMPDIR:-/tmp}/hoard-wine.XXXXXX")"
export WINEPREFIX="$scratch/prefix"
export WINEDEBUG=-all
export LANG=$locale_name LC_ALL=$locale_name
# Wine's recycle bin is the XDG trash: keep what the tests recycle here.
export XDG_DATA_HOME="$scratch/data"
cleanup() {
  "$wineserver" -k >/dev/null 2>&1 || true
  rm -rf "$scratch"
}
trap cleanup EXIT

echo "== preparing a Wine prefix"
"$wine" wineboot -i >"$scratch/wineboot.log" 2>&1 || { cat "$scratch/wineboot.log"; exit 1; }

echo "== running the tests under Wine"
cd "$build"
status=0
ctest --output-on-failure --timeout 900 || status=$?
# GoogleTest's own count, which the single ctest entry hides.
grep -a -h -E '^\[==========\] .* ran\.|^\[  (PASSED|SKIPPED) +\]' Testing/Temporary/LastTest.log 2>/dev/null || true
if [ "$status" -ne 0 ]; then
  echo "== Windows tests FAILED"
fi
exit "$status"
