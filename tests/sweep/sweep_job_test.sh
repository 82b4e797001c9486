#!/usr/bin/env bash
# One job of a sweep run again after an earlier try left its autosave: it
# goes on to its `seconds` by the autosave's clock (the statistics the save
# keeps end short of it), and an autosave the program refuses as damaged is
# set aside so that the job starts over instead of failing on every retry.
#   sweep_job_test.sh PROGRAM
set -euo pipefail
program=$(realpath "$1")
job="$(cd "$(dirname "$0")/../.." && pwd)/scripts/sweep_job.sh"
. "$(dirname "$0")/../support/script_test.sh"

# Each case: whether the autosave (at 9.48 simulated s, its last kept
# statistics row at 9.03 s) is damaged, what the job's log says, and whether
# the autosave is set aside.
while IFS='|' read -r name damaged said aside; do
  mkdir "$name"
  (cd "$name" && "$program" --headless --seed 1 --seconds 9.48 --save-all autosave) \
    >/dev/null 2>&1 || fail "$name: no autosave"
  if [ "$damaged" = yes ]; then
    printf 'X' | dd of="$name/autosave/config.dat" bs=1 seek=40 conv=notrunc 2>/dev/null
  fi
  bash "$job" "$program" "$name" 20 1 - >"$name.out" 2>&1 ||
    { cat "$name.out" "$name/log.txt"; fail "$name: the job failed"; }
  [ -s "$name/job.txt" ] || fail "$name: no job.txt"
  grep -qF -- "$said" "$name/log.txt" || { cat "$name/log.txt"; fail "$name: the log does not say '$said'"; }
  [ "$([ -d "$name/autosave.damaged" ] && echo yes || echo no)" = "$aside" ] ||
    fail "$name: the autosave set aside: not $aside"
  # The run ends at 20 s (667 steps), not the stretch between the last kept
  # row and the clock later.
  tail -n 1 "$name/stats.csv" | awk -F, '{ exit !($1 > 19.99 && $1 < 20.02) }' ||
    fail "$name: the run ended at $(tail -n 1 "$name/stats.csv" | cut -d, -f1) s"
done <<'EOF'
whole|no|goes on from its autosave at 9.479999788 simulated s|no
damaged|yes|the autosave is damaged (damaged file:autosave/config.dat|yes
EOF
grep -q "set aside as autosave.damaged, the job starts over" damaged/log.txt || fail "not said set aside"
echo "sweep job: ok"
