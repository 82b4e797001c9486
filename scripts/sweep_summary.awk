# Summary of a sweep's results folder, from its jobs.tsv (the argument) and
# each finished job's stats.csv and job.txt:
#   results/summary.csv      one row per job
#   results/charts/series.dat  per combination of settings and time bin, the
#                            mean and standard deviation across seeds of the
#                            population, births and deaths per minute, mean
#                            progress over the last minute and its trend over
#                            the last five (gnuplot blocks, one per
#                            combination, in labels.txt order)
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
# points to the series sums (the last row of each time bin; the bins are
# about a 400th of the run).
function readJob(job, combo, seconds,    f, line, n, h, i, v, rows, tt, pp, pop, bb, dd,
                 width, bin, r, j60, j300, cyc, p, tend, sumFirst, nFirst, sumLast, nLast,
                 maxGen, out) {
    f = results "/jobs/" job "/stats.csv"
    delete c
    delete cc
    delete cp
    if ((getline line < f) <= 0) {
        close(f)
        return ""
    }
    n = split(line, h, ",")
    for (i = 1; i <= n; i++)
        c[h[i]] = i
    rows = 0
    maxGen = ""
    while ((getline line < f) > 0) {
        split(line, v, ",")
        rows++
        tt[rows] = v[c["time"]] + 0
        pop[rows] = v[c["population"]] + 0
        bb[rows] = ("births" in c) ? v[c["births"]] + 0 : 0
        dd[rows] = (("deaths_starved" in c) ? v[c["deaths_starved"]] : 0) + \
                   (("deaths_fallen" in c) ? v[c["deaths_fallen"]] : 0)
        pp[rows] = ("mean_progress" in c) ? v[c["mean_progress"]] : ""
        # Running totals of scored cycles and their progress, so that the
        # mean progress over any span is one division (a file without the
        # cycle counts weighs every second alike).
        cyc = ("cycles_evaluated" in c) ? v[c["cycles_evaluated"]] + 0 : (pp[rows] != "")
        p = pp[rows] == "" ? 0 : pp[rows] * cyc
        cc[rows] = (rows > 1 ? cc[rows - 1] : 0) + (pp[rows] == "" ? 0 : cyc)
        cp[rows] = (rows > 1 ? cp[rows - 1] : 0) + p
        if ("max_generation" in c && v[c["max_generation"]] != "" &&
            (maxGen == "" || v[c["max_generation"]] + 0 > maxGen + 0))
            maxGen = v[c["max_generation"]]
        last = line
    }
    close(f)
    if (rows == 0)
        return ""
    split(last, v, ",")
    tend = tt[rows]

    # The series: at the last row of each bin, the population, births and
    # deaths per minute over the last minute, the mean progress over the
    # last minute and its trend over the last five.
    width = seconds > 400 ? int(seconds / 400) : 1
    j60 = j300 = 1
    for (r = 1; r <= rows; r++) {
        while (j60 < r && tt[r] - tt[j60] > 60) j60++
        while (j300 < r && tt[r] - tt[j300] > 300) j300++
        if (r < rows && int(tt[r + 1] / width) == int(tt[r] / width))
            continue
        bin = int(tt[r] / width) * width
        addPoint(combo, bin, width, pop[r],
                 rate(bb, tt, r, j60), rate(dd, tt, r, j60),
                 ("mean_progress" in c) ? progressSince(r, j60 == r && r > 1 ? r - 1 : j60) : "",
                 ("mean_progress" in c) ? progressSince(r, j300 == r && r > 1 ? r - 1 : j300) : "")
    }

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

# A running total's rate per minute from row j to row r (j one row back at
# least); "" for the first row.
function rate(total, tt, r, j) {
    if (j == r && r > 1)
        j = r - 1
    return tt[r] > tt[j] ? (total[r] - total[j]) * 60 / (tt[r] - tt[j]) : ""
}

# Mean progress per scored cycle from after row j to row r ("" without
# cycles); the first row stands for itself.
function progressSince(r, j,    cycles, progress) {
    cycles = j < r ? cc[r] - cc[j] : cc[r]
    progress = j < r ? cp[r] - cp[j] : cp[r]
    return cycles > 0 ? progress / cycles : ""
}

# Adds one job's values at a time bin to the sums of its combination; ""
# values are left out.
function addPoint(combo, bin, width, pop, births, deaths, progress, trend,    k) {
    k = combo SUBSEP bin
    if (!((combo, "maxBin") in series) || bin > series[combo, "maxBin"])
        series[combo, "maxBin"] = bin
    series[combo, "width"] = width
    n_[k]++
    addValue(k, 1, pop)
    addValue(k, 2, births)
    addValue(k, 3, deaths)
    addValue(k, 4, progress)
    addValue(k, 5, trend)
}

function addValue(k, q, x) {
    if (x == "")
        return
    nV[k, q]++; sV[k, q] += x; qV[k, q] += x * x
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
        header = header ",learning_rule,status,sim_seconds,final_population,births,refills,foods_eaten," \
                 "deaths_starved,deaths_fallen,mean_progress_first20m,mean_progress_last20m," \
                 "max_generation,wall_s,steps_per_s"
        print header > (results "/summary.csv")
    }
    row = job "," seed
    rule = 0 # the learning rule a run follows unless the sweep sets it
    for (i = 1; i <= nset; i++) {
        row = row "," substr(pairs[i], index(pairs[i], "=") + 1)
        if (index(pairs[i], "learningRule=") == 1)
            rule = substr(pairs[i], 14)
    }
    row = row "," rule
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
        printf "# %s\n# time n population sd births/min sd deaths/min sd mean_progress sd" \
               " progress_trend sd\n", combo > dat
        if ((combo, "maxBin") in series) {
            w = series[combo, "width"]
            for (bin = 0; bin <= series[combo, "maxBin"]; bin += w) {
                k = combo SUBSEP bin
                if (n_[k] == 0)
                    continue
                row = sprintf("%g %d", bin, n_[k])
                for (q = 1; q <= 5; q++)
                    row = row " " meanSd(sV[k, q], qV[k, q], nV[k, q])
                print row > dat
            }
        }
        printf "\n\n" > dat
    }
    close(dat)
    close(labels)
    close(results "/summary.csv")
    printf "%d\n", finished > (results "/charts/finished.txt")
}
