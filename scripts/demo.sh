#!/usr/bin/env bash
# Builds the command-line program and runs it on copies of the bundled sample
# caches (a conversion moves files, so the originals stay untouched).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh native
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DHOARD_TESTS=OFF -DHOARD_BENCH=OFF >/dev/null
cmake --build build/release -j"$(nproc)" --target hoard-hoard

program=$PWD/build/release/hoard-hoard
work=$(mktemp -d "${TMPDIR:-/tmp}/hoard-demo.XXXXXX")
cp -R examples/. "$work/"
# The program looks for the domain conversion table (domain.csv) in the
# folder it starts in; its settings stay in the demo folder, not the user's.
cd "$work"
export XDG_CONFIG_HOME="$work/.config" XDG_DATA_HOME="$work/.local"
for cache in "$work"/*/; do
  echo "== $cache"
  "$program" "$cache" </dev/null
done
echo
echo "The sample caches were copied to $work and converted there; each"
echo "mirror is inside its cache folder, a folder per host:"
find "$work" -mindepth 2 -type d -not -path "$work/.*" | sort | sed "s|^$work/|  |"
