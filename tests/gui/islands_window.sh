#!/usr/bin/env bash
# An archipelago in the window: while it runs, keys 2 and 1 change the island
# the scene shows (the others go on on the worker), and at the end every
# island's whole save equals the one a headless archipelago of the same seed
# writes. Which island is shown, and when, must not change what happens.
# Runs inside xvfb-run.
set -euo pipefail
program="$(realpath "$1")"
source "$(dirname "${BASH_SOURCE[0]}")/window_script.sh"

args=(--seed 7 --islands 2 --migrate-every 20 --seconds 50 --set stepsPerFrame=5)

"$program" "${args[@]}" --window 640x480 --save-all windowed > run.log 2>&1 &
pid=$!
window="$(timeout 120 xdotool search --sync --name '^creatures$' | head -n 1)" || fail "no window"
xdotool key --window "$window" 2 2>/dev/null || true
sleep 1
xdotool key --window "$window" 1 2>/dev/null || true
sleep 1
xdotool key --window "$window" 2 2>/dev/null || true
for _ in $(seq 3000); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "the windowed archipelago did not end"
wait "$pid" || fail "the windowed archipelago failed"
pid=""
grep -q "island 2" run.log || fail "no closing line of island 2"

"$program" --headless "${args[@]}" --save-all headless > headless.log 2>&1 || fail "headless: $(cat headless.log)"
for island in island-1 island-2; do
  [ -f "windowed/$island/config.dat" ] || fail "windowed/$island was not saved"
done
diff -r windowed headless > diff.log || fail "the islands differ: $(head -5 diff.log)"
echo "islands in the window: the same as headless"
