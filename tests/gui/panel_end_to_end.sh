#!/usr/bin/env bash
# Drives the real window with synthetic input (xdotool), as a user would:
# opens the "Save All" group of the panel and presses "Save Folder 1" (the
# save must appear and load), then presses X over the scene and closes the
# window with Ctrl+Q. Skip-render is judged by what the run did, from its
# own closing lines: a frame without it runs exactly "Simulation Speed"
# steps, a frame with it steps for a fifth of a second, so the simulated
# time per frame must grow several times over after X, however busy the
# machine. The waits below wait for events; their bounds only keep a broken
# run from hanging the suite.
# Runs inside xvfb-run; the panel's places are those of a 640 x 480 window.
set -euo pipefail
program="$(realpath "$1")"
source "$(dirname "${BASH_SOURCE[0]}")/window_script.sh"

# The statistics file gains a row per simulated second: rows that arrive
# after an input show that frames, which read the input, have been drawn.
"$program" --seed 7 --window 640x480 --stats stats.csv > run.log 2>&1 &
pid=$!
window="$(timeout 120 xdotool search --sync --name '^creatures$' | head -n 1)" || fail "no window"
run_on 2

# "Save All" header, then its first button.
xdotool mousemove --window "$window" 490 129 click 1
run_on 2
xdotool mousemove --window "$window" 536 147 click 1
saved() { [ -f saveData1/AimPosData.dat ] && grep -q '^write' run.log; }
wait_for 120 saved || fail "Save Folder 1 wrote nothing"
"$program" --headless --load-all saveData1 --steps 1 > load.log 2>&1 || fail "the save does not load: $(cat load.log)"

# X over the scene, away from the panel; a few frames later Ctrl+Q.
xdotool mousemove --window "$window" 200 300
xdotool key --window "$window" x
run_on 20
# The window may be gone before the keys are released: xdotool then
# complains, which is no failure.
xdotool key --window "$window" ctrl+q 2>/dev/null || true
ended() { ! kill -0 "$pid" 2>/dev/null; }
wait_for 240 ended || fail "the window did not close on Ctrl+Q"
wait "$pid" || fail "the program failed"
pid=""

# "finished after N steps (T simulated s) in W s" and
# "frames drawn F, S of them with the drawing skipped (X simulated s)".
total=$(sed -n 's/^finished after [0-9]* steps (\([0-9.]*\) simulated s).*/\1/p' run.log)
read -r frames skipped skippedTime < <(sed -n \
  's/^  frames drawn \([0-9]*\), \([0-9]*\) of them with the drawing skipped (\([0-9.]*\) simulated s)$/\1 \2 \3/p' run.log)
[ -n "$total" ] && [ -n "$frames" ] || fail "no closing lines"
[ "$skipped" -ge 1 ] || fail "no frame ran with skip-render on: X did not reach the program"
awk -v T="$total" -v F="$frames" -v S="$skipped" -v X="$skippedTime" 'BEGIN {
  before = (T - X) / (F - S); after = X / S
  printf "simulated s per frame: %.3f before X, %.3f after (%d and %d frames)\n", before, after, F - S, S
  exit !(after >= 3 * before)
}' || fail "skip-render did not speed the simulation up"
echo "panel save and skip-render: passed"
