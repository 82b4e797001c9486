#!/usr/bin/env bash
# The evolution report on made-up statistics whose answers are known: the
# hour's mean progress weighted by the cycles of each sample, births as
# differences of the running count, islands pooled, hours a run has not
# finished left out, runs grouped by name without the seed; and the trial's
# count of runs whose last champion beats the first.
#   evolution_report_test.sh SCRIPT
set -euo pipefail
report=$(realpath "$1")
. "$(dirname "$0")/../support/script_test.sh"
head='time,population,foods,births,refills,deaths_starved,deaths_fallen,foods_eaten,mean_energy,best_score,cycles_evaluated,mean_progress,max_generation,mean_generation'
# rows: time births cycles progress generation
stats() { echo "$head"; while read -r t b c p g; do echo "$t,10,30,$b,0,0,0,0,1,1,$c,$p,$g,0"; done; }

mkdir -p a_seed1 a_seed2 isl_seed1
# Hour 1: (1*0.2 + 3*0.6) / 4 = 0.5; hour 2: 0.9. Births 2 then 3;
# with the other seed (0.3, no births) hour 1 is 0.4 and 1 birth.
stats >a_seed1/stats.csv <<'EOF'
10 1 1 0.2 0
3000 2 3 0.6 1
4000 4 2 0.9 2
7199.5 5 0 0 3
EOF
# Stops within hour 2: only hour 1 counts (0.3).
stats >a_seed2/stats.csv <<'EOF'
100 0 2 0.3 0
3700 1 2 5.0 1
EOF
# Two islands pooled: hour 1 (2*0.1 + 2*0.5) / 4 = 0.3, births 1 + 2.
stats >isl_seed1/stats-island1.csv <<'EOF'
50 1 2 0.1 1
3600 1 0 0 1
EOF
stats >isl_seed1/stats-island2.csv <<'EOF'
60 2 2 0.5 4
3601 2 0 0 4
EOF
python3 "$report" --hours 2 --csv hours.csv a_seed1 a_seed2 isl_seed1 >out.txt || fail "the report failed"
row() { grep "^$1,$2," hours.csv | cut -d, -f3-; }
[ "$(row a 1 | cut -d, -f1-2)" = "2,0.4" ] || fail "group a, hour 1: $(row a 1)"
[ "$(row a 2 | cut -d, -f1-2)" = "1,0.9" ] || fail "group a, hour 2: $(row a 2)"
[ "$(row a 1 | cut -d, -f4)" = "1" ] || fail "births of group a, hour 1: $(row a 1)"
[ "$(row isl 1 | cut -d, -f1,2,4,6)" = "1,0.3,3,4" ] || fail "islands pooled: $(row isl 1)"
[ "$(row isl 2 | cut -d, -f1)" = "0" ] || fail "an hour no island finished: $(row isl 2)"

# Body columns: the value at the hour's end, averaged over the runs that have
# them; files without them leave the cells empty.
mkdir -p b_seed1 b_seed2
bstats() { echo "$head,mean_parts,body_from_founders,body_diversity"; while read -r t p f d; do echo "$t,10,30,0,0,0,0,0,1,1,1,0.1,0,0,$p,$f,$d"; done; }
bstats >b_seed1/stats.csv <<'EOF'
100 9 0.5 2
3599 10 1.0 3
EOF
bstats >b_seed2/stats.csv <<'EOF'
3599 12 2.0 5
EOF
python3 "$report" --hours 1 --csv body.csv b_seed1 b_seed2 a_seed1 >out.txt || fail "the report of bodies failed"
[ "$(grep '^b,1,' body.csv | tr -d '\r' | cut -d, -f10-14)" = "11,1.5,0.707107,4,1.41421" ] || fail "body columns: $(cat body.csv)"
[ "$(grep '^a,1,' body.csv | tr -d '\r' | cut -d, -f10-)" = ",,,," ] || fail "a run without body columns: $(cat body.csv)"

cat >trial.csv <<'EOF'
file,store,courses,seconds,foods,towards_per_min,progress_per_cycle,cycles,falls
r/a_seed1/champions/hour-1.creature,learned,4,300,1,2.0,0.1,10,0
r/a_seed1/champions/hour-3.creature,learned,4,300,9,8.0,0.9,10,0
r/a_seed2/champions/hour-1.creature,learned,4,300,5,6.0,0.5,10,0
r/a_seed2/champions/hour-3.creature,learned,4,300,2,3.0,0.2,10,0
r/isl_seed1/champions/island-2/hour-1.creature,learned,4,300,1,1.0,0.1,10,0
EOF
python3 "$report" --trial trial.csv --trial-hours 1,3 >out.txt || fail "the trial report failed"
grep -q "on 1 of 2 runs; median ratio 2.25" out.txt || fail "trial count"
grep -q "^isl_seed1 island-2 " out.txt || fail "an island's champion"

# An earlier report's rows come back through --with under their label, and
# the body columns they lack stay empty.
python3 "$report" --hours 1 --csv again.csv --with body.csv --label b=bodies >out.txt || fail "--with failed"
[ "$(grep -c '^bodies,1,2,' again.csv)" = 1 ] || fail "--with and --label: $(cat again.csv)"
[ "$(grep '^a,1,' again.csv | tr -d '\r' | cut -d, -f10-)" = ",,,," ] || fail "--with, empty cells: $(cat again.csv)"

# The two stores of one group, and a second file, are counted apart.
cat >fresh.csv <<'EOF2'
file,store,foods,towards_per_min,progress_per_cycle
r/a_seed1/champions/hour-1.creature,fresh,1,4.0,0.1
r/a_seed1/champions/hour-3.creature,fresh,1,1.0,0.1
r/c_seed1/champions/hour-1.creature,learned,1,1.0,0.1
r/c_seed1/champions/hour-3.creature,learned,1,5.0,0.1
EOF2
python3 "$report" --trial trial.csv fresh.csv --trial-hours 1,3 >out.txt || fail "two trial files failed"
grep -A4 "^a, learned store" out.txt | grep -q "on 1 of 2 runs; median ratio 2.25" || fail "group a, learned: $(cat out.txt)"
grep -A3 "^a, fresh store" out.txt | grep -q "on 0 of 1 runs; median ratio 0.25" || fail "group a, fresh: $(cat out.txt)"
grep -A3 "^c, learned store" out.txt | grep -q "on 1 of 1 runs; median ratio 5.00" || fail "group c: $(cat out.txt)"

# Charts, where gnuplot is here: a panel for each measure some group has (the
# body measures only where a file has them), and the trial's groups side by
# side; gnuplot took every script without an error.
if command -v gnuplot >/dev/null; then
  size() { python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); print("%dx%d" % struct.unpack(">II", d[16:24]))' "$1"; }
  python3 "$report" --hours 1 --chart all.png b_seed1 a_seed1 >out.txt 2>err.txt || fail "chart of bodies failed"
  python3 "$report" --hours 1 --chart plain.png a_seed1 >out.txt 2>>err.txt || fail "plain chart failed"
  python3 "$report" --trial trial.csv fresh.csv --trial-hours 1,3 --chart sides.png >out.txt 2>>err.txt ||
    fail "chart of groups side by side failed"
  # (A panel of one hour has one value: gnuplot widens its empty range.)
  ! grep -v '^Warning: empty y range' err.txt || fail "gnuplot said: $(cat err.txt)"
  [ "$(size all.png)" = 1100x990 ] || fail "six panels in three rows: $(size all.png)"
  [ "$(size plain.png)" = 1100x660 ] || fail "three panels in two rows: $(size plain.png)"
  [ -s sides.png ] || fail "no chart of the groups side by side"
fi
echo "evolution report: figures as made"
