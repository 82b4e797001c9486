#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite: the normal
# build (warnings are errors), the AddressSanitizer + UndefinedBehaviorSanitizer
# build, and the short fuzzing runs of the loaders.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

JOBS="${JOBS:-2}"

echo "== build and test (RelWithDebInfo, -Werror)"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCREATURES_WERROR=ON >/dev/null
ninja -C build -j "$JOBS"
(cd build && ctest --output-on-failure -j "$JOBS")

echo "== build and test with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCREATURES_SANITIZE=ON \
  -DCREATURES_BENCH=OFF -DCREATURES_WERROR=ON >/dev/null
ninja -C build-asan -j "$JOBS"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure -j "$JOBS")

if [ -f scripts/fuzz.sh ]; then
  echo "== short fuzzing runs"
  bash scripts/fuzz.sh
fi
