# Summary of a sweep's results folder, from its jobs.tsv (the argument) and
# each finished job's stats.csv and job.txt:
#   results/summary.csv      one row per job
#   results/charts/series.dat  per combination of settings and time bin, the
#                            mean and standard deviation across seeds of the
#                            population, births and mean progress (gnuplot
#                            blocks, one per combination, in labels.txt order)
# The statistics are read by their header names; a column a file lacks gives
# empty cells (NaN in the series).
#   RESULTS=DIR awk -f sweep_summary.awk DIR/jobs.tsv
# (the folder comes from the environment, taken as it is; DIR/charts must
# exist.)
BEGIN {
    FS = "\t"
    results = ENVIRON["RESULTS"]
    window = 1200 # the first and last 20 simulated minutes
    nstat = split("population births refills foods_eaten deaths_starved deaths_fallen", stat, " ")
}

function readable(f,    line, ok) {
    ok = (getline line < f) > 0
    close(f)
    return ok
}

# Reads one finished job: returns its cells of the summary row and adds its
# rows to the series sums. c (column numbers by name), width (the time bin)
# and last (the previous row) are shared with addPoint.
function readJob(job, combo, seconds,    f, line, n, h, i, v, t, tend, bin, lastBin, rows,
                 tt, pp, sumFirst, nFirst, sumLast, nLast, maxGen, out) {
    f = results "/jobs/" job "/stats.csv"
    delete c
    if ((getline line < f) <= 0) {
        close(f)
        return ""
    }
    n = split(line, h, ",")
    for (i = 1; i <= n; i++)
        c[h[i]] = i
    width = seconds > 400 ? int(seconds / 400) : 1
    rows = 0
    maxGen = ""
    lastBin = -1
    while ((getline line < f) > 0) {
        split(line, v, ",")
        t = v[c["time"]] + 0
        rows++
        tt[rows] = t
        pp[rows] = ("mean_progress" in c) ? v[c["mean_progress"]] : ""
        if ("max_generation" in c && v[c["max_generation"]] != "" &&
            (maxGen == "" || v[c["max_generation"]] + 0 > maxGen + 0))
            maxGen = v[c["max_generation"]]
        bin = int(t / width) * width
        if (bin != lastBin && lastBin >= 0)
            addPoint(combo, lastBin, last)
        lastBin = bin
        last = line
    }
    close(f)
    if (rows == 0)
        return ""
    addPoint(combo, lastBin, last)
    split(last, v, ",")
    tend = tt[rows]

    out = sprintf("%.10g", tend)
    for (i = 1; i <= nstat; i++)
        out = out "," ((stat[i] in c) ? v[c[stat[i]]] : "")
    sumFirst = nFirst = sumLast = nLast = 0
    for (i = 1; i <= rows; i++) {
        if (pp[i] == "")
            continue
        if (tt[i] <= window) { sumFirst += pp[i]; nFirst++ }
        if (tt[i] >= tend - window) { sumLast += pp[i]; nLast++ }
    }
    out = out "," (nFirst ? sprintf("%.6g", sumFirst / nFirst) : "")
    out = out "," (nLast ? sprintf("%.6g", sumLast / nLast) : "")
    return out "," maxGen
}

# Adds one statistics row, the last of its time bin, to the sums of the
# combination.
function addPoint(combo, bin, line,    v, k, p) {
    split(line, v, ",")
    k = combo SUBSEP bin
    if (!((combo, "maxBin") in series) || bin > series[combo, "maxBin"])
        series[combo, "maxBin"] = bin
    series[combo, "width"] = width
    n_[k]++
    pop = v[c["population"]]; sPop[k] += pop; qPop[k] += pop * pop
    b = ("births" in c) ? v[c["births"]] : 0; sB[k] += b; qB[k] += b * b
    if ("mean_progress" in c && v[c["mean_progress"]] != "") {
        p = v[c["mean_progress"]]
        nP[k]++; sP[k] += p; qP[k] += p * p
    }
}

function meanSd(s, q, n,    m, var) {
    if (n == 0)
        return "NaN NaN"
    m = s / n
    var = n > 1 ? (q - n * m * m) / (n - 1) : 0
    return sprintf("%.6g %.6g", m, var > 0 ? sqrt(var) : 0)
}

function jobInfo(job, key,    f, line, value) {
    f = results "/jobs/" job "/job.txt"
    value = ""
    while ((getline line < f) > 0)
        if (index(line, key "=") == 1)
            value = substr(line, length(key) + 2)
    close(f)
    return value
}

NR == 1 { next }

{
    job = $1; seed = $2; seconds = $3; settings = $4
    nset = settings == "-" ? 0 : split(settings, pairs, ",")
    if (NR == 2) {
        header = "job,seed"
        for (i = 1; i <= nset; i++)
            header = header "," substr(pairs[i], 1, index(pairs[i], "=") - 1)
        header = header ",status,sim_seconds,final_population,births,refills,foods_eaten," \
                 "deaths_starved,deaths_fallen,mean_progress_first20m,mean_progress_last20m," \
                 "max_generation,wall_s,steps_per_s"
        print header > (results "/summary.csv")
    }
    row = job "," seed
    for (i = 1; i <= nset; i++)
        row = row "," substr(pairs[i], index(pairs[i], "=") + 1)
    combo = nset ? settings : "all"
    gsub(",", " ", combo)
    if (!(combo in seen)) {
        seen[combo] = 1
        order[++ncombo] = combo
    }
    values = ""
    if (readable(results "/jobs/" job "/job.txt"))
        values = readJob(job, combo, seconds)
    if (values != "") {
        row = row ",finished," values "," jobInfo(job, "wall_s") "," jobInfo(job, "steps_per_s")
        finished++
    } else {
        row = row "," (readable(results "/jobs/" job "/stats.csv") ? "unfinished" : "not run")
        row = row ",,,,,,,,,,,,"
    }
    print row > (results "/summary.csv")
}

END {
    dat = results "/charts/series.dat"
    labels = results "/charts/labels.txt"
    printf "" > labels
    printf "" > dat
    for (i = 1; i <= ncombo; i++) {
        combo = order[i]
        print combo > labels
        printf "# %s\n# time n population sd births sd mean_progress sd\n", combo > dat
        if ((combo, "maxBin") in series) {
            w = series[combo, "width"]
            for (bin = 0; bin <= series[combo, "maxBin"]; bin += w) {
                k = combo SUBSEP bin
                if (n_[k] == 0)
                    continue
                printf "%g %d %s %s %s\n", bin, n_[k], meanSd(sPop[k], qPop[k], n_[k]),
                       meanSd(sB[k], qB[k], n_[k]), meanSd(sP[k], qP[k], nP[k]) > dat
            }
        }
        printf "\n\n" > dat
    }
    close(dat)
    close(labels)
    close(results "/summary.csv")
    printf "%d\n", finished > (results "/charts/finished.txt")
}
