#!/usr/bin/env bash
# Installs what is missing, checks that the includes run one way, builds and
# runs the whole test suite: the normal build (warnings are errors), the
# AddressSanitizer + UndefinedBehaviorSanitizer build, the core alone
# without the GUI but with the archipelago across MPI processes, and the
# short fuzzing runs of the loaders.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

JOBS="${JOBS:-2}"

logs="$(mktemp -d)"
trap 'rm -rf "$logs"' EXIT

echo "== layers"
bash scripts/check_layers.sh

echo "== build and test (RelWithDebInfo, -Werror)"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCREATURES_WERROR=ON >/dev/null
ninja -C build -j "$JOBS"
(cd build && ctest --output-on-failure -j "$JOBS") | tee "$logs/plain"

echo "== build and test with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCREATURES_SANITIZE=ON \
  -DCREATURES_BENCH=OFF -DCREATURES_WERROR=ON >/dev/null
ninja -C build-asan -j "$JOBS"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure -j "$JOBS") | tee "$logs/asan"

echo "== build and test the core without the GUI, with the MPI archipelago"
cmake -S . -B build-nogui -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCREATURES_GUI=OFF \
  -DCREATURES_MPI=ON -DCREATURES_BENCH=OFF -DCREATURES_WERROR=ON >/dev/null
ninja -C build-nogui -j "$JOBS"
(cd build-nogui && ctest --output-on-failure -j "$JOBS") | tee "$logs/nogui"

if [ -f scripts/fuzz.sh ]; then
  echo "== short fuzzing runs"
  bash scripts/fuzz.sh
fi

# One closing line for both test runs (the fuzzing runs fail the script on
# any finding).
total=0
for log in "$logs/plain" "$logs/asan" "$logs/nogui"; do
  n=$(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -n 1)
  total=$((total + ${n:-0}))
done
echo "tests: $total passed, 0 failed"
