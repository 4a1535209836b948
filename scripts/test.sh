#!/usr/bin/env bash
# Builds everything and runs every test suite: the native suite with
# AddressSanitizer and UndefinedBehaviorSanitizer, then the Windows build's
# suite under Wine, then the Windows program itself under Wine on a virtual
# display, driven as a user would. After the native suite each fuzz target
# runs for a short time (scripts/fuzz.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh all

echo "== Native build and tests (sanitizers on)"
cmake -S . -B build/native-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DHOARD_SANITIZE=ON -DHOARD_WERROR=ON >/dev/null
cmake --build build/native-asan -j"$(nproc)"
UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/native-asan --output-on-failure -j"$(nproc)"

echo "== Fuzz targets, a short run each"
scripts/fuzz.sh 15

echo "== Windows build and tests under Wine"
scripts/test-windows.sh

echo "== The Windows program under Xvfb and Wine"
timeout 1200 scripts/test-gui.sh
