#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build/fuzz and runs each for a
# short time, seeded from the seed writers, tests/data and ../shared/corpus
# (when present). Any finding (crash, sanitizer report, leak, timeout) fails
# the script; its input is kept in build/fuzz/findings/<target>.
# Usage: scripts/fuzz.sh [seconds per target] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-15}
shift || true
root=$(pwd)
build=build/fuzz
corpus=$root/../shared/corpus

if ! command -v clang++ >/dev/null; then
  echo "fuzz.sh: clang++ is missing (scripts/deps.sh fuzz installs it)" >&2
  exit 1
fi

echo "== Fuzz targets (clang, libFuzzer, ASan+UBSan)"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DHOARD_FUZZ=ON -DHOARD_TESTS=OFF -DHOARD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"

# The seed folders of each target, read only; missing ones are skipped.
seeds_of() {
  case "$1" in
    cachelog_fuzz) echo "$root/tests/data/fuzz/cachelog $corpus/cache" ;;
    contentcheck_fuzz) echo "$corpus/images $corpus/cache" ;;
    domaintable_fuzz) echo "$root/tests/data/fuzz/domaintable" ;;
    encodingpass_fuzz) echo "$corpus/text $root/tests/data/text" ;;
    redirect_fuzz) echo "$root/$build/seeds/redirect" ;;
    rewriter_fuzz) echo "$root/tests/data/rewriter $corpus/html" ;;
    urlmap_fuzz) echo "$root/tests/data/fuzz/urlmap" ;;
  esac
}

rm -rf "$build/seeds"
mkdir -p "$build/seeds/redirect"
"$build/fuzz/redirect_seeds" "$build/seeds/redirect" >/dev/null
if [ ! -d "$corpus" ]; then
  echo "fuzz.sh: $corpus is absent; seeding from the tests only"
fi

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for binary in "$build"/fuzz/*_fuzz; do targets+=("$(basename "$binary")"); done
fi

failed=()
for target in "${targets[@]}"; do
  work=$build/corpus/$target
  findings=$build/findings/$target
  mkdir -p "$work" "$findings"
  dirs=()
  for dir in $(seeds_of "$target"); do
    if [ -d "$dir" ]; then dirs+=("$dir"); else echo "$target: no seeds at $dir, skipped"; fi
  done
  echo "== $target: ${seconds}s"
  log=$build/findings/$target.log
  if UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    "$build/fuzz/$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$findings/" "$work" "${dirs[@]}" >"$log" 2>&1; then
    grep -E '^#[0-9]+.*(DONE|pulse|NEW|REDUCE)' "$log" | tail -1 || true
  else
    echo "$target: FINDING (log $log)"
    tail -40 "$log"
    failed+=("$target")
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "Fuzzing found faults in: ${failed[*]}" >&2
  exit 1
fi
echo "Fuzzing found nothing."
