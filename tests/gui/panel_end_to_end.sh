#!/usr/bin/env bash
# Drives the real window with synthetic input (xdotool), as a user would:
# opens the "Save All" group of the panel and presses "Save Folder 1" (the
# save must appear and load), then presses X over the scene (skip-render
# must take the run to its time limit far sooner than drawing every frame).
# Runs inside xvfb-run; the panel's places are those of a 640 x 480 window.
set -euo pipefail
program="$1"
work="$(mktemp -d)"
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
cd "$work"

fail() { echo "FAIL: $*"; cat run.log || true; exit 1; }

# 400 simulated seconds: about 220 s of wall time at 30 frames per second,
# a few seconds with skip-render.
"$program" --seed 7 --seconds 400 > run.log 2>&1 &
pid=$!
window="$(timeout 60 xdotool search --sync --name '^creatures$' | head -n 1)" || fail "no window"
sleep 2

# "Save All" header, then its first button.
xdotool mousemove --window "$window" 490 129 click 1
sleep 1
xdotool mousemove --window "$window" 536 147 click 1
for _ in $(seq 100); do
  [ -f saveData1/AimPosData.dat ] && grep -q '^write' run.log && break
  sleep 0.2
done
[ -f saveData1/AimPosData.dat ] || fail "Save Folder 1 wrote nothing"
"$program" --headless --load-all saveData1 --steps 1 > load.log 2>&1 || fail "the save does not load: $(cat load.log)"

# X over the scene, away from the panel.
started=$(date +%s)
xdotool mousemove --window "$window" 200 300
xdotool key --window "$window" x
for _ in $(seq 600); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "still running 60 s after X: skip-render is off"
wait "$pid" || fail "the program failed"
echo "panel save and skip-render: passed in $(( $(date +%s) - started )) s after X"
