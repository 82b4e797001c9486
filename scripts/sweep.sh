#!/usr/bin/env bash
# Runs a sweep: every combination of the world settings in a sweep file,
# each with every seed, as headless runs of the program under GNU parallel
# (on this machine, or on several over ssh), then writes summary.csv and the
# charts into the results folder. See docs/experiments.md, "Sweeps".
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

# Lets the program check its own options: dies naming the sweep file's line
# with what the program refuses.
check() { # line, then the program's options
  local where=$1 message
  shift
  if ! message=$("$program" --help "$@" 2>&1 >/dev/null); then
    message=${message#creatures: }
    die "$where: ${message%; see creatures --help}"
  fi
}

sweepfile="" results="results" jobs="" program="$repo/build/creatures" remote_program=""
sshlogin="" slf="" slurm="" dry_run=0 summary_only=0 yes=0
sbatch_lines=()
while [ "$#" -gt 0 ]; do
  case "$1" in
    -o | --results | -j | --jobs | --program | -S | --sshlogin | --slf | --sshloginfile | \
      --remote-program | --slurm | --sbatch)
      [ "$#" -ge 2 ] && [ -n "$2" ] || die "$1 needs a value (see --help)" ;;
  esac
  case "$1" in
    -o | --results) results=$2; shift ;;
    -j | --jobs) jobs=$2; shift ;;
    --program) program=$2; shift ;;
    -S | --sshlogin) sshlogin=$2; shift ;;
    --slf | --sshloginfile) slf=$2; shift ;;
    --remote-program) remote_program=$2; shift ;;
    --slurm) slurm=$2; shift ;;
    --sbatch) sbatch_lines+=("$2"); shift ;;
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
# An absolute path from here on, so that no name (-x, -, --) is taken for an
# option or for cd's last folder.
case "$results" in /*) ;; *) results="$(pwd)/$results" ;; esac

# --- The sweep file, read in one pass by awk (a line of many thousand seeds
# or values takes no longer than a short one). Its records, one a line:
#   S LINE SECONDS           the seconds line
#   R LINE LOW HIGH          a seed or a range of seeds (a seed is a range of
#                            one), written without leading zeros (01 is 1)
#   V LINE NAME V1 V2 ...    a set line, its values as written
#   N SEEDS LOWLINE LOW HIGHLINE HIGH
#                            how many seeds, the lowest and the highest
# or, in place of the last record, what is wrong:
#   E LINE MESSAGE           a line is refused
#   F MESSAGE                the file is refused
#   BIG LINE SEED            a seed of more digits than any seed (the program
#                            is asked for its words, below)
# Seeds are never written out one by one here: the number of jobs is
# counted, and a sweep too large refused, before any job is made.
parsed=$(awk '
  function fail(message) { print "E", FNR, message; failed = 1; exit }
  function canonical(s) { sub(/^0+/, "", s); return s == "" ? "0" : s }
  BEGIN {
    number = "^[-+]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][-+]?[0-9]+)?$"
    word = "^[A-Za-z]+$"
  }
  { sub(/#.*/, "") }
  NF == 0 { next }
  $1 == "seconds" {
    if (seconds != "") fail("a second '\''seconds'\'' line")
    if (NF != 2 || $2 !~ number || $2 ~ /^-/) fail("seconds needs one number of simulated seconds")
    seconds = $2
    print "S", FNR, $2
    next
  }
  $1 == "seeds" {
    if (NF < 2) fail("seeds needs at least one seed")
    for (i = 2; i <= NF; i++) {
      if ($i !~ /^[0-9]+(-[0-9]+)?$/) fail("'\''" $i "'\'' is not a seed or a range A-B of seeds")
      dash = index($i, "-")
      low = canonical(dash ? substr($i, 1, dash - 1) : $i)
      high = canonical(dash ? substr($i, dash + 1) : $i)
      # Beyond ten digits, beyond every seed and beyond exact arithmetic.
      if (length(low) > 10 || length(high) > 10) {
        print "BIG", FNR, (length(low) > 10 ? low : high)
        failed = 1
        exit
      }
      if (low + 0 > high + 0) fail("'\''" $i "'\'' is not a seed or a range A-B of seeds")
      print "R", FNR, low, high
      nseeds += high - low + 1
      if (nranges++ == 0 || low + 0 < lowest + 0) { lowest = low; lowestLine = FNR }
      if (nranges == 1 || high + 0 > highest + 0) { highest = high; highestLine = FNR }
    }
    next
  }
  $1 == "set" {
    if (NF < 3) fail("set needs a setting name and at least one value")
    if ($2 !~ word) fail("'\''" $2 "'\'' is not a setting name")
    if ($2 in setLine) fail($2 " is set twice")
    setLine[$2] = FNR
    for (i = 3; i <= NF; i++)
      if ($i !~ number && $i !~ word) fail("'\''" $i "'\'' is not a number or a name")
    # Values equal as numbers are the same value (10, 10.0, 1e1); names
    # (a setting'\''s named values, e.g. physics fast) are compared as words.
    split("", seen)
    for (i = 3; i <= NF; i++) {
      key = $i ~ word ? $i : sprintf("%.17g", $i + 0)
      if (key in seen) fail($2 " has a value twice")
      seen[key] = 1
    }
    $1 = "V " FNR # the line again, its words one space apart
    print
    next
  }
  { fail("unknown statement '\''" $1 "'\'' (seconds, seeds or set)") }
  END {
    if (failed) exit
    if (seconds == "") { print "F no '\''seconds'\'' line"; exit }
    if (!nranges) { print "F no '\''seeds'\'' line"; exit }
    printf "N %.0f %d %s %d %s\n", nseeds, lowestLine, lowest, highestLine, highest
  }' "$sweepfile")
last=$(tail -n 1 <<<"$parsed")
read -r kind at what <<<"$last"
case "$kind" in
  E) die "$sweepfile:$at: $what" ;;
  F) die "$sweepfile: $at${what:+ $what}" ;;
  BIG)
    [ ! -x "$program" ] || check "$sweepfile:$at" --seed "$what"
    die "$sweepfile:$at: '$what' is not a seed" ;;
esac
read -r _ nseeds low_line low high_line high <<<"$last"
read -r _ seconds_line seconds <<<"$(awk '$1 == "S"' <<<"$parsed")"
seconds_line="$sweepfile:$seconds_line"
set_names=() set_values=() set_lines=()
while read -r _ at name values; do
  set_names+=("$name") set_values+=("$values") set_lines+=("$sweepfile:$at")
done < <(awk '$1 == "V"' <<<"$parsed")
# A seed given twice: ranges that overlap, found in order of their starts;
# the later line of the two is named.
twice=$(awk '$1 == "R" { print $3, $4, $2 }' <<<"$parsed" | sort -n -k1,1 -k3,3 |
  awk '!found && NR > 1 && $1 <= high { print ($3 > at ? $3 : at), $1; found = 1 }
       NR == 1 || $2 > high { high = $2; at = $3 }')
if [ -n "$twice" ]; then
  die "$sweepfile:${twice% *}: seed ${twice#* } is given twice"
fi

# --- The grid: every combination of the set lines (the first varies
# slowest), each with every seed. Counted first: the product of the numbers
# of values and the number of seeds (beyond any that could run, it is
# refused as too large to count).
njobs=$nseeds
for i in "${!set_names[@]}"; do
  read -r -a values <<<"${set_values[$i]}"
  [ "$njobs" -le $((4000000000000000000 / ${#values[@]})) ] ||
    die "$sweepfile: the sweep has more jobs than can be counted; make it smaller"
  njobs=$((njobs * ${#values[@]}))
done
echo "sweep: $njobs jobs" >&2
if [ "$njobs" -ge 10000 ] && [ "$yes" -eq 0 ] && [ "$dry_run" -eq 0 ] && [ "$summary_only" -eq 0 ]; then
  die "a sweep of $njobs jobs is large; give --yes to run it"
fi

# The program checks the seconds, every seed and every value itself, before
# anything runs; what it refuses is named with its line.
if [ -x "$program" ]; then
  check "$seconds_line" --seconds "$seconds"
  # Seeds are whole numbers: when the smallest and the largest pass, all do.
  check "$sweepfile:$low_line" --seed "$low"
  check "$sweepfile:$high_line" --seed "$high"
  for i in "${!set_names[@]}"; do
    for v in ${set_values[$i]}; do check "${set_lines[$i]}" --set "${set_names[$i]}=$v"; done
  done
elif [ "$dry_run" -eq 0 ] && [ -z "$slurm" ]; then
  # Runs and summaries need it here (a summary is made by the program).
  die "no program $program (build it, or give --program)"
fi

# The table of jobs (jobs.tsv), written out one job a line as it is read. A
# job is named by its settings and seed, name and value run together
# (foodInterval5_seed1): the names hold only characters that pass unquoted
# through parallel's transfers.
job_table() {
  SWEEP_SECONDS=$seconds awk '
    $1 == "R" { low[++nr] = $3; high[nr] = $4 }
    $1 == "V" {
      name[++ns] = $3
      nv[ns] = NF - 3
      for (j = 4; j <= NF; j++) value[ns, j - 3] = $j
      at[ns] = 1
    }
    END {
      print "job\tseed\tseconds\tsettings"
      do {
        settings = prefix = ""
        for (i = 1; i <= ns; i++) {
          settings = settings (i > 1 ? "," : "") name[i] "=" value[i, at[i]]
          prefix = prefix name[i] value[i, at[i]] "_"
        }
        if (settings == "") settings = "-"
        for (r = 1; r <= nr; r++)
          for (s = low[r] + 0; s <= high[r] + 0; s++)
            printf "%sseed%.0f\t%.0f\t%s\t%s\n", prefix, s, s, ENVIRON["SWEEP_SECONDS"], settings
        # The next combination: the last set line turns fastest.
        for (i = ns; i >= 1; i--) {
          if (++at[i] <= nv[i]) break
          at[i] = 1
        }
      } while (i >= 1)
    }' <<<"$parsed"
}

run_program=${remote_program:-$program}
[ -n "$sshlogin$slf" ] || run_program=$program
job_command() { # job seconds seed settings
  printf 'bash ./sweep_job.sh %q %q %q %q %q' "$run_program" "jobs/$1" "$2" "$3" "$4"
}
each_job() { # runs job_command for every job, one a line
  job_table | tail -n +2 | while IFS=$'\t' read -r job seed secs settings; do
    job_command "$job" "$secs" "$seed" "$settings"
    echo
  done
}

if [ "$dry_run" -eq 1 ]; then
  echo "cd $(printf '%q' "$results")"
  each_job
  exit 0
fi

# --- The results folder keeps the job list it was started with: resuming
# goes by the jobs' order, so a different sweep needs a folder of its own.
mkdir -p "$results/jobs"
results=$(cd "$results" && pwd)
if [ -f "$results/jobs.tsv" ]; then
  if ! job_table | cmp -s - "$results/jobs.tsv"; then
    die "$results holds the results of another sweep (its jobs.tsv differs); choose another -o folder"
  fi
else
  job_table >"$results/jobs.tsv"
fi
cp "$here/sweep_job.sh" "$results/sweep_job.sh"

# The program summarizes each finished job (a job is finished when it has
# its job.txt); the awk script only gathers and averages what it prints.
summarise() {
  mkdir -p "$results/charts"
  local k=0 job seed secs settings dir
  tail -n +2 "$results/jobs.tsv" | while IFS=$'\t' read -r job seed secs settings; do
    k=$((k + 1))
    printf 'job\t%d\n' "$k"
    dir="$results/jobs/$job"
    if [ -r "$dir/job.txt" ] && [ -s "$dir/job.txt" ]; then
      # The sweep's seconds set the bins, so that every job of a
      # combination is binned alike (a run's last row can fall just short
      # of them). A statistics file the program refuses leaves the job
      # unfinished, said in its words.
      "$program" --summarize "$dir/stats.csv" --seconds "$secs" || true
    fi
  done | RESULTS=$results awk -f "$here/sweep_summary.awk" "$results/jobs.tsv" -
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
    echo "#SBATCH --job-name=sweep-$(basename -- "${sweepfile%.*}" | tr -c 'A-Za-z0-9_.-' _)"
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
  [ -z "$slf" ] || args+=(--sshloginfile "$(cd -- "$(dirname -- "$slf")" && pwd)/$(basename -- "$slf")")
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
