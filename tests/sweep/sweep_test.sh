#!/usr/bin/env bash
# The sweep on a tiny grid with the real program: every job's files, the
# summary, resuming after jobs were interrupted or killed, a job alone giving
# the same statistics as inside the sweep, the Slurm array, refusals.
#   sweep_test.sh PROGRAM
set -euo pipefail
program=$(realpath "$1")
sweep="$(cd "$(dirname "$0")/../.." && pwd)/scripts/sweep.sh"
. "$(dirname "$0")/../support/script_test.sh"
logged() { tail -n +2 "$1/joblog" | wc -l; }

cat >tiny.sweep <<'EOF'
seconds 20   # simulated
seeds 1 2
set foodInterval 5 20
set wallHeight 0.5
EOF
jobs=(foodInterval5_wallHeight0.5_seed1 foodInterval5_wallHeight0.5_seed2
  foodInterval20_wallHeight0.5_seed1 foodInterval20_wallHeight0.5_seed2)

# Stands in for the program: runs the real one, and stops the job named in an
# order file with the signal in it once the run is under way (its first
# autosave made, a tenth of the run).
mkdir orders
cat >shim.sh <<EOF
#!/usr/bin/env bash
order="$tmp/orders/\$(basename "\$PWD")"
[ -f "\$order" ] || exec "$program" "\$@"
signal=\$(cat "\$order"); rm "\$order"
"$program" "\$@" & pid=\$!
# Once its first autosave is whole (the program runs in the job's folder),
# however slow the build.
while [ ! -f autosave/SHA256SUMS ] && kill -0 \$pid 2>/dev/null; do sleep 0.01; done
kill -"\$signal" \$pid 2>/dev/null || touch "$tmp/orders/missed"
wait \$pid
EOF
chmod +x shim.sh
# Ctrl-C makes the program stop early but exit with 0; SIGKILL leaves no report.
echo INT >"orders/${jobs[1]}"
echo KILL >"orders/${jobs[2]}"

if bash "$sweep" tiny.sweep -o res --program ./shim.sh -j 2 >first.log 2>&1; then
  fail "a sweep with a stopped job reported success"
fi
[ ! -e orders/missed ] || fail "a job ended before the signal"
[ "$(logged res)" -eq 4 ] || fail "the first run logged $(logged res) jobs"
[ "$(grep -c ',finished,' res/summary.csv)" -eq 2 ] || fail "two jobs should be finished"
[ "$(wc -l <res/summary.csv)" -eq 5 ] || fail "summary.csv needs one row per job"

# The rerun runs just the two stopped jobs; a third run runs nothing.
bash "$sweep" tiny.sweep -o res --program ./shim.sh -j 2 >second.log 2>&1 ||
  fail "the resumed sweep failed: $(cat second.log)"
[ "$(logged res)" -eq 6 ] || fail "the rerun logged $(($(logged res) - 4)) jobs, not 2"
for j in "${jobs[@]}"; do
  [ -s "res/jobs/$j/job.txt" ] && [ -d "res/jobs/$j/save" ] || fail "$j is incomplete"
  tail -n 1 "res/jobs/$j/stats.csv" | grep -q '^20\.0' || fail "$j stopped early"
done
# The killed job went on from its autosave, its statistics whole from 0 s.
grep -q 'goes on from its autosave' "res/jobs/${jobs[2]}/log.txt" || fail "the killed job started again from 0 s"
[ "$(wc -l <"res/jobs/${jobs[2]}/stats.csv")" -eq "$(wc -l <"res/jobs/${jobs[0]}/stats.csv")" ] ||
  fail "the resumed job's statistics have gaps or repeats"
[ ! -e "res/jobs/${jobs[2]}/autosave" ] || fail "a finished job kept its autosave"
md5sum res/jobs/*/stats.csv >sums
bash "$sweep" tiny.sweep -o res --program "$program" >third.log 2>&1 || fail "third run"
[ "$(logged res)" -eq 6 ] || fail "a finished sweep ran jobs again"
md5sum -c --quiet sums || fail "a finished job's statistics changed"
# A job whose folder is gone runs again, and makes the same statistics.
rm -r "res/jobs/${jobs[0]}"
bash "$sweep" tiny.sweep -o res --program "$program" >fourth.log 2>&1 || fail "fourth run"
[ "$(logged res)" -eq 6 ] || fail "the missing job was not run again alone"
md5sum -c --quiet sums || fail "the job run again made other statistics"

# Summary: the header, the finished values read from the statistics file.
head -n 1 res/summary.csv | grep -q '^job,seed,foodInterval,wallHeight,learning_rule,status,sim_seconds,final_population,births,refills,foods_eaten,deaths_starved,deaths_fallen,mean_progress_first20m,mean_progress_last20m,max_generation,wall_s,steps_per_s$' ||
  fail "summary header: $(head -n 1 res/summary.csv)"
row=$(grep "^${jobs[3]}," res/summary.csv)
last=$(tail -n 1 "res/jobs/${jobs[3]}/stats.csv")
[ "$(cut -d, -f5 <<<"$row")" = 0 ] || fail "learning rule: $row"
[ "$(cut -d, -f8 <<<"$row")" = "$(cut -d, -f2 <<<"$last")" ] || fail "final population: $row"
[ "$(cut -d, -f10 <<<"$row")" = "$(cut -d, -f4 <<<"$last")" ] || fail "births: $row"
if command -v gnuplot >/dev/null; then
  for c in population births deaths mean_progress; do [ -s "res/charts/$c.png" ] || fail "no $c chart"; done
fi

# The series behind the charts, from two crafted runs of one combination:
# births as rates per minute (2 and 4), the mean progress weighed by the
# cycles scored (0.1 and 0.3 on 10 cycles a second), counts whole.
printf 'seconds 600\nseeds 1 2\n' >craft.sweep
for j in 1 2; do
  mkdir -p "craft/jobs/seed$j"
  echo "wall_s=1" >"craft/jobs/seed$j/job.txt"
  awk -v j=$j 'BEGIN {
    print "time,population,births,deaths_starved,deaths_fallen,cycles_evaluated,mean_progress"
    for (t = 0; t <= 600; t++)
      printf "%d,%d,%d,%d,0,10,%g\n", t, 8 + 2 * j, int(t * j / 30), int(t / 60), 0.2 * j - 0.1 }' \
    >"craft/jobs/seed$j/stats.csv"
done
bash "$sweep" craft.sweep -o craft --summary --program "$program" >/dev/null 2>&1 || fail "crafted summary"
last=$(grep -v '^#' craft/charts/series.dat | awk 'NF' | tail -n 1)
[ "$last" = "600 2 11 1.41421 3 1.41421 1 0 0.2 0.141421 0.2 0.141421" ] ||
  fail "series at 600 s: $last"
awk '!/^#/ && NF && ($5 < 0 || $7 < 0 || $3 != 11) { bad = 1 } END { exit bad }' \
  craft/charts/series.dat || fail "a negative rate or a wrong population in the series"

# A finished job whose statistics are not one run's is unfinished in the
# summary, and the program says why.
cp -r craft craft2
echo "5,10" >>craft2/jobs/seed2/stats.csv
bash "$sweep" craft.sweep -o craft2 --summary --program "$program" >/dev/null 2>err.txt ||
  fail "summary with a bad statistics file"
grep -q "^seed2,2,0,unfinished,,," craft2/summary.csv && grep -q "^seed1,1,0,finished," craft2/summary.csv ||
  fail "a bad statistics file: $(cat craft2/summary.csv)"
grep -q "creatures: --summarize .*/seed2/stats.csv: line 603: 2 values" err.txt || fail "$(cat err.txt)"

# Statistics files with other columns are read by name: columns moved and the
# progress columns missing leave those cells empty, the rest unchanged.
cp -r res old
for j in "${jobs[@]}"; do
  awk -F, -v OFS=, '{ print $3, $2, $1, $4, $5, $6, $7, $8, $9, $10 }' "res/jobs/$j/stats.csv" \
    >"old/jobs/$j/stats.csv"
done
bash "$sweep" tiny.sweep -o old --summary --program "$program" >/dev/null 2>&1 || fail "summary of older files"
[ "$(cut -d, -f1-13,17- res/summary.csv)" = "$(cut -d, -f1-13,17- old/summary.csv)" ] ||
  fail "older files summarised differently: $(cat old/summary.csv)"
[ "$(tail -n +2 old/summary.csv | cut -d, -f14-16 | sort -u)" = ",," ] || fail "progress cells"
[ ! -e old/charts/mean_progress.png ] || fail "a progress chart without progress"

# The same job alone gives byte-identical statistics: the sweep's own
# options (its autosaves, the folder it runs in) change nothing. (A job that
# went on from an autosave differs: a load is a new start of the generator.)
"$program" --headless --seed 2 --seconds 20 --set foodInterval=20 --set wallHeight=0.5 \
  --stats alone.csv >/dev/null 2>&1
cmp alone.csv "res/jobs/${jobs[3]}/stats.csv" || fail "the job alone differs"

# Slurm: one task per job, each the job command of the sweep.
bash "$sweep" tiny.sweep -o slurm --program "$program" --slurm array.sh --sbatch --time=1:00:00 \
  >/dev/null
grep -qx '#SBATCH --array=1-4' array.sh || fail "array size: $(grep array= array.sh)"
grep -qx '#SBATCH --time=1:00:00' array.sh || fail "extra #SBATCH line"
bash "$sweep" tiny.sweep -o slurm --program "$program" --dry-run | tail -n +2 >dry.txt
diff <(sed -n 's/^  [0-9]*) exec \(.*\) ;;$/\1/p' array.sh) dry.txt || fail "Slurm commands"
SLURM_ARRAY_TASK_ID=4 bash array.sh >/dev/null 2>&1 || fail "Slurm task 4"
cmp "slurm/jobs/${jobs[3]}/stats.csv" "res/jobs/${jobs[3]}/stats.csv" || fail "Slurm task differs"
if SLURM_ARRAY_TASK_ID=5 bash array.sh 2>/dev/null; then fail "task 5 ran"; fi

# Refusals, before any folder is made, naming the line: a bad statement, a
# second seconds line, values equal as numbers, a seed or a value the program
# refuses (in its own words), another sweep into a used folder.
for bad in "sets 1" "seeds 1-x" "set groundSize 10 500|groundSize=500 is outside its range" \
  "seconds 2|a second 'seconds' line" "set foodInterval 10 10.0 1e1|has a value twice" \
  "seeds 4294967296|--seed needs a whole number" "set foodInterval 0x10|'0x10' is not a number" \
  "set physics fast fast|has a value twice" "set physics slow|needs one of classic fast" \
  "seeds 01|seed 1 is given twice" "seeds 2 0002|seed 2 is given twice" \
  "seeds 3-5 4|seed 4 is given twice" "seeds 0-1|seed 1 is given twice" \
  "seeds 5-3|'5-3' is not a seed" "seeds 099999999999|--seed needs a whole number"; do
  printf 'seconds 1\nseeds 1\n%s\n' "${bad%%|*}" >bad.sweep
  status=0
  bash "$sweep" bad.sweep -o badres --program "$program" 2>err.txt || status=$?
  [ "$status" -eq 2 ] && [ ! -e badres ] && [ "$(grep -c '^sweep: bad.sweep:3: ' err.txt)" -eq 1 ] ||
    fail "'${bad%%|*}' gave status $status: $(cat err.txt)"
  [[ "$bad" != *"|"* ]] || grep -qF -- "${bad#*|}" err.txt || fail "'${bad%%|*}': $(cat err.txt)"
done

# Results folders of any name, and nothing in them reaches a shell: quotes,
# spaces and a command substitution are taken as names, a line break refused.
printf 'seconds 1\nseeds 1\nset foodInterval 5\n' >one.sweep
for name in "it's here" 'a b' '$(touch INJECTED)' "inj'; touch INJECTED; echo '" -dash - --; do
  bash "$sweep" one.sweep -o "$name" --program "$program" >/dev/null 2>err.txt ||
    fail "-o '$name': $(cat err.txt)"
  [ -s "$name/summary.csv" ] && grep -q -e ",finished," -- "$name/summary.csv" || fail "-o '$name': no summary"
  bash "$sweep" one.sweep -o "$name" --program "$program" --slurm "$name.sh" >/dev/null 2>&1 ||
    fail "--slurm with -o '$name'"
  bash -n -- "$name.sh" || fail "the Slurm script of -o '$name' is not one script"
done
[ ! -e INJECTED ] || fail "a name was run as a command"
if bash "$sweep" one.sweep -o "$(printf 'line\nbreak')" --program "$program" 2>err.txt; then
  fail "a line break in -o was taken"
fi
grep -q 'line break' err.txt || fail "$(cat err.txt)"
[ "$(bash "$sweep" one.sweep -o -dash --program "$program" --dry-run 2>/dev/null | head -n 1)" = "cd $(printf '%q' "$tmp/-dash")" ] ||
  fail "--dry-run with -o -dash"
if bash "$sweep" one.sweep --program "$program" -o 2>err.txt; then fail "-o without a folder ran"; fi
grep -qx 'sweep: -o needs a value (see --help)' err.txt || fail "-o without a folder: $(cat err.txt)"

# Seeds are numbers: written without leading zeros in job names and
# commands.
for case in "00010|seed10 1 10" "08-010|seed8 1 8,seed9 1 9,seed10 1 10" \
  "1-0000000000000000000002 7|seed1 1 1,seed2 1 2,seed7 1 7"; do
  printf 'seconds 1\nseeds %s\n' "${case%%|*}" >seeds.sweep
  got=$(bash "$sweep" seeds.sweep --program "$program" --dry-run 2>/dev/null | tail -n +2 |
    awk '{ sub(/^jobs\//, "", $4); printf "%s%s %s %s", (NR > 1 ? "," : ""), $4, $5, $6 }')
  [ "$got" = "${case#*|}" ] || fail "seeds ${case%%|*}: $got"
done

# The number of jobs is said; a large sweep runs only when asked.
printf 'seconds 1\nseeds 1-10000\n' >large.sweep
if bash "$sweep" large.sweep -o large --program "$program" 2>err.txt; then fail "10000 jobs ran"; fi
grep -q '^sweep: 10000 jobs$' err.txt && grep -q 'give --yes' err.txt && [ ! -e large ] ||
  fail "large sweep: $(cat err.txt)"
# Counted, not made: a sweep of billions of jobs is refused at once, without
# a folder (the time limit only stops a sweep that would make them all).
nl=$'\n' values="1 2 3 4 5 6 7 8 9 10"
grid="seeds 1-100${nl}set groundSize 3 4 5 6 7 8 9 10 11 12${nl}set foodInterval $values"
grid+="${nl}set minPopulation $values${nl}set wallHeight $values"
grid+="${nl}set gravity -1 -2 -3 -4 -5 -6 -7 -8 -9 -10${nl}set stepsPerFrame 1 2 3 4 5"
for case in "seeds 0-4294967295|4294967296" "seeds 1-1000000|1000000" "$grid|50000000" \
  "seeds 1-4294967295 0${nl}set foodInterval $values${nl}set wallHeight $values|429496729600"; do
  printf 'seconds 1\n%s\n' "${case%|*}" >large.sweep
  status=0
  timeout 120 bash "$sweep" large.sweep -o large --program "$program" 2>err.txt || status=$?
  [ "$status" -eq 2 ] && [ ! -e large ] && grep -qx "sweep: ${case##*|} jobs" err.txt &&
    grep -q 'give --yes' err.txt || fail "large sweep (status $status): $(cat err.txt)"
done
sed -i 's/seeds 1 2/seeds 1 2 3/' tiny.sweep
if bash "$sweep" tiny.sweep -o res --program "$program" 2>err.txt; then fail "another sweep ran"; fi
grep -q "another sweep" err.txt || fail "$(cat err.txt)"

echo "sweep test: 1 passed, 0 failed"
