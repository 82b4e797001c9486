#!/usr/bin/env bash
# Runs a sweep: every combination of the world settings in a sweep file,
# each with every seed, as headless runs of the program under GNU parallel
# (on this machine, or on several over ssh), then writes summary.csv and the
# charts into the results folder. See the README, "Experiments".
#
# Contents: options; the sweep file; the grid of jobs; the results folder;
# the run under parallel; the summary and the charts.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(dirname "$here")

usage() {
  cat <<EOF
usage: scripts/sweep.sh SWEEPFILE [options]

  -o, --results DIR      results folder (default: results)
  -j, --jobs N           jobs at once on each machine (default: one per core)
  --program PATH         the program (default: build/creatures of this checkout)
  -S, --sshlogin LOGINS  run the jobs on these machines: GNU parallel's
                         --sshlogin list, e.g. 4/alice@node1,node2 (: is this one)
  --slf FILE             the same, one login a line in FILE (--sshloginfile)
  --remote-program PATH  the program's path on those machines (default: --program)
  --slurm FILE           write a Slurm job-array script to FILE instead of running
  --sbatch OPTION        an extra #SBATCH line for --slurm, e.g. --sbatch --time=4:00:00
  --dry-run              print the job commands, run nothing
  --summary              only (re)make summary.csv and the charts
  --yes                  run a sweep of 10000 jobs or more (asked for otherwise)
  -h, --help             this text

Sweep file: one statement a line, # starts a comment.
  seconds T              simulated seconds of every run (required)
  seeds 1 2 5-8          seeds; A-B is every seed from A to B
  set NAME V1 V2 ...     a world setting (creatures --help lists them) and its
                         values; the jobs are every combination of all set lines
EOF
}

die() {
  echo "sweep: $*" >&2
  exit 2
}

sweepfile="" results="results" jobs="" program="$repo/build/creatures" remote_program=""
sshlogin="" slf="" slurm="" dry_run=0 summary_only=0 yes=0
sbatch_lines=()
while [ "$#" -gt 0 ]; do
  case "$1" in
    -o | --results) results=${2:?}; shift ;;
    -j | --jobs) jobs=${2:?}; shift ;;
    --program) program=${2:?}; shift ;;
    -S | --sshlogin) sshlogin=${2:?}; shift ;;
    --slf | --sshloginfile) slf=${2:?}; shift ;;
    --remote-program) remote_program=${2:?}; shift ;;
    --slurm) slurm=${2:?}; shift ;;
    --sbatch) sbatch_lines+=("${2:?}"); shift ;;
    --dry-run) dry_run=1 ;;
    --summary) summary_only=1 ;;
    --yes) yes=1 ;;
    -h | --help) usage; exit 0 ;;
    -*) die "unknown option $1 (see --help)" ;;
    *) [ -z "$sweepfile" ] || die "one sweep file only, not also '$1'"; sweepfile=$1 ;;
  esac
  shift
done
[ -n "$sweepfile" ] || { usage >&2; exit 2; }
[ -f "$sweepfile" ] || die "no sweep file $sweepfile"
# Paths and lines go into job logs, Slurm directives and charts, where a line
# break would end them; every other character is taken as it is.
nl=$'\n'
for p in "$sweepfile" "$results" "$program" "$slurm" "$slf" "$remote_program" "${sbatch_lines[@]}"; do
  [[ "$p" != *"$nl"* ]] || die "a name or option holds a line break; choose another"
done
if [ -n "$jobs" ] && ! [[ "$jobs" =~ ^[1-9][0-9]*%?$ ]]; then
  die "-j needs a number of jobs, not '$jobs'"
fi
case "$program" in /*) ;; *) program="$(pwd)/$program" ;; esac

# --- The sweep file.
number='^[-+]?([0-9]+\.?[0-9]*|\.[0-9]+)([eE][-+]?[0-9]+)?$'
seconds="" seconds_line="" seeds=() seed_lines=() set_names=() set_values=() set_lines=()
lineno=0
while IFS= read -r line || [ -n "$line" ]; do
  lineno=$((lineno + 1))
  line=${line%%#*}
  read -r -a words <<<"$line" || true
  [ "${#words[@]}" -gt 0 ] || continue
  where="$sweepfile:$lineno"
  case "${words[0]}" in
    seconds)
      [ -z "$seconds" ] || die "$where: a second 'seconds' line"
      [ "${#words[@]}" -eq 2 ] && [[ "${words[1]}" =~ $number ]] && [[ "${words[1]}" != -* ]] ||
        die "$where: seconds needs one number of simulated seconds"
      seconds=${words[1]}
      seconds_line=$where
      ;;
    seeds)
      [ "${#words[@]}" -ge 2 ] || die "$where: seeds needs at least one seed"
      for s in "${words[@]:1}"; do
        if [[ "$s" =~ ^[0-9]+$ ]]; then
          seeds+=("$s")
          seed_lines+=("$where")
        elif [[ "$s" =~ ^([0-9]{1,10})-([0-9]{1,10})$ ]] && [ "${BASH_REMATCH[1]}" -le "${BASH_REMATCH[2]}" ]; then
          for ((k = 10#${BASH_REMATCH[1]}; k <= 10#${BASH_REMATCH[2]}; k++)); do
            seeds+=("$k")
            seed_lines+=("$where")
          done
        else
          die "$where: '$s' is not a seed or a range A-B of seeds"
        fi
      done
      ;;
    set)
      [ "${#words[@]}" -ge 3 ] || die "$where: set needs a setting name and at least one value"
      [[ "${words[1]}" =~ ^[A-Za-z]+$ ]] || die "$where: '${words[1]}' is not a setting name"
      for n in "${set_names[@]}"; do
        [ "$n" != "${words[1]}" ] || die "$where: ${words[1]} is set twice"
      done
      for v in "${words[@]:2}"; do
        [[ "$v" =~ $number || "$v" =~ ^[A-Za-z]+$ ]] || die "$where: '$v' is not a number or a name"
      done
      # Values equal as numbers are the same value (10, 10.0, 1e1); names
      # (a setting's named values, e.g. physics fast) are compared as words.
      if [ "$(printf '%s\n' "${words[@]:2}" | awk '/^[A-Za-z]+$/ { print; next } { printf "%.17g\n", $1 + 0 }' | sort | uniq -d)" != "" ]; then
        die "$where: ${words[1]} has a value twice"
      fi
      set_names+=("${words[1]}")
      set_values+=("${words[*]:2}")
      set_lines+=("$where")
      ;;
    *) die "$where: unknown statement '${words[0]}' (seconds, seeds or set)" ;;
  esac
done <"$sweepfile"
[ -n "$seconds" ] || die "$sweepfile: no 'seconds' line"
[ "${#seeds[@]}" -gt 0 ] || die "$sweepfile: no 'seeds' line"
if [ "$(printf '%s\n' "${seeds[@]}" | sort | uniq -d)" != "" ]; then
  die "$sweepfile: a seed is given twice"
fi

# --- The grid: every combination of the set lines (the first varies
# slowest), each with every seed. A job is named by its settings and seed,
# name and value run together (foodInterval5_seed1): the names hold only
# characters that pass unquoted through parallel's transfers.
combos=("")
for i in "${!set_names[@]}"; do
  next=()
  for c in "${combos[@]}"; do
    for v in ${set_values[$i]}; do
      next+=("${c:+$c,}${set_names[$i]}=$v")
    done
  done
  combos=("${next[@]}")
done
table=$(
  printf 'job\tseed\tseconds\tsettings\n'
  for c in "${combos[@]}"; do
    for s in "${seeds[@]}"; do
      name="${c//,/_}${c:+_}seed$s"
      name=${name//=/}
      printf '%s\t%s\t%s\t%s\n' "$name" "$s" "$seconds" "${c:--}"
    done
  done
)
njobs=$(($(wc -l <<<"$table") - 1))

# The program checks the seconds, every seed and every value itself, before
# anything runs; what it refuses is named with its line.
check() { # line, then the program's options
  local where=$1 message
  shift
  if ! message=$("$program" --help "$@" 2>&1 >/dev/null); then
    message=${message#creatures: }
    die "$where: ${message%; see creatures --help}"
  fi
}
if [ -x "$program" ]; then
  check "$seconds_line" --seconds "$seconds"
  # Seeds are whole numbers: when the smallest and the largest pass, all do.
  low=0 high=0
  for k in "${!seeds[@]}"; do
    [ "${#seeds[$k]}" -lt "${#seeds[$low]}" ] || { [ "${#seeds[$k]}" -eq "${#seeds[$low]}" ] && [[ "${seeds[$k]}" < "${seeds[$low]}" ]]; } && low=$k
    [ "${#seeds[$k]}" -gt "${#seeds[$high]}" ] || { [ "${#seeds[$k]}" -eq "${#seeds[$high]}" ] && [[ "${seeds[$k]}" > "${seeds[$high]}" ]]; } && high=$k
  done
  check "${seed_lines[$low]}" --seed "${seeds[$low]}"
  check "${seed_lines[$high]}" --seed "${seeds[$high]}"
  for i in "${!set_names[@]}"; do
    for v in ${set_values[$i]}; do check "${set_lines[$i]}" --set "${set_names[$i]}=$v"; done
  done
elif [ ! -x "$program" ] && [ "$summary_only" -eq 0 ] && [ -z "$slurm" ] && [ -z "$sshlogin$slf" ]; then
  die "no program $program (build it, or give --program)"
fi

echo "sweep: $njobs jobs" >&2
if [ "$njobs" -ge 10000 ] && [ "$yes" -eq 0 ] && [ "$dry_run" -eq 0 ] && [ "$summary_only" -eq 0 ]; then
  die "a sweep of $njobs jobs is large; give --yes to run it"
fi

run_program=${remote_program:-$program}
[ -n "$sshlogin$slf" ] || run_program=$program
job_command() { # job seconds seed settings
  printf 'bash ./sweep_job.sh %q %q %q %q %q' "$run_program" "jobs/$1" "$2" "$3" "$4"
}
each_job() { # runs job_command for every job, one a line
  tail -n +2 <<<"$table" | while IFS=$'\t' read -r job seed secs settings; do
    job_command "$job" "$secs" "$seed" "$settings"
    echo
  done
}

if [ "$dry_run" -eq 1 ]; then
  case "$results" in /*) ;; *) results="$(pwd)/$results" ;; esac
  echo "cd $(printf '%q' "$results")"
  each_job
  exit 0
fi

# --- The results folder keeps the job list it was started with: resuming
# goes by the jobs' order, so a different sweep needs a folder of its own.
mkdir -p "$results/jobs"
results=$(cd "$results" && pwd)
if [ -f "$results/jobs.tsv" ]; then
  if [ "$(cat "$results/jobs.tsv")" != "$table" ]; then
    die "$results holds the results of another sweep (its jobs.tsv differs); choose another -o folder"
  fi
else
  printf '%s\n' "$table" >"$results/jobs.tsv"
fi
cp "$here/sweep_job.sh" "$results/sweep_job.sh"

summarise() {
  mkdir -p "$results/charts"
  RESULTS=$results awk -f "$here/sweep_summary.awk" "$results/jobs.tsv"
  if [ "$(cat "$results/charts/finished.txt")" -eq 0 ]; then
    echo "sweep: no finished jobs, no charts" >&2
  elif command -v gnuplot >/dev/null 2>&1; then
    bash "$here/sweep_charts.sh" "$results"
  else
    echo "sweep: gnuplot not found, no charts" >&2
  fi
}

if [ "$summary_only" -eq 1 ]; then
  summarise
  exit 0
fi

if [ -n "$slurm" ]; then
  mkdir -p "$results/slurm"
  {
    echo "#!/bin/bash"
    echo "# Slurm job array of a sweep: one task per job, $njobs jobs. Submit it with"
    echo "# sbatch; when every task is done:"
    echo "#   scripts/sweep.sh $(printf '%q' "$sweepfile") -o $(printf '%q' "$results") --summary"
    echo "#SBATCH --job-name=sweep-$(basename "${sweepfile%.*}" | tr -c 'A-Za-z0-9_.-' _)"
    echo "#SBATCH --array=1-$njobs"
    echo "#SBATCH --ntasks=1"
    echo "#SBATCH --cpus-per-task=1"
    echo "#SBATCH --output=$results/slurm/%A_%a.out"
    for l in "${sbatch_lines[@]}"; do echo "#SBATCH $l"; done
    echo "set -eu"
    echo "cd $(printf '%q' "$results")"
    echo 'case "${SLURM_ARRAY_TASK_ID:?}" in'
    each_job | awk '{ printf "  %d) exec %s ;;\n", NR, $0 }'
    echo '  *) echo "no task $SLURM_ARRAY_TASK_ID in this sweep" >&2; exit 2 ;;'
    echo "esac"
  } >"$slurm"
  echo "sweep: $slurm runs $njobs jobs as a Slurm array; results in $results"
  exit 0
fi

command -v parallel >/dev/null 2>&1 || die "GNU parallel is not installed (bash scripts/setup.sh)"

# --- Run. parallel's job log records every finished job; --resume-failed
# skips those that succeeded and runs the failed and the never finished.
args=(--will-cite --header : --colsep '\t' --joblog "$results/joblog" --resume-failed)
[ -z "$jobs" ] || args+=(-j "$jobs")
if [ -n "$sshlogin$slf" ]; then
  command -v rsync >/dev/null 2>&1 || die "jobs on other machines need rsync here and there (apt-get install rsync)"
  [ -z "$sshlogin" ] || args+=(--sshlogin "$sshlogin")
  [ -z "$slf" ] || args+=(--sshloginfile "$(cd "$(dirname "$slf")" && pwd)/$(basename "$slf")")
  # Remote jobs run in the login folder: the job script goes there once per
  # machine, each job's folder comes back here packed, and both are removed
  # there.
  args+=(--basefile sweep_job.sh --return 'jobs/{job}.tar' --cleanup)
fi
[ -t 2 ] && args+=(--bar)

# Folders that came back from other machines as archives are unpacked (also
# those of an interrupted sweep).
unpack() {
  local t
  for t in "$results"/jobs/*.tar; do
    [ -f "$t" ] || continue
    rm -rf "${t%.tar}"
    tar -C "$results/jobs" -xf "$t" && rm "$t"
  done
}
unpack

# A job counts as done only when its job.txt is here: a success in the log
# whose files never came back (or were deleted since) is taken out of the
# log, so that the job runs again.
if [ -f "$results/joblog" ]; then
  RESULTS=$results awk -F'\t' '
    NR == FNR { if (FNR > 1) name[FNR - 1] = $1; next }
    FNR == 1 || $7 != 0 || $8 != 0 { print; next }
    { f = ENVIRON["RESULTS"] "/jobs/" name[$1] "/job.txt"; if ((getline line < f) > 0) print; close(f) }
  ' "$results/jobs.tsv" "$results/joblog" >"$results/joblog.new"
  mv "$results/joblog.new" "$results/joblog"
fi

echo "sweep: $njobs jobs into $results"
started=$(date +%s)
status=0
# parallel quotes the values it puts in for {job} and the others.
(cd "$results" && parallel "${args[@]}" \
  "bash ./sweep_job.sh $(printf '%q' "$run_program") jobs/{job} {seconds} {seed} {settings}" \
  :::: jobs.tsv) || status=$?
unpack
summarise
done_jobs=$(cat "$results/charts/finished.txt")
echo "sweep: $done_jobs of $njobs jobs finished ($(($(date +%s) - started)) s); $results/summary.csv"
if [ "$status" -ne 0 ]; then
  echo "sweep: some jobs did not finish (see $results/joblog); run the same command again to finish them" >&2
  exit 1
fi
