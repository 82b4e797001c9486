# What the scripts that drive the real window share; sourced after
# `program=$1`. Makes a working folder and goes there (removed at the end,
# with the program of $pid stopped), and gives:
#   fail MESSAGE       prints it and the run's log (run.log), exits 1
#   wait_for S CMD...  waits up to S seconds for CMD to succeed
#   rows               rows of the run's statistics file (stats.csv)
#   run_on N           waits until the run has gone on N more simulated
#                      seconds: rows that arrive after an input show that
#                      frames, which read the input, have been drawn
work="$(mktemp -d)"
pid=""
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"

fail() { echo "FAIL: $*"; cat run.log 2>/dev/null || true; exit 1; }

wait_for() {
  local limit=$1; shift
  for _ in $(seq $((limit * 10))); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

rows() { if [ -f stats.csv ]; then wc -l < stats.csv; else echo 0; fi; }

run_on() {
  local until=$(($(rows) + $1))
  reached() { [ "$(rows)" -ge "$until" ]; }
  wait_for 240 reached || fail "the run stopped going on"
}
