#!/usr/bin/env bash
# An archipelago in the window keeps drawing when the user asks for an
# island a worker is stepping: keys 2 and then 1 are pressed while the
# island asked for is far from its epoch (an hour of simulated time away),
# and pictures of the window taken after each key must change. The window
# also draws on while the shown island waits for the other at frequent
# epochs. Runs inside xvfb-run.
set -euo pipefail
program="$(realpath "$1")"
source "$(dirname "${BASH_SOURCE[0]}")/window_script.sh"

# A picture of the window's pixels, as raw RGB, into $1.
shot() {
  eval "$(xdotool getwindowgeometry --shell "$window")"
  ffmpeg -loglevel error -f x11grab -video_size "${WIDTH}x${HEIGHT}" -i "$DISPLAY+$X,$Y" \
    -frames:v 1 -f rawvideo -pix_fmt rgb24 -y "$1"
}
# Whether the window's pictures change: up to 30 pictures half a second
# apart (a frozen window gives the same one every time).
changes() {
  shot first.raw
  for _ in $(seq 30); do
    sleep 0.5
    shot now.raw
    cmp -s first.raw now.raw || return 0
  done
  return 1
}
start() {
  "$program" --seed 7 --islands 2 --threads 2 --set learningRule=1 --window 640x480 "$@" \
    > run.log 2>&1 &
  pid=$!
  window="$(timeout 120 xdotool search --sync --name '^creatures$' | head -n 1)" || fail "no window"
  changes || fail "the window never drew"
}
stop() {
  xdotool key --window "$window" ctrl+q 2>/dev/null || true
  ended() { ! kill -0 "$pid" 2>/dev/null; }
  wait_for 120 ended || fail "the window did not close"
  wait "$pid" || fail "the run failed"
  pid=""
}

# The next epoch an hour away: a worker steps the island asked for all along.
start --migrate-every 3600
for key in 2 1; do
  xdotool key --window "$window" "$key"
  changes || fail "the window stopped drawing after key $key"
done
stop

# Epochs every 3 simulated seconds: the shown island waits for the other
# again and again, and the keys come while it may.
start --migrate-every 3
for key in 2 1 2; do
  xdotool key --window "$window" "$key"
  changes || fail "the window stopped drawing after key $key (frequent epochs)"
done
stop
echo "the window draws on while an island is asked for and while it waits"
