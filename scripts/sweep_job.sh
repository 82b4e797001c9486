#!/usr/bin/env bash
# One job of a sweep:
#   sweep_job.sh PROGRAM JOBDIR SECONDS SEED SETTINGS [OPTION ...]
# SETTINGS is NAME=VALUE[,NAME=VALUE...], or - for none. Runs the program
# headless in JOBDIR (stats.csv, save/, champions/ when the program keeps
# champions, log.txt, stdout.txt, autosave/ while it runs) and, only when
# the run went to its end, writes JOBDIR/job.txt with the wall time and the
# speed. A job stopped on the way goes on from its last autosave (every
# tenth of the run, ten simulated minutes at most) when it is run again, so
# a long sweep loses little to a restart of the machine. The exit status is 0 only then, so an interrupted or killed job is
# run again when the sweep is resumed. A job folder that already holds
# job.txt is left as it is (a resubmitted Slurm array skips finished tasks).
# On a remote machine of the sweep the folder is packed into JOBDIR.tar.
set -u

if [ "$#" -lt 5 ]; then
  echo "usage: sweep_job.sh PROGRAM JOBDIR SECONDS SEED SETTINGS [OPTION ...]" >&2
  exit 2
fi
program=$1 dir=$2 seconds=$3 seed=$4 settings=$5
shift 5
# Further options go to the program as they are (--islands 2, say).
extra_args=("$@")
# The program runs in the job's folder (its autosave goes there).
case $program in
  */*) [ -e "$program" ] && program=$(cd "$(dirname "$program")" && pwd)/$(basename "$program") ;;
esac

if [ -s "$dir/job.txt" ]; then
  echo "sweep_job: $dir is already finished"
  exit 0
fi
mkdir -p "$dir" || exit 1
rm -f "$dir/job.txt" "$dir/job.txt.tmp"

set_args=()
if [ "$settings" != "-" ]; then
  IFS=, read -r -a pairs <<<"$settings"
  for p in "${pairs[@]}"; do
    set_args+=(--set "$p")
  done
fi

# The best creature of every simulated hour, for --trial, when the program
# keeps them.
champion_args=()
if "$program" --help 2>/dev/null | grep -q -- '--champions'; then
  champion_args=(--champions champions)
fi

# Goes on from the autosave of an earlier try, if there is one, for what is
# left of the run by the autosave's clock: the program loads it for no step
# and its statistics file ends with a row of the world as loaded (the kept
# samples before it may stop well short of the clock). An autosave the
# program refuses as damaged is set aside (renamed, said in the log) and the
# job starts over; any other refusal fails the job, said.
autosave=$(awk -v s="$seconds" 'BEGIN { a = s / 10; if (a > 600) a = 600; printf "%.2f", a < 0.03 ? 0.03 : a }')
left=$seconds
resume_args=()
resumed_at=0
# An archipelago's autosave holds a folder an island; the first says.
saved=$dir/autosave
[ -d "$saved/island-1" ] && saved=$saved/island-1
if [ -f "$saved/SHA256SUMS" ]; then
  rm -f "$dir"/autosave-clock*.csv
  if (cd "$dir" && exec "$program" --headless --load-all autosave --steps 0 \
    --stats autosave-clock.csv "${extra_args[@]}") >/dev/null 2>"$dir/autosave-check.txt"; then
    clock=$dir/autosave-clock.csv
    [ -f "$clock" ] || clock=$dir/autosave-clock-island1.csv
    resumed_at=$(awk -F, 'END { print $1 }' "$clock")
    left=$(awk -v s="$seconds" -v a="$resumed_at" 'BEGIN { l = s - a; printf "%.6f", l }')
    if awk -v l="$left" 'BEGIN { exit !(l > 0.03) }'; then
      resume_args=(--load-all autosave)
      echo "sweep_job: $dir goes on from its autosave at $resumed_at simulated s" >>"$dir/log.txt"
    else
      left=$seconds resumed_at=0
    fi
  elif grep -q '^damaged file:' "$dir/autosave-check.txt"; then
    aside=$dir/autosave.damaged
    n=1
    while [ -e "$aside" ]; do n=$((n + 1)) aside=$dir/autosave.damaged-$n; done
    mv "$dir/autosave" "$aside" || exit 1
    echo "sweep_job: $dir: the autosave is damaged ($(grep -m 1 '^damaged file:' "$dir/autosave-check.txt")); set aside as $(basename "$aside"), the job starts over" >>"$dir/log.txt"
  else
    echo "sweep_job: $dir: its autosave could not be read: $(grep -v '^$' "$dir/autosave-check.txt" | head -n 1)" >&2
    cat "$dir/autosave-check.txt" >>"$dir/log.txt"
    exit 1
  fi
  rm -f "$dir"/autosave-clock*.csv "$dir/autosave-check.txt"
fi

# What this try says: the log's lines after those of earlier tries.
before=$(cat "$dir/log.txt" 2>/dev/null | wc -l)
start=$(date +%s.%N)
(cd "$dir" && exec "$program" --headless --seed "$seed" --seconds "$left" --stats stats.csv \
  --save-all save --autosave "$autosave" "${resume_args[@]}" "${champion_args[@]}" "${set_args[@]}" "${extra_args[@]}") \
  >"$dir/stdout.txt" 2>>"$dir/log.txt"
status=$?
end=$(date +%s.%N)

# The program's closing report: "finished after N steps (X simulated s) in W s";
# a run stopped by a signal says "interrupted" and still exits with 0.
said_now() { tail -n +"$((before + 1))" "$dir/log.txt"; }
finished=$(said_now | grep -E '^finished after [0-9]+ steps' | tail -n 1)
if [ "$status" -ne 0 ] || [ -z "$finished" ]; then
  said=$(said_now | grep -E '^interrupted after' | tail -n 1)
  echo "sweep_job: $dir did not finish (exit status $status): ${said:-$(tail -n 1 "$dir/log.txt")}" >&2
  [ "$status" -ne 0 ] && exit "$status"
  exit 3
fi

steps=$(sed -E 's/^finished after ([0-9]+) steps.*/\1/' <<<"$finished")
# The figures are those of the last try; resumed_at says where it began.
awk -v s="$start" -v e="$end" -v n="$steps" -v host="$(hostname)" -v r="$resumed_at" 'BEGIN {
  wall = e - s
  printf "steps=%d\nwall_s=%.3f\nsteps_per_s=%.1f\nhost=%s\nresumed_at=%s\n", n, wall, (wall > 0 ? n / wall : 0), host, r
}' >"$dir/job.txt.tmp" && mv "$dir/job.txt.tmp" "$dir/job.txt" || exit 1
rm -rf "$dir/autosave"

# On another machine of a sweep (GNU parallel says which login it ran on) the
# folder goes back as one archive beside it: parallel's clean-up removes
# returned files, not folders.
if [ -n "${PARALLEL_SSHLOGIN:-}" ] && [ "$PARALLEL_SSHLOGIN" != ":" ]; then
  tar -C "$(dirname "$dir")" -cf "$dir.tar" "$(basename "$dir")" && rm -r "$dir"
fi
