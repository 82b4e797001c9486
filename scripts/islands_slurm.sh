#!/usr/bin/env bash
# Writes a Slurm batch script that runs one experiment as an archipelago
# across the cluster: one island a task (srun starts the program once a task,
# and the MPI build of the program makes each its island). The results folder
# must be on a file system every node sees: each island autosaves into it,
# and a job submitted again goes on from the last whole autosaves.
# See docs/islands.md, "On a Slurm cluster".
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(dirname "$here")

usage() {
  cat <<EOF
usage: scripts/islands_slurm.sh -n N -o DIR [options] [-- PROGRAM OPTIONS]

  -n, --islands N        islands, one Slurm task each (#SBATCH --ntasks=N)
  -o, --results DIR      results folder on a file system every node sees
  --program PATH         the program built with -DCREATURES_MPI=ON
                         (default: build/creatures of this checkout)
  --script FILE          the batch script to write (default: DIR/islands.sbatch)
  --autosave S           simulated seconds between autosaves (default: 600)
  --sbatch OPTION        an extra #SBATCH line, e.g. --sbatch --time=12:00:00
  --launcher srun|mpirun how the tasks are started (default: srun; mpirun for an
                         Open MPI that was not built with Slurm's support)
  -h, --help             this text

Everything after -- goes to every island, e.g.
  -- --seed 3 --seconds 21600 --set learningRule=1 --migrate-every 600
EOF
}

die() {
  echo "islands_slurm: $*" >&2
  exit 2
}

islands="" results="" program="$repo/build/creatures" script="" autosave=600 launcher=srun
sbatch_lines=() args=()
while [ "$#" -gt 0 ]; do
  case "$1" in
    -n | --islands | -o | --results | --program | --script | --autosave | --sbatch | --launcher)
      [ "$#" -ge 2 ] && [ -n "$2" ] || die "$1 needs a value (see --help)" ;;
  esac
  case "$1" in
    -n | --islands) islands=$2; shift ;;
    -o | --results) results=$2; shift ;;
    --program) program=$2; shift ;;
    --script) script=$2; shift ;;
    --autosave) autosave=$2; shift ;;
    --sbatch) sbatch_lines+=("$2"); shift ;;
    --launcher) launcher=$2; shift ;;
    -h | --help) usage; exit 0 ;;
    --) shift; args=("$@"); break ;;
    *) die "unknown option $1 (see --help)" ;;
  esac
  shift
done
[[ "$islands" =~ ^[1-9][0-9]*$ ]] || die "-n needs a number of islands, not '${islands}'"
[ "$islands" -ge 2 ] || die "an archipelago needs at least 2 islands"
[ -n "$results" ] || die "-o needs the results folder"
[[ "$autosave" =~ ^[0-9]+([.][0-9]+)?$ ]] && [[ "$autosave" =~ [1-9] ]] ||
  die "--autosave needs a number of simulated seconds above 0, not '$autosave'"
case "$launcher" in srun | mpirun) ;; *) die "--launcher is srun or mpirun, not '$launcher'" ;; esac
nl=$'\n'
for p in "$results" "$program" "$script" "${sbatch_lines[@]}" "${args[@]}"; do
  [[ "$p" != *"$nl"* ]] || die "a name or option holds a line break; choose another"
done
for a in "${args[@]}"; do
  case "$a" in
    --islands | --islands=* | --threads | --threads=* | --islands-mpi | --load-all | --autosave | \
      --headless)
      die "$a is set by the batch script; leave it out" ;;
  esac
done
case "$program" in /*) ;; *) program="$(pwd)/$program" ;; esac
case "$results" in /*) ;; *) results="$(pwd)/$results" ;; esac
[ -x "$program" ] || die "no program at $program (build it with -DCREATURES_MPI=ON)"
# The program checks the islands' options before anything is written.
if ! message=$("$program" --help --islands-mpi "${args[@]}" 2>&1 >/dev/null); then
  die "${message#creatures: }"
fi
[ -n "$script" ] || script="$results/islands.sbatch"
mkdir -p "$results"

quoted=""
for a in "${args[@]}"; do quoted+=" $(printf '%q' "$a")"; done
if [ "$launcher" = srun ]; then
  start="srun --kill-on-bad-exit=1"
else
  start='mpirun -n "$SLURM_NTASKS"'
fi
{
  echo "#!/bin/bash"
  echo "# An archipelago of $islands islands, one a Slurm task. Submit it with sbatch;"
  echo "# submitted again, it goes on from the islands' last whole autosaves."
  echo "#SBATCH --job-name=islands"
  echo "#SBATCH --ntasks=$islands"
  echo "#SBATCH --cpus-per-task=1"
  echo "#SBATCH --output=$results/slurm-%j.out"
  for l in "${sbatch_lines[@]}"; do echo "#SBATCH $l"; done
  echo "set -eu"
  echo "cd $(printf '%q' "$results")"
  echo "load=()"
  echo "# Every island's folder of a whole autosave: go on from there."
  echo "if [ -f autosave/island-1/SHA256SUMS ] && [ -f autosave/island-$islands/SHA256SUMS ]; then"
  echo "  load=(--load-all autosave)"
  echo "fi"
  echo "$start $(printf '%q' "$program") --headless --islands-mpi --autosave $autosave \"\${load[@]}\"$quoted"
} >"$script"
echo "islands_slurm: $script runs $islands islands; results in $results"
