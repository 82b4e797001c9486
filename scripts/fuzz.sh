#!/usr/bin/env bash
# Fuzzes what loads read for a short while: whole simulations, single
# creatures, lineage.csv, the manifest, whole save folders with their names
# (rules.txt and the checksum list included), creature files, and the
# family.csv and statistics.csv of a save (each followed by the tree's
# export, a few steps, and a save that must load again).
#
# Configures a clang build folder (build-fuzz) with AddressSanitizer,
# UndefinedBehaviorSanitizer and libFuzzer, builds the fuzz targets, makes
# a seed corpus from real saves, and runs each target for FUZZ_SECONDS
# (default 25) seconds. A single allocation above 512 MB or a resident size
# above 2 GB counts as a failure, like a crash or a hang. Exits non-zero when
# any run fails; the failing input is kept in build-fuzz/fuzz-run/<target>/.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${FUZZ_BUILD:-$root/build-fuzz}"
seconds="${FUZZ_SECONDS:-25}"
targets=(load_all_fuzz load_creature_fuzz lineage_fuzz manifest_fuzz save_folder_fuzz creature_file_fuzz
  family_file_fuzz statistics_file_fuzz)

cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCREATURES_FUZZ=ON -DCREATURES_SANITIZE=ON \
  -DCREATURES_TESTS=OFF -DCREATURES_BENCH=OFF -DCREATURES_GUI=OFF >/dev/null
ninja -C "$build" -j2 "${targets[@]}"

export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"

run="$build/fuzz-run"
status=0
for target in "${targets[@]}"; do
  dir="$run/$target"
  rm -rf "$dir"
  mkdir -p "$dir/corpus"
  CREATURES_FUZZ_CORPUS="$dir/seeds" "$build/fuzz/$target"
  echo "== $target: $(ls "$dir/seeds" | wc -l) seeds, ${seconds}s"
  if ! "$build/fuzz/$target" "$dir/corpus" "$dir/seeds" \
      -max_total_time="$seconds" -timeout=10 \
      -rss_limit_mb=2048 -malloc_limit_mb=512 \
      -print_final_stats=1 -artifact_prefix="$dir/" >"$dir/log" 2>&1; then
    status=1
    echo "== $target FAILED; see $dir/log"
    tail -n 40 "$dir/log"
  fi
  grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units|stat::peak_rss_mb|Done [0-9]+ runs)' \
    "$dir/log" || true
done
exit "$status"
