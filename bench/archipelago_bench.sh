#!/usr/bin/env bash
# What the archipelago's threads buy, measured with the program itself: the
# wall time of a headless run of two islands of 10 creatures on two threads
# and on one, against one world of 20 creatures, over the same simulated
# time. The three are run in turn, ROUNDS times, so that a change in the
# machine's load falls on all alike; the medians and the speed-ups (the
# creature-steps per wall second of the islands over those of the world)
# are printed with the load. Run it on a quiet machine, then beside a busy
# process of another session (setsid) to see what the threads do then.
#
#   bench/archipelago_bench.sh PROGRAM [ROUNDS] [SECONDS]   (default 3 rounds of 300 s)
set -u
program=${1:?usage: archipelago_bench.sh PROGRAM [ROUNDS] [SECONDS]}
rounds=${2:-3}
seconds=${3:-300}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

# Wall seconds of one run, from its closing line ("... in 12.3 s").
wall() {
  (cd "$dir" && "$program" --headless --seed 9 --seconds "$seconds" "$@" 2>&1 >/dev/null) |
    sed -n 's/.* in \([0-9.]*\) s$/\1/p' | tail -1
}
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
: >"$dir/t2" && : >"$dir/t1" && : >"$dir/w"
for _ in $(seq "$rounds"); do
  wall --islands 2 --threads 2 --migrate-every 600 >>"$dir/t2"
  wall --islands 2 --threads 1 --migrate-every 600 >>"$dir/t1"
  wall --set minPopulation=20 >>"$dir/w"
done
t2=$(median <"$dir/t2") t1=$(median <"$dir/t1") w=$(median <"$dir/w")
echo "wall s (median of $rounds): 2 islands on 2 threads $t2, on 1 thread $t1, 1 world of 20 $w"
awk -v a="$t2" -v b="$t1" -v c="$w" 'BEGIN {
  printf "speed-up over the world of 20: 2 threads %.2fx, 1 thread %.2fx\n", c / a, c / b }'
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
