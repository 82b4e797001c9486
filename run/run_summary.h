// What a run comes to, read back from its statistics file: its totals at the
// end, its mean progress early and late, and a series of a few hundred points
// over its time (population, births and deaths per minute, the mean progress
// and its trend) taken over the same windows as the statistics window's
// charts. `creatures --summarize` prints it; the sweep tool summarizes every
// job with it and only averages across seeds.
#pragma once
#ifndef CREATURES_FLOOR_RUN
#error "run/ is for run/ and the floors above it"
#endif

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

// A run's series has about this many bins: a bin is the run's length divided
// by this, in whole seconds, and at least one second.
constexpr long long kSummaryBins = 400;
// Simulated seconds at each end of a run over which its mean progress is
// taken (20 minutes; the two spans overlap in runs shorter than 40 minutes).
constexpr double kSummaryEndSeconds = 1200.0;

// One time bin of the series, taken at the last row of the file in it.
struct SummaryPoint {
    long long time = 0; // the bin's start, in simulated seconds
    double population = 0.0;
    // Per simulated minute over the rate window; none at the first row.
    std::optional<double> birthsPerMinute, deathsPerMinute;
    // Mean progress per scored cycle over the rate window and over the trend
    // window; none when no cycle was scored or the file has no progress.
    std::optional<double> meanProgress, progressTrend;
};

struct RunSummary {
    double simSeconds = 0.0; // the time of the last row
    // The last row's values as written; "" where the file has no column.
    std::string finalPopulation, births, refills, foodsEaten, deathsStarved, deathsFallen;
    // The mean of the mean_progress column over the rows of the first and of
    // the last kSummaryEndSeconds; none without the column.
    std::optional<double> meanProgressFirst, meanProgressLast;
    std::string maxGeneration; // the highest max_generation as written, or ""
    long long binSeconds = 1;
    std::vector<SummaryPoint> series;
};

// Reads a statistics file by its header names (time and population are
// needed; births, refills, foods_eaten, deaths, cycles_evaluated,
// mean_progress and max_generation are used when there) and summarizes it,
// the bins following a run of `runSeconds` (below 0: the last row's time).
// False with `error` naming the line and what is wrong with it when the text
// is not one run's statistics: a header without time or population, a row
// of another width, a value that is not a number, a time below 0, beyond
// kMaxRunSeconds or earlier than the row before, or no rows.
bool summarizeRun(std::istream& statistics, double runSeconds, RunSummary& summary,
                  std::string& error);

// The same for a file: false with `error` also when it cannot be read.
bool summarizeRunFile(const std::string& path, double runSeconds, RunSummary& summary,
                      std::string& error);

// Two CSV tables, a blank line between them: a header and one row of the
// totals (sim_seconds, final_population, births, refills, foods_eaten,
// deaths_starved, deaths_fallen, mean_progress_first20m,
// mean_progress_last20m, max_generation), then a header and a row per bin
// (time, population, births_per_min, deaths_per_min, mean_progress,
// progress_trend). Values missing are empty cells; the series' values are
// written in full (the shortest text that reads back to the same number),
// so that averages taken from them are those of the values themselves.
std::string runSummaryText(const RunSummary& summary);
