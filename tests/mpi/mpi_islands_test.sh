#!/usr/bin/env bash
# The archipelago across MPI processes with the real program: the same seed
# gives the same islands as on threads, a saved one loads on either, a save
# of another number of islands is refused, ranks given different experiments
# or outputs they cannot write refuse at the start, a rank that dies or stops
# ends the run with its number said while the last autosaves still load; the
# Slurm batch
# script runs the islands and, submitted again, goes on from their autosaves.
#   mpi_islands_test.sh PROGRAM
set -euo pipefail
program=$(realpath "$1")
slurm_script="$(cd "$(dirname "$0")/../.." && pwd)/scripts/islands_slurm.sh"
. "$(dirname "$0")/../support/script_test.sh"
# Open MPI refuses root unless told; the machine may have fewer cores than ranks.
export OMPI_ALLOW_RUN_AS_ROOT=1 OMPI_ALLOW_RUN_AS_ROOT_CONFIRM=1
mpi() { local n=$1; shift; mpirun --oversubscribe -n "$n" "$program" --headless --islands-mpi "$@"; }
# The process id of rank $2 of the run whose command holds $1.
rank_pid() {
  local pid
  for pid in $(pgrep -f -- "$1"); do
    if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "OMPI_COMM_WORLD_RANK=$2"; then
      echo "$pid"
    fi
  done
}

# Two ranks and two threads: every file of every island the same, migrants
# taken in at two epochs.
mpi 2 --seed 11 --seconds 130 --migrate-every 60 --save-all by-mpi >mpi.out 2>&1 ||
  { cat mpi.out; fail "the MPI run failed"; }
"$program" --headless --islands 2 --seed 11 --seconds 130 --migrate-every 60 \
  --save-all by-threads >threads.out 2>&1 || { cat threads.out; fail "the threaded run failed"; }
diff -r by-mpi by-threads >/dev/null || fail "islands differ between MPI and threads"
awk -F, 'NR > 1 && $8 == 1' by-mpi/island-2/family.csv | grep -q . ||
  fail "no migrant of island 1 in island 2's family"
grep -c "^  island [12]: population" mpi.out | grep -qx 2 || { cat mpi.out; fail "closing lines"; }
[ "$(grep -c '^archipelago: 2 islands' mpi.out)" = 1 ] || fail "the header is said once"

# The saved archipelago goes on the same by MPI and by threads (a save keeps
# no generator state: the seed of the going on is given).
mpi 2 --load-all by-mpi --seed 5 --seconds 70 --save-all on-mpi >/dev/null 2>&1 || fail "MPI load"
"$program" --headless --load-all by-mpi --seed 5 --seconds 70 --save-all on-threads >/dev/null 2>&1 ||
  fail "threaded load"
diff -r on-mpi on-threads >/dev/null || fail "continued islands differ"

# Three ranks for a save of two: refused before anything runs.
if mpi 3 --load-all by-mpi --seconds 10 >three.out 2>&1; then fail "3 ranks loaded 2 islands"; fi
grep -q "holds 2 islands, not 3" three.out || { cat three.out; fail "no reason given"; }

# Ranks that would not run one experiment (and so would wait for each other
# for ever) refuse at the start, one line naming how the first differs; an
# output of an island that is a named pipe is refused likewise.
mkfifo st-island2.csv
while IFS='|' read -r first second said; do
  # shellcheck disable=SC2086
  if timeout 300 mpirun --oversubscribe -n 1 "$program" --headless --islands-mpi $first : \
    -n 1 "$program" --headless --islands-mpi $second >differ.out 2>&1; then
    fail "ranks given '$first' and '$second' ran"
  fi
  [ "$(grep -c '^creatures: ' differ.out)" = 1 ] && grep -qF -- "$said" differ.out ||
    { cat differ.out; fail "ranks given '$first' and '$second': not said"; }
done <<'EOF'
--seed 1 --steps 30|--seed 1 --steps 40|creatures: rank 1 was given --steps 40, rank 0 --steps 30:
--seed 1 --steps 30 --migrate-every 60|--seed 1 --steps 30|rank 1 was given --migrate-every 600, rank 0 --migrate-every 60:
--seed 1 --seconds 5|--seed 2 --seconds 5|rank 1 was given --seed 2, rank 0 --seed 1:
--steps 3 --set foodInterval=5|--steps 3|rank 1 was given no --set foodInterval, rank 0 --set foodInterval=5:
--steps 3 --stats st.csv|--steps 3 --stats st.csv|--stats st-island2.csv: it is not a regular file
EOF
rm st-island2.csv

# A rank killed mid-run: the run ends, the rank is named, the autosaves load.
mpi 2 --seed 3 --seconds 100000 --autosave 30 >killed.out 2>&1 &
job=$!
for _ in $(seq 600); do
  [ -f autosave/island-1/SHA256SUMS ] && [ -f autosave/island-2/SHA256SUMS ] && break
  sleep 0.1
done
[ -f autosave/island-2/SHA256SUMS ] || { kill "$job"; fail "no autosave"; }
victim=$(rank_pid "--islands-mpi --seed 3" 1)
[ -n "$victim" ] || { kill "$job"; fail "rank 1 not found"; }
kill -9 "$victim"
status=0
wait "$job" || status=$?
[ "$status" -ne 0 ] || fail "the run went on with a rank dead"
grep -q "rank 1" killed.out || { cat killed.out; fail "the dead rank is not named"; }
"$program" --headless --load-all autosave --seconds 5 >reload.out 2>&1 ||
  { cat reload.out; fail "the last autosaves do not load"; }
# A rank stopped mid-run (SIGSTOP): the rank after it hears nothing for
# --rank-wait seconds while it waits at an epoch, says so and ends the run;
# the autosaves load.
rm -rf autosave
timeout 300 mpirun --oversubscribe -n 2 "$program" --headless --islands-mpi --seed 6 \
  --seconds 100000 --autosave 30 --migrate-every 15 --rank-wait 3 >stopped.out 2>&1 &
job=$!
for _ in $(seq 600); do
  [ -f autosave/island-1/SHA256SUMS ] && [ -f autosave/island-2/SHA256SUMS ] && break
  sleep 0.1
done
victim=$(rank_pid "--islands-mpi --seed 6" 1)
[ -n "$victim" ] || { kill "$job"; fail "rank 1 of the run to stop not found"; }
kill -STOP "$victim"
status=0
wait "$job" || status=$?
kill -9 "$victim" 2>/dev/null || true
[ "$status" -ne 0 ] && [ "$status" -ne 124 ] || { cat stopped.out; fail "status $status with a rank stopped"; }
grep -q "^creatures: rank 0 (island 1) has heard nothing from rank 1 (island 2) for [0-9]* s (--rank-wait 3) while it waited for the migrants of the epoch at" stopped.out ||
  { cat stopped.out; fail "the silence of the stopped rank is not said"; }
"$program" --headless --load-all autosave --seconds 5 >reload.out 2>&1 ||
  { cat reload.out; fail "the autosaves of the stopped run do not load"; }

# The batch script, with an srun that starts the tasks by mpirun on this
# machine.
mkdir bin
printf '%s\n' '#!/usr/bin/env bash' '[[ "$1" == --kill-on-bad-exit* ]] && shift' \
  'exec mpirun --oversubscribe -n "$SLURM_NTASKS" "$@"' >bin/srun
chmod +x bin/srun
bash "$slurm_script" -n 2 -o "$tmp/cluster" --program "$program" --autosave 20 \
  --sbatch --time=1:00:00 -- --seed 4 --seconds 30 --stats "run stats.csv" >/dev/null ||
  fail "no batch script"
grep -qx "#SBATCH --ntasks=2" cluster/islands.sbatch || fail "no --ntasks line"
grep -qx "#SBATCH --time=1:00:00" cluster/islands.sbatch || fail "no extra #SBATCH line"
for round in 1 2; do
  PATH="$tmp/bin:$PATH" SLURM_NTASKS=2 bash cluster/islands.sbatch >"batch$round.out" 2>&1 ||
    { cat "batch$round.out"; fail "the batch script failed (round $round)"; }
done
[ -f "cluster/run stats-island2.csv" ] || fail "no statistics of island 2"
# Each process's lines reach the output in any order; a "read" is counted
# wherever its line starts.
if grep -q 'read$' batch1.out; then fail "the first round loaded something"; fi
[ "$(grep -c 'read$' batch2.out)" = 2 ] || fail "the second round did not go on from the autosaves"
if bash "$slurm_script" -n 2 -o x --program "$program" -- --islands 3 2>/dev/null; then
  fail "--islands taken into a batch script"
fi

echo "mpi islands: ok"
