#!/usr/bin/env bash
# A click selects a creature, paused and running, as a user does it with the
# mouse (xdotool moves and presses between two frames): the followed
# creature stands at the middle of the view, a click there selects it, and
# the panel's "Save1" of "Save a Creature" then writes it (with no creature
# selected it writes nothing). A click on the panel never selects the
# creature behind it. Runs inside xvfb-run; places are those of 640 x 480.
set -euo pipefail
program="$(realpath "$1")"
source "$(dirname "${BASH_SOURCE[0]}")/window_script.sh"
# Frames drawn while paused: the window's own counter is not visible, so a
# second of wall time stands for a few frames (the outcome is checked on
# files, not on time).
some_frames() { sleep 1.5; }

# One run a case, each starting with no creature selected.
start() {
  rm -f stats.csv
  "$program" --seed 7 --window 640x480 --stats stats.csv > run.log 2>&1 &
  pid=$!
  window="$(timeout 120 xdotool search --sync --name '^creatures$' | head -n 1)" || fail "no window"
  run_on 3
}
stop() {
  xdotool key --window "$window" ctrl+q 2>/dev/null || true
  ended() { ! kill -0 "$pid" 2>/dev/null; }
  wait_for 60 ended || fail "the window did not close"
  pid=""
}
save() { xdotool mousemove --window "$window" 536 186 click 1; }
saved() { [ -n "$(ls -A saveDataOneCreature1 2>/dev/null)" ]; }

for paused in 0 1; do
  rm -rf saveDataOneCreature1
  start
  # The "Save a Creature" group: a press on the panel (a creature stands
  # behind it on the ground) selects nothing, so Save1 writes nothing.
  xdotool mousemove --window "$window" 490 168 click 1
  run_on 1
  save
  run_on 2
  saved && fail "a click on the panel selected the creature behind it"
  # A click on the followed creature selects it; requests wait for the run
  # to go on, so Save1 comes after the pause ends.
  [ "$paused" -eq 1 ] && { xdotool key --window "$window" ctrl+p; some_frames; }
  xdotool mousemove --window "$window" 320 240 click 1
  if [ "$paused" -eq 1 ]; then some_frames; xdotool key --window "$window" ctrl+p; fi
  run_on 1
  save
  wait_for 60 saved || fail "a click on the creature selected nothing (paused: $paused)"
  stop
done
echo "a click selects, paused and running; a click on the panel does not"
