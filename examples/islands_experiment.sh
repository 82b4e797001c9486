#!/usr/bin/env bash
# What an archipelago does for evolution: for each seed, an archipelago of 2
# islands of 10 creatures (migration every 600 simulated s) against one world
# of 20 and one world of 10, all under the improved learning rules, for three
# simulated hours. Then the mean progress per hour, births and generations
# of each (docs chart), the wall time of each, and a trial of the champions
# of the first and the last hour.
#
#   examples/islands_experiment.sh [-o DIR] [-j JOBS] [--program P]
#                                  [--seconds S] [--seeds "1 2 3 4"]
#
# About 17 hours of one core for the default 4 seeds (an island of 10 steps
# about as fast as a world of 10; a world of 20 takes twice as long). Run the
# same command again after an interruption: finished runs are kept, a run
# stopped on the way goes on from its autosave (jobs run by the sweep's job
# script). Each archipelago uses one thread an island: with -j 2 on two
# cores, wall times of archipelagos are those of a shared machine.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=islands-experiment jobs=1 seconds=10800 seeds="1 2 3 4"
program=$here/build/creatures
while [ $# -gt 0 ]; do
  case $1 in
    -o) out=$2; shift 2 ;;
    -j) jobs=$2; shift 2 ;;
    --program) program=$2; shift 2 ;;
    --seconds) seconds=$2; shift 2 ;;
    --seeds) seeds=$2; shift 2 ;;
    -h|--help) sed -n '2,17p' "$0"; exit 0 ;;
    *) echo "islands_experiment: unknown option $1" >&2; exit 2 ;;
  esac
done
[ -x "$program" ] || { echo "islands_experiment: no program $program (build it, or give --program)" >&2; exit 2; }
program=$(cd "$(dirname "$program")" && pwd)/$(basename "$program")
mkdir -p "$out/jobs"
out=$(cd "$out" && pwd)
hours=$(awk -v s="$seconds" 'BEGIN { h = int(s / 3600); print h < 1 ? 1 : h }')

# The runs, one a line: the job script's arguments.
list=$out/runs.txt
: >"$list"
for seed in $seeds; do
  printf '%s\n' \
    "jobs/islands2x10_seed$seed $seconds $seed learningRule=1,minPopulation=10 --islands 2 --migrate-every 600" \
    "jobs/world20_seed$seed $seconds $seed learningRule=1,minPopulation=20" \
    "jobs/world10_seed$seed $seconds $seed learningRule=1,minPopulation=10" >>"$list"
done

cd "$out"
failed=0
# shellcheck disable=SC2086 # the words of a line are the job's arguments
xargs -P "$jobs" -L 1 bash "$here/scripts/sweep_job.sh" "$program" <"$list" || failed=1

python3 "$here/scripts/evolution_report.py" --hours "$hours" --csv hours.csv --chart progress.png \
  jobs/* | tee report.txt
# The champions of the first and the last hour, on the standard course, with
# what they learned.
champions=()
for f in jobs/*/champions/hour-1.creature jobs/*/champions/island-*/hour-1.creature \
         $([ "$hours" -gt 1 ] && echo jobs/*/champions/hour-"$hours".creature jobs/*/champions/island-*/hour-"$hours".creature); do
  [ -f "$f" ] && champions+=("$f")
done
if [ ${#champions[@]} -gt 0 ]; then
  "$program" --trial "${champions[@]}" --set learningRule=1 --trial-csv trial.csv >trial.txt 2>&1 || failed=1
  python3 "$here/scripts/evolution_report.py" --trial trial.csv --trial-hours "1,$hours" \
    --chart trial.png | tee -a report.txt
fi
[ "$failed" -eq 0 ] || { echo "islands_experiment: some runs did not finish; run the same command again" >&2; exit 1; }
