#!/usr/bin/env python3
"""Evolution over hours, from the statistics files of long runs.

    evolution_report.py [--hours N] [--csv FILE] [--with FILE] [--chart FILE.png] RUN ...

A RUN is a folder holding a run's statistics: stats.csv, or the islands'
stats-island1.csv, stats-island2.csv, ... of an archipelago (taken together,
as one experiment). Runs are grouped by their folder's name without its
"_seedN" end (learningRule1_seed3 -> learningRule1), and for every group it
prints, hour by hour, the mean over its runs (and the standard deviation
between them) of:
  - the mean progress per cycle in that hour: the progress of every cycle
    scored in the hour over the number of those cycles (all islands pooled);
  - the births in that hour (all islands added up);
  - the highest generation reached by the hour's end.
  - at the hour's end, the mean parts, body distance from the founders and
    body diversity of the living (statistics files that have them).
Then, per group, the wall time of its runs (from job.txt or wall.txt).
--with FILE (repeatable) adds the groups of an earlier report's --csv, for
runs whose folders were not kept.
--chart draws every measure hour by hour, a panel each, every group a line
(gnuplot, PNG).

    evolution_report.py --trial TRIAL.csv [TRIAL.csv ...] [--chart FILE.png] [--trial-hours 1,3,6]

reads the rows of `creatures --trial ... --trial-csv TRIAL.csv` whose files
are RUN/champions/[island-N/]hour-H.creature and sets, run by run, the
champions of the given hours against each other: foods, distance towards the
targets per minute and progress per cycle on the standard course, and on how
many runs the last hour's champion beats the first's. Rows of several groups
(runs named as above) or of both stores (the champions' learned stores and
--trial-fresh) are counted apart, and the chart then sets the groups side by
side: the last hour's champion's distance over the first's, run by run.
"""
import argparse
import csv
import glob
import math
import os
import re
import subprocess
import sys
from collections import OrderedDict


def mean_sd(values):
    values = [v for v in values if v is not None]
    if not values:
        return None, None
    m = sum(values) / len(values)
    if len(values) < 2:
        return m, 0.0
    return m, math.sqrt(sum((v - m) ** 2 for v in values) / (len(values) - 1))


def median(values):
    v = sorted(values)
    n = len(v)
    return v[n // 2] if n % 2 else (v[n // 2 - 1] + v[n // 2]) / 2


def fmt(m, sd, digits=3):
    if m is None:
        return "-"
    if sd is None:
        return f"{m:.{digits}f}"
    return f"{m:.{digits}f} ± {sd:.{digits}f}"


TABLE_HEAD = (f"  {'hour':>4}  {'runs':>4}  {'mean progress/cycle':>22}  {'births':>16}"
              f"  {'highest generation':>18}  {'mean parts':>14}  {'from founders':>14}"
              f"  {'body diversity':>14}")


def table_line(hour, runs, progress, births, generation, parts, founders, diversity):
    """A line of the hour table; each measure a (mean, sd) pair."""
    return (f"  {hour:>4}  {runs:>4}  {fmt(*progress):>22}  {fmt(*births, 1):>16}"
            f"  {fmt(*generation, 1):>18}  {fmt(*parts, 1):>14}  {fmt(*founders, 2):>14}"
            f"  {fmt(*diversity, 2):>14}")


REPORT_COLUMNS = ["group", "hour", "runs", "mean_progress", "sd", "births", "births_sd",
                  "highest_generation", "highest_generation_sd", "mean_parts",
                  "body_from_founders", "body_from_founders_sd", "body_diversity",
                  "body_diversity_sd"]

# The measures a chart draws: title, the report row's column of the mean and of its sd.
CHART_PANELS = [("mean progress per cycle", 3, 4), ("births in the hour", 5, 6),
                ("highest generation", 7, 8), ("mean parts", 9, None),
                ("body distance from the founders", 10, 11), ("body diversity", 12, 13)]


def read_stats(path):
    with open(path, newline="") as f:
        rows = list(csv.DictReader(f))
    out = []
    for r in rows:
        try:
            body = tuple(float(r[k]) if r.get(k) not in (None, "") else None
                         for k in ("mean_parts", "body_from_founders", "body_diversity"))
            out.append((float(r["time"]), float(r["mean_progress"]), float(r["cycles_evaluated"]),
                        float(r["births"]), float(r["max_generation"])) + body)
        except (KeyError, ValueError):
            continue
    return out


def run_hours(folder, hours):
    """Per hour: (mean progress, births, highest generation, and at the hour's end the mean
    parts, body distance from the founders and body diversity, None in files without them),
    or None past the run's end."""
    files = sorted(glob.glob(os.path.join(folder, "stats-island*.csv"))) or \
        [p for p in [os.path.join(folder, "stats.csv")] if os.path.exists(p)]
    if not files:
        return None
    progress = [0.0] * hours
    cycles = [0.0] * hours
    births = [0.0] * hours
    generation = [None] * hours
    bodies = [[] for _ in range(hours)]  # (parts, from founders, diversity) per file
    reached = 0.0
    for path in files:
        last_births = 0.0
        top = 0.0
        end = 0.0
        last_body = [None] * hours
        for time, mean, n, born, gen, *body in read_stats(path):
            h = int(time // 3600)
            end = max(end, time)
            top = max(top, gen)
            if h >= hours:
                continue
            progress[h] += mean * n
            cycles[h] += n
            births[h] += born - last_births
            last_births = born
            generation[h] = max(generation[h] or 0.0, top)
            if body[0] is not None:
                last_body[h] = body
        for h in range(hours):
            if last_body[h] is not None:
                bodies[h].append(last_body[h])
        reached = end if reached == 0.0 else min(reached, end)
    result = []
    for h in range(hours):
        # An hour counts once every island has run through it.
        if reached < (h + 1) * 3600 - 1:
            result.append(None)
            continue
        body = [sum(b[k] for b in bodies[h]) / len(bodies[h]) if bodies[h] else None
                for k in range(3)]
        result.append((progress[h] / cycles[h] if cycles[h] else 0.0, births[h], generation[h],
                       *body))
    return result


def read_report(path):
    """The rows of an earlier report's --csv, as report() keeps them."""
    def number(text):
        return float(text) if text not in (None, "") else None
    rows = []
    with open(path, newline="") as f:
        for r in csv.DictReader(f):
            rows.append([LABELS.get(r["group"], r["group"]), int(r["hour"]), int(r["runs"])] +
                        [number(r.get(k)) for k in REPORT_COLUMNS[3:]])
    return rows


def wall_seconds(folder):
    for name in ("job.txt", "wall.txt"):
        path = os.path.join(folder, name)
        if os.path.exists(path):
            with open(path) as f:
                for line in f:
                    if line.startswith("wall_s="):
                        return float(line.split("=", 1)[1])
    return None


LABELS = {}  # a group's name as the tables and charts show it (--label)


def in_label_order(names):
    """Group names in the order of the labels given, then as first met."""
    names = list(OrderedDict((n, None) for n in names))
    return [n for n in LABELS.values() if n in names] + \
        [n for n in names if n not in LABELS.values()]


def group_of(folder):
    name = re.sub(r"_?seed\d+$", "", os.path.basename(os.path.normpath(folder))) or "run"
    return LABELS.get(name, name)


def gnuplot(script):
    try:
        subprocess.run(["gnuplot"], input=script, text=True, check=True)
        return True
    except (OSError, subprocess.CalledProcessError) as e:
        print(f"evolution_report: no chart ({e})", file=sys.stderr)
        return False


def chart_hours(rows, hours, path):
    """A panel for every measure some group has, a line with error bars for every group."""
    names = in_label_order(r[0] for r in rows)
    panels = [p for p in CHART_PANELS if any(r[p[1]] is not None for r in rows)]
    if not panels:
        return
    data, plots = "", []
    for title, col, sd in panels:
        lines = []
        for i, name in enumerate(names):
            got = [r for r in rows if r[0] == name and r[1] <= hours and r[col] is not None]
            if not got:
                continue
            key = f"$p{col}g{i}"
            data += f"{key} << EOD\n" + "\n".join(
                f"{r[1]} {r[col]} {(r[sd] if sd is not None and r[sd] is not None else 0)}"
                for r in got) + "\nEOD\n"
            shift = (i - (len(names) - 1) / 2) * 0.06
            lines.append(f"{key} using ($1+{shift}):2:3 with yerrorlines lw 2 pt 7 lc {i + 1} "
                         f"title '{name}'")
        plots.append((title, lines))
    columns = 1 if len(plots) == 1 else 2
    down = (len(plots) + columns - 1) // columns
    script = data + f"""set terminal pngcairo size {900 if columns == 1 else 1100},{520 if down == 1 else 330 * down} font 'sans,10' noenhanced
set output '{path}'
set multiplot layout {down},{columns} title 'Hour by hour (mean ± sd over seeds)'
set xlabel 'simulated hour'
set xtics 1
set grid
set key right bottom
set xrange [0.5:{hours + 0.5}]
"""
    for k, (title, lines) in enumerate(plots):
        # One key, in the first panel, says which line is which group.
        script += f"set title '{title}'\n" + ("" if k == 0 else "unset key\n")
        script += "plot " + ", ".join(lines) + "\n"
    gnuplot(script + "unset multiplot\n")


def report(args):
    groups = OrderedDict()
    for folder in args.runs:
        hours = run_hours(folder, args.hours)
        if hours is None:
            print(f"evolution_report: no statistics in {folder}", file=sys.stderr)
            continue
        groups.setdefault(group_of(folder), []).append((folder, hours))
    rows = []
    for path in args.with_ or []:
        earlier = read_report(path)
        for name in OrderedDict((r[0], None) for r in earlier):
            print(f"{name}: from {path}")
            print(TABLE_HEAD)
            for r in earlier:
                if r[0] == name and r[1] <= args.hours:
                    print(table_line(r[1], r[2], r[3:5], r[5:7], r[7:9], (r[9], None), r[10:12],
                                     r[12:14]))
        rows += earlier
    if not groups and not rows:
        return 1
    for name, runs in groups.items():
        done = sum(1 for _, hs in runs if hs[-1] is not None)
        print(f"{name}: {len(runs)} runs, {done} through hour {args.hours}")
        print(TABLE_HEAD)
        for h in range(args.hours):
            got = [hs[h] for _, hs in runs if hs[h] is not None]
            p = mean_sd([g[0] for g in got])
            b = mean_sd([g[1] for g in got])
            g = mean_sd([g[2] for g in got])
            parts = mean_sd([g[3] for g in got])
            founders = mean_sd([g[4] for g in got])
            diversity = mean_sd([g[5] for g in got])
            print(table_line(h + 1, len(got), p, b, g, parts, founders, diversity))
            rows.append([name, h + 1, len(got), p[0], p[1], b[0], b[1], g[0], g[1], parts[0],
                         founders[0], founders[1], diversity[0], diversity[1]])
        walls = [w for w in (wall_seconds(f) for f, _ in runs) if w is not None]
        if walls:
            m, sd = mean_sd(walls)
            print(f"  wall time of a finished run: {m / 60:.1f} ± {sd / 60:.1f} min ({len(walls)} runs)")
    if args.csv:
        with open(args.csv, "w", newline="") as f:
            w = csv.writer(f)
            w.writerow(REPORT_COLUMNS)
            for r in rows:
                w.writerow(["" if v is None else (f"{v:.6g}" if isinstance(v, float) else v) for v in r])
    if args.chart:
        chart_hours(rows, args.hours, args.chart)
    return 0


def read_trials(paths):
    """{(group, store): {run: {hour: (foods, m/min, progress)}}} from trial CSVs."""
    table = OrderedDict()
    for path in paths:
        with open(path, newline="") as f:
            for r in csv.DictReader(f):
                m = re.search(r"(.*)/champions/(?:(island-\d+)/)?hour-(\d+)\.creature$", r["file"])
                if not m:
                    continue
                run = os.path.basename(m.group(1)) + (f" {m.group(2)}" if m.group(2) else "")
                key = (group_of(m.group(1)), r.get("store") or "learned")
                table.setdefault(key, OrderedDict()).setdefault(run, {})[int(m.group(3))] = (
                    int(r["foods"]), float(r["towards_per_min"]), float(r["progress_per_cycle"]))
    return table


def trial(args):
    wanted = [int(h) for h in args.trial_hours.split(",")]
    table = read_trials(args.trial)
    if not table:
        print("evolution_report: no champions in the trial file", file=sys.stderr)
        return 1
    first, last = wanted[0], wanted[-1]
    head = "  ".join(f"{'hour ' + str(h) + ' foods / m/min / prog':>30}" for h in wanted)
    compared_runs = OrderedDict()  # (group, store) -> [last / first per run]
    for (group, store), runs in table.items():
        if len(table) > 1:
            print(f"{group}, {store} store")
        print(f"{'run':<28}  {head}")
        beats, compared, ratios = 0, 0, []
        for run, hours in runs.items():
            cells = []
            for h in wanted:
                v = hours.get(h)
                cells.append(f"{'-':>30}" if v is None else f"{v[0]:>10} {v[1]:>9.2f} {v[2]:>9.3f}")
            print(f"{run:<28}  {'  '.join(cells)}")
            if first in hours and last in hours:
                compared += 1
                beats += hours[last][1] > hours[first][1]
                if hours[first][1] > 0:
                    ratios.append(hours[last][1] / hours[first][1])
        compared_runs[(group, store)] = ratios
        print(f"hour-{last} champion covers more ground towards its targets than hour-{first}'s "
              f"on {beats} of {compared} runs" +
              (f"; median ratio {median(ratios):.2f}" if ratios else ""))
    if not args.chart:
        return 0
    if len(table) > 1:
        # Each group's stores side by side, learned first.
        groups = in_label_order(g for g, _ in compared_runs)
        ordered = OrderedDict(sorted(compared_runs.items(),
                                     key=lambda kv: (groups.index(kv[0][0]), kv[0][1] != "learned")))
        chart_trial_ratios(ordered, first, last, args.chart)
        return 0
    runs = next(iter(table.values()))
    data, plots = "", []
    for i, h in enumerate(wanted):
        block = "\n".join(f"{k} {hours[h][1]}" for k, hours in enumerate(runs.values()) if h in hours)
        data += f"$h{i} << EOD\n{block}\nEOD\n"
        width = 0.8 / len(wanted)
        plots.append(f"$h{i} using ($1+{(i - (len(wanted) - 1) / 2) * width}):2:({width * 0.9}) "
                     f"with boxes fill solid 0.8 title 'hour-{h} champion'")
    labels = ", ".join(f"'{run}' {k}" for k, run in enumerate(runs))
    gnuplot(data + f"""set terminal pngcairo size 900,520 font 'sans,11' noenhanced
set output '{args.chart}'
set title 'Champions on the standard course: distance towards the targets per simulated minute'
set ylabel 'm / min (4 courses of 300 s)'
set xtics ({labels}) rotate by -30
set grid ytics
set key above horizontal
set yrange [0:*]
set xrange [-0.6:{len(runs) - 0.4}]
plot {", ".join(plots)}
""")
    return 0


def chart_trial_ratios(compared_runs, first, last, path):
    """Each group and store a column of points, one a run (the last hour's champion's
    distance per minute over the first's, on a log scale), and a bar at their median."""
    data, labels = "", []
    points, medians = [], []
    for k, ((group, store), ratios) in enumerate(compared_runs.items()):
        labels.append(f'"{group}\\n{store} store" {k}')
        if ratios:
            colour = 1 if store == "learned" else 2
            points += [f"{k + (j - (len(ratios) - 1) / 2) * 0.05} {r} {colour}"
                       for j, r in enumerate(ratios)]
            medians.append(f"{k} {median(ratios)}")
    data = "$runs << EOD\n" + "\n".join(points) + "\nEOD\n$medians << EOD\n" + \
        "\n".join(medians) + "\nEOD\n"
    gnuplot(data + f"""set terminal pngcairo size {max(700, 170 * len(compared_runs))},560 font 'sans,10' noenhanced
set output '{path}'
set title 'Hour-{last} champion against hour-{first} champion on the standard course (distance per minute, ratio)'
set ylabel 'hour-{last} / hour-{first} (log scale)'
set logscale y
set xtics ({", ".join(labels)}) font 'sans,9'
set grid ytics
set key above horizontal
set bmargin 5
set xrange [-0.6:{len(compared_runs) - 0.4}]
plot $runs using 1:2:3 with points pt 7 ps 1.2 lc variable title 'a run', \\
     $medians using 1:2:(0.3) with xerrorbars lw 3 pt -1 lc rgb 'black' title 'median', \\
     1 with lines dt 2 lc rgb 'gray' notitle
""")


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("runs", nargs="*")
    p.add_argument("--hours", type=int, default=6)
    p.add_argument("--csv")
    p.add_argument("--chart")
    p.add_argument("--with", dest="with_", action="append", metavar="REPORT.csv")
    p.add_argument("--trial", nargs="+", metavar="TRIAL.csv")
    p.add_argument("--trial-hours", default="1,3,6")
    p.add_argument("--label", action="append", default=[], metavar="GROUP=LABEL",
                   help="show a group under another name")
    args = p.parse_args()
    for pair in args.label:
        name, _, label = pair.partition("=")
        LABELS[name] = label or name
    if args.trial:
        return trial(args)
    if not args.runs and not args.with_:
        p.error("give the run folders")
    return report(args)


if __name__ == "__main__":
    sys.exit(main())
