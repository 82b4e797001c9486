#!/usr/bin/env bash
# Installs what is missing, builds and runs the simulator. Without a display
# it runs headless with progress output. Extra arguments go to the program,
# e.g. scripts/run.sh --seed 7 --seconds 600
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C build -j "${JOBS:-2}" creatures

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "no display: running headless (Ctrl-C ends the run)"
  exec ./build/creatures --headless "$@"
fi
exec ./build/creatures "$@"
