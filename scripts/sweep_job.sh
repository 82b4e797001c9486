#!/usr/bin/env bash
# One job of a sweep:
#   sweep_job.sh PROGRAM JOBDIR SECONDS SEED SETTINGS
# SETTINGS is NAME=VALUE[,NAME=VALUE...], or - for none. Runs the program
# headless into JOBDIR (stats.csv, save/, champions/ when the program keeps
# champions, log.txt, stdout.txt) and, only when
# the run went to its end, writes JOBDIR/job.txt with the wall time and the
# speed. The exit status is 0 only then, so an interrupted or killed job is
# run again when the sweep is resumed. A job folder that already holds
# job.txt is left as it is (a resubmitted Slurm array skips finished tasks).
# On a remote machine of the sweep the folder is packed into JOBDIR.tar.
set -u

if [ "$#" -ne 5 ]; then
  echo "usage: sweep_job.sh PROGRAM JOBDIR SECONDS SEED SETTINGS" >&2
  exit 2
fi
program=$1 dir=$2 seconds=$3 seed=$4 settings=$5

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
  champion_args=(--champions "$dir/champions")
fi

start=$(date +%s.%N)
"$program" --headless --seed "$seed" --seconds "$seconds" --stats "$dir/stats.csv" \
  --save-all "$dir/save" "${champion_args[@]}" "${set_args[@]}" >"$dir/stdout.txt" 2>"$dir/log.txt"
status=$?
end=$(date +%s.%N)

# The program's closing report: "finished after N steps (X simulated s) in W s";
# a run stopped by a signal says "interrupted" and still exits with 0.
finished=$(grep -E '^finished after [0-9]+ steps' "$dir/log.txt" | tail -n 1)
if [ "$status" -ne 0 ] || [ -z "$finished" ]; then
  said=$(grep -E '^interrupted after' "$dir/log.txt" | tail -n 1)
  echo "sweep_job: $dir did not finish (exit status $status): ${said:-$(tail -n 1 "$dir/log.txt")}" >&2
  [ "$status" -ne 0 ] && exit "$status"
  exit 3
fi

steps=$(sed -E 's/^finished after ([0-9]+) steps.*/\1/' <<<"$finished")
awk -v s="$start" -v e="$end" -v n="$steps" -v host="$(hostname)" 'BEGIN {
  wall = e - s
  printf "steps=%d\nwall_s=%.3f\nsteps_per_s=%.1f\nhost=%s\n", n, wall, (wall > 0 ? n / wall : 0), host
}' >"$dir/job.txt.tmp" && mv "$dir/job.txt.tmp" "$dir/job.txt" || exit 1

# On another machine of a sweep (GNU parallel says which login it ran on) the
# folder goes back as one archive beside it: parallel's clean-up removes
# returned files, not folders.
if [ -n "${PARALLEL_SSHLOGIN:-}" ] && [ "$PARALLEL_SSHLOGIN" != ":" ]; then
  tar -C "$(dirname "$dir")" -cf "$dir.tar" "$(basename "$dir")" && rm -r "$dir"
fi
