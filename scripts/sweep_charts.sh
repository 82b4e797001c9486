#!/usr/bin/env bash
# Charts of a sweep from results/charts/series.dat (made by sweep_summary.awk):
# population, births and deaths per minute and the mean progress (its
# five-minute trend over the raw values) over simulated time, one line per
# combination of settings (the mean across seeds) with a band of one standard
# deviation either side.
#   sweep_charts.sh RESULTS
set -euo pipefail
# gnuplot is given plain file names only: the charts folder, whatever its
# path holds, is the working folder.
cd "$1/charts"
data=series.dat
[ -s "$data" ] || exit 0
mapfile -t labels <labels.txt

terminal="pngcairo size 1000,600 font ',10'"
gnuplot -e "set terminal pngcairo" >/dev/null 2>&1 || terminal="png size 1000,600"

# Minutes when the runs are longer than ten minutes.
tmax=$(awk '!/^#/ && NF { if ($1 > m) m = $1 } END { print m + 0 }' "$data")
if awk -v t="$tmax" 'BEGIN { exit !(t > 600) }'; then
  scale=60 unit="min"
else
  scale=1 unit="s"
fi

chart() { # file title mean-column [counts|progress]
  local file=$1 title=$2 col=$3 kind=${4:-counts} plot="" i sd=$(($3 + 1)) low
  # A quantity no job has (an older statistics file) gets no chart.
  if ! awk -v c="$col" '!/^#/ && NF && $c != "NaN" { found = 1 } END { exit !found }' "$data"; then
    echo "sweep: no $title in the statistics, no $file" >&2
    rm -f "$file"
    return 0
  fi
  # Counts and rates cannot go below zero, nor may their band.
  low="(\$$col-\$$sd)"
  [ "$kind" = counts ] && low="(\$$col-\$$sd < 0 ? 0 : \$$col-\$$sd)"
  for i in "${!labels[@]}"; do
    plot+="${plot:+, }'$data' index $i using (\$1/$scale):$low:(\$$col+\$$sd)"
    plot+=" with filledcurves fs transparent solid 0.2 noborder lc $((i + 1)) notitle"
    # The mean progress over each minute, faint behind its five-minute trend.
    [ "$kind" = progress ] &&
      plot+=", '' index $i using (\$1/$scale):$((col - 2)) with lines lw 1 lc $((i + 1)) dt 3 notitle"
    plot+=", '' index $i using (\$1/$scale):$col with lines lw 2 lc $((i + 1)) title '${labels[$i]//\'/}'"
  done
  local what="mean across seeds, band of one standard deviation"
  [ "$kind" = progress ] && what="five-minute trend (dotted: each minute), $what"
  # Constant data (a population held at its minimum) draws fine; its
  # warning about an empty range is left out.
  gnuplot 2> >(grep -v 'empty y range' >&2) <<GP
set terminal $terminal
set output '$file'
set termoption noenhanced
set datafile missing 'NaN'
set grid
set key below
set title '$title: $what'
set xlabel 'simulated time ($unit)'
set ylabel '$title'
plot $plot
GP
}

chart population.png "population" 3
chart births.png "births per minute" 5
chart deaths.png "deaths per minute" 7
chart mean_progress.png "mean progress per cycle" 11 progress
