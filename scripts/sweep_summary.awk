# Summary of a sweep's results folder from its jobs.tsv (the first argument)
# and the summaries of its finished jobs (the second: for the K-th job of
# jobs.tsv a line "job<TAB>K", followed, when the job finished, by what
# `creatures --summarize` printed for its stats.csv):
#   results/summary.csv      one row per job
#   results/charts/series.dat  per combination of settings and time bin, the
#                            mean and standard deviation across seeds of the
#                            population, births and deaths per minute, mean
#                            progress over the last minute and its trend over
#                            the last five (gnuplot blocks, one per
#                            combination, in labels.txt order)
#   results/charts/labels.txt, finished.txt
# Every number of a run (its totals, windows and bins) comes from the
# program; here they are only gathered per combination and averaged. An
# empty cell (a column the statistics file lacks) stays empty in
# summary.csv and is NaN in the series.
#   RESULTS=DIR awk -f sweep_summary.awk DIR/jobs.tsv SUMMARIES
# (the folder comes from the environment, taken as it is; DIR/charts must
# exist.)
BEGIN {
    FS = "\t"
    results = ENVIRON["RESULTS"]
}

function readable(f,    line, ok) {
    ok = (getline line < f) > 0
    close(f)
    return ok
}

function jobInfo(j, key,    f, line, value) {
    f = results "/jobs/" j "/job.txt"
    value = ""
    while ((getline line < f) > 0)
        if (index(line, key "=") == 1)
            value = substr(line, length(key) + 2)
    close(f)
    return value
}

# Adds one job's values at a time bin (the cells of a series row: time,
# population, births, deaths, progress, trend) to the sums of its
# combination; empty cells are left out. The bins of a combination are kept
# in time order.
function addPoint(combo, v,    k, i, q) {
    k = combo SUBSEP v[1]
    if (!(k in n_)) {
        for (i = nBins[combo]; i > 0 && binAt[combo, i] + 0 > v[1] + 0; i--)
            binAt[combo, i + 1] = binAt[combo, i]
        binAt[combo, i + 1] = v[1]
        nBins[combo]++
    }
    n_[k]++
    for (q = 1; q <= 5; q++)
        if (v[q + 1] != "") {
            nV[k, q]++; sV[k, q] += v[q + 1]; qV[k, q] += v[q + 1] * v[q + 1]
        }
}

function meanSd(s, q, n,    m, var) {
    if (n == 0)
        return "NaN NaN"
    m = s / n
    var = n > 1 ? (q - n * m * m) / (n - 1) : 0
    return sprintf("%.6g %.6g", m, var > 0 ? sqrt(var) : 0)
}

# The jobs, and the combination each belongs to (in the order first seen).
FNR == NR {
    if (FNR == 1)
        next
    k = ++njobs
    job[k] = $1; seed[k] = $2; settings[k] = $4
    combo = $4 == "-" ? "all" : $4
    gsub(",", " ", combo)
    comboOf[k] = combo
    if (!(combo in seen)) {
        seen[combo] = 1
        order[++ncombo] = combo
    }
    next
}

# The summaries: the totals' header and row, a blank line, the series'
# header and a row per bin.
index($0, "job\t") == 1 { k = substr($0, 5) + 0; part = 0; next }
part == 0 && index($0, "sim_seconds,") == 1 { part = 1; next }
part == 1 { cells[k] = $0; part = 2; next }
part == 2 && index($0, "time,") == 1 { part = 3; next }
part == 3 && $0 != "" { split($0, v, ","); addPoint(comboOf[k], v) }

END {
    summary = results "/summary.csv"
    for (k = 1; k <= njobs; k++) {
        nset = settings[k] == "-" ? 0 : split(settings[k], pairs, ",")
        if (k == 1) {
            header = "job,seed"
            for (i = 1; i <= nset; i++)
                header = header "," substr(pairs[i], 1, index(pairs[i], "=") - 1)
            header = header ",learning_rule,status,sim_seconds,final_population,births,refills," \
                     "foods_eaten,deaths_starved,deaths_fallen,mean_progress_first20m," \
                     "mean_progress_last20m,max_generation,wall_s,steps_per_s"
            print header > summary
        }
        row = job[k] "," seed[k]
        rule = 0 # the learning rule a run follows unless the sweep sets it
        for (i = 1; i <= nset; i++) {
            row = row "," substr(pairs[i], index(pairs[i], "=") + 1)
            if (index(pairs[i], "learningRule=") == 1)
                rule = substr(pairs[i], 14)
        }
        row = row "," rule
        if (k in cells) {
            row = row ",finished," cells[k] "," jobInfo(job[k], "wall_s") "," \
                  jobInfo(job[k], "steps_per_s")
            finished++
        } else {
            row = row "," (readable(results "/jobs/" job[k] "/stats.csv") ? "unfinished" : "not run")
            row = row ",,,,,,,,,,,,"
        }
        print row > summary
    }

    dat = results "/charts/series.dat"
    labels = results "/charts/labels.txt"
    printf "" > labels
    printf "" > dat
    for (i = 1; i <= ncombo; i++) {
        combo = order[i]
        print combo > labels
        printf "# %s\n# time n population sd births/min sd deaths/min sd mean_progress sd" \
               " progress_trend sd\n", combo > dat
        for (b = 1; b <= nBins[combo]; b++) {
            k = combo SUBSEP binAt[combo, b]
            row = sprintf("%g %d", binAt[combo, b], n_[k])
            for (q = 1; q <= 5; q++)
                row = row " " meanSd(sV[k, q], qV[k, q], nV[k, q])
            print row > dat
        }
        printf "\n\n" > dat
    }
    close(dat)
    close(labels)
    close(summary)
    printf "%d\n", finished > (results "/charts/finished.txt")
}
