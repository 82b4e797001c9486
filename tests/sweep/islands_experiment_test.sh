#!/usr/bin/env bash
# The islands experiment on one seed for half a simulated minute with the
# real program: the three runs and their files, the report and the trial of
# the champions; island 1 of the archipelago is the world of 10 of the same
# seed until the first migration; run again, finished runs are kept as they
# are; a wrong option is refused.
#   islands_experiment_test.sh PROGRAM
set -euo pipefail
program=$(realpath "$1")
experiment="$(cd "$(dirname "$0")/../.." && pwd)/examples/islands_experiment.sh"
. "$(dirname "$0")/../support/script_test.sh"
run() { bash "$experiment" -o out --seeds 3 --seconds 30 -j 2 --program "$program"; }

run >out.txt 2>&1 || fail "the experiment failed"
[ "$(wc -l <out/runs.txt)" -eq 3 ] || fail "runs.txt holds $(wc -l <out/runs.txt) runs"
for job in islands2x10_seed3 world20_seed3 world10_seed3; do
  [ -s "out/jobs/$job/job.txt" ] || fail "$job did not finish"
  grep -q "^${job%_seed3}: 1 runs" out/report.txt || fail "the report leaves out $job"
done
for i in 1 2; do
  [ -s "out/jobs/islands2x10_seed3/stats-island$i.csv" ] || fail "no statistics of island $i"
  [ -d "out/jobs/islands2x10_seed3/save/island-$i" ] || fail "no save of island $i"
done
cmp -s out/jobs/islands2x10_seed3/stats-island1.csv out/jobs/world10_seed3/stats.csv ||
  fail "island 1 before any migration differs from the world of 10 of its seed"
# The trial: a champion of each world and each island, on the course.
[ "$(tail -n +2 out/trial.csv | wc -l)" -eq 4 ] || fail "the trial holds $(tail -n +2 out/trial.csv | wc -l) champions"
grep -q "islands2x10_seed3 island-2" out/report.txt || fail "the report's trial leaves out island 2"

# Again: nothing is run twice.
stamps() { stat -c '%Y %s' out/jobs/*/job.txt out/jobs/*/stats*.csv; }
before=$(stamps)
run >again.txt 2>&1 || { cat again.txt >&2; fail "the second run failed"; }
[ "$(grep -c 'is already finished' again.txt)" -eq 3 ] || fail "finished runs were run again"
[ "$(stamps)" = "$before" ] || fail "finished runs' files changed"

if bash "$experiment" --sedes 1 >bad.txt 2>&1; then fail "a misspelt option was taken"; fi
grep -q "unknown option --sedes" bad.txt || fail "no message for a misspelt option"
echo "islands experiment: ok"
