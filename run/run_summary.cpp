#include "run/run_summary.h"

#include <sys/stat.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <istream>

#include "run/run_options.h"
#include "base/decimal.h"
#include "run/sample_windows.h"

namespace {

std::vector<std::string> splitCells(const std::string& line)
{
    std::vector<std::string> cells;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = line.find(',', start);
        cells.push_back(line.substr(start, comma == std::string::npos ? comma : comma - start));
        if (comma == std::string::npos)
            return cells;
        start = comma + 1;
    }
}

// Where the columns the summary reads stand in the file; -1: not there.
struct Columns {
    int time = -1, population = -1, births = -1, refills = -1, foodsEaten = -1,
        deathsStarved = -1, deathsFallen = -1, cycles = -1, progress = -1, maxGeneration = -1;
};

// The file's rows as the summary needs them, one entry per row.
struct Rows {
    std::vector<double> time, population, births, deaths, progress;
    // Totals from the first row of the scored cycles and of their progress,
    // so that the mean progress over any span is one division. A file
    // without cycle counts weighs every second alike.
    std::vector<double> cycles, progressSum;
    std::vector<std::string> last; // the cells of the last row, as written
    std::string maxGeneration;     // the highest max_generation, as written
    double maxGenerationValue = 0.0;
};

bool readHeader(const std::string& line, Columns& c, std::size_t& width, std::string& error)
{
    const std::vector<std::string> names = splitCells(line);
    width = names.size();
    const struct {
        const char* name;
        int& index;
    } wanted[] = {{"time", c.time},
                  {"population", c.population},
                  {"births", c.births},
                  {"refills", c.refills},
                  {"foods_eaten", c.foodsEaten},
                  {"deaths_starved", c.deathsStarved},
                  {"deaths_fallen", c.deathsFallen},
                  {"cycles_evaluated", c.cycles},
                  {"mean_progress", c.progress},
                  {"max_generation", c.maxGeneration}};
    for (std::size_t i = 0; i < names.size(); ++i) {
        for (const auto& w : wanted) {
            if (names[i] != w.name)
                continue;
            if (w.index >= 0) {
                error = "line 1: the column " + names[i] + " is named twice";
                return false;
            }
            w.index = static_cast<int>(i);
        }
    }
    if (c.time < 0 || c.population < 0) {
        error = "not a statistics file: its first line names no " +
                std::string(c.time < 0 ? "time" : "population") + " column";
        return false;
    }
    return true;
}

bool readRows(std::istream& in, const Columns& c, std::size_t width, Rows& rows,
              std::string& error)
{
    std::string line;
    long long lineNumber = 1;
    double cycles = 0.0, progressSum = 0.0;
    while (std::getline(in, line)) {
        ++lineNumber;
        const std::string where = "line " + std::to_string(lineNumber) + ": ";
        std::vector<std::string> cells = splitCells(line);
        if (cells.size() != width) {
            error = where + std::to_string(cells.size()) + " values, not " +
                    std::to_string(width) + " as in the first line";
            return false;
        }
        // A value of a column the summary reads; 0 for a column not there.
        bool ok = true;
        auto value = [&](int column, const char* name) {
            double v = 0.0;
            if (column < 0 || !ok)
                return v;
            if (!readDecimal(cells[static_cast<std::size_t>(column)], v)) {
                error = where + "'" + cells[static_cast<std::size_t>(column)] + "' in the column " +
                        name + " is not a number";
                ok = false;
            }
            return v;
        };
        const double time = value(c.time, "time");
        const double population = value(c.population, "population");
        const double births = value(c.births, "births");
        const double deaths = value(c.deathsStarved, "deaths_starved") +
                              value(c.deathsFallen, "deaths_fallen");
        const double progress = value(c.progress, "mean_progress");
        const double cycleCount = c.cycles >= 0 ? value(c.cycles, "cycles_evaluated") : 1.0;
        const double generation = value(c.maxGeneration, "max_generation");
        value(c.refills, "refills");
        value(c.foodsEaten, "foods_eaten");
        if (!ok)
            return false;
        if (time < 0 || time > kMaxRunSeconds) {
            error = where + "the time " + cells[static_cast<std::size_t>(c.time)] +
                    " is not a time of a run";
            return false;
        }
        if (!rows.time.empty() && time < rows.time.back()) {
            error = where + "the time goes back to " + cells[static_cast<std::size_t>(c.time)] +
                    " (a statistics file of one run is needed)";
            return false;
        }
        rows.time.push_back(time);
        rows.population.push_back(population);
        rows.births.push_back(births);
        rows.deaths.push_back(deaths);
        rows.progress.push_back(progress);
        if (c.progress >= 0) {
            cycles += cycleCount;
            progressSum += progress * cycleCount;
        }
        rows.cycles.push_back(cycles);
        rows.progressSum.push_back(progressSum);
        if (c.maxGeneration >= 0 &&
            (rows.maxGeneration.empty() || generation > rows.maxGenerationValue)) {
            rows.maxGeneration = cells[static_cast<std::size_t>(c.maxGeneration)];
            rows.maxGenerationValue = generation;
        }
        rows.last = std::move(cells);
    }
    if (in.bad()) {
        error = "it could not be read to its end";
        return false;
    }
    if (rows.time.empty()) {
        error = "no rows of statistics after its first line";
        return false;
    }
    return true;
}

// A running total's rate per simulated minute from row j to row i.
std::optional<double> perMinute(const std::vector<double>& total, const Rows& rows,
                                std::size_t i, std::size_t j)
{
    if (!(rows.time[i] > rows.time[j]))
        return std::nullopt;
    return (total[i] - total[j]) * kSecondsPerMinute / (rows.time[i] - rows.time[j]);
}

// Mean progress per scored cycle after row j up to row i; the first row
// stands for itself.
std::optional<double> progressSince(const Rows& rows, std::size_t i, std::size_t j)
{
    const double cycles = j < i ? rows.cycles[i] - rows.cycles[j] : rows.cycles[i];
    const double progress = j < i ? rows.progressSum[i] - rows.progressSum[j] : rows.progressSum[i];
    if (!(cycles > 0))
        return std::nullopt;
    return progress / cycles;
}

std::string cell(const Rows& rows, int column)
{
    return column >= 0 ? rows.last[static_cast<std::size_t>(column)] : std::string();
}

std::string printed(const char* format, double v)
{
    char text[64];
    std::snprintf(text, sizeof text, format, v);
    return text;
}

std::string printed(const char* format, const std::optional<double>& v)
{
    return v ? printed(format, *v) : std::string();
}

// The shortest text that reads back to the same number.
std::string exact(const std::optional<double>& v)
{
    if (!v)
        return std::string();
    char text[64];
    const auto end = std::to_chars(text, text + sizeof text, *v).ptr;
    return std::string(text, end);
}

} // namespace

bool summarizeRun(std::istream& statistics, double runSeconds, RunSummary& summary,
                  std::string& error)
{
    summary = RunSummary{};
    std::string header;
    if (!std::getline(statistics, header)) {
        error = statistics.bad() ? "it could not be read" : "it is empty";
        return false;
    }
    Columns c;
    std::size_t width = 0;
    Rows rows;
    if (!readHeader(header, c, width, error) || !readRows(statistics, c, width, rows, error))
        return false;

    const std::size_t n = rows.time.size();
    const double end = rows.time.back();
    summary.simSeconds = end;
    summary.finalPopulation = cell(rows, c.population);
    summary.births = cell(rows, c.births);
    summary.refills = cell(rows, c.refills);
    summary.foodsEaten = cell(rows, c.foodsEaten);
    summary.deathsStarved = cell(rows, c.deathsStarved);
    summary.deathsFallen = cell(rows, c.deathsFallen);
    summary.maxGeneration = rows.maxGeneration;
    if (c.progress >= 0) {
        double sumFirst = 0.0, sumLast = 0.0;
        long long first = 0, last = 0;
        for (std::size_t i = 0; i < n; ++i) {
            if (rows.time[i] <= kSummaryEndSeconds) {
                sumFirst += rows.progress[i];
                ++first;
            }
            if (rows.time[i] >= end - kSummaryEndSeconds) {
                sumLast += rows.progress[i];
                ++last;
            }
        }
        // The last row is always in the last span; the first span can be
        // empty (a file that starts late).
        if (first > 0)
            summary.meanProgressFirst = sumFirst / static_cast<double>(first);
        summary.meanProgressLast = sumLast / static_cast<double>(last);
    }

    // The series: at the last row of each bin, the values over the same
    // windows as the statistics window's charts.
    const double length = runSeconds >= 0 ? runSeconds : end;
    const double bins = static_cast<double>(kSummaryBins);
    summary.binSeconds = length > bins ? static_cast<long long>(length / bins) : 1;
    const double binWidth = static_cast<double>(summary.binSeconds);
    const std::vector<std::size_t> from = windowStarts(rows.time, kRateWindowSeconds);
    const std::vector<std::size_t> trendFrom = windowStarts(rows.time, kTrendWindowSeconds);
    for (std::size_t i = 0; i < n; ++i) {
        const long long bin = static_cast<long long>(rows.time[i] / binWidth);
        if (i + 1 < n && static_cast<long long>(rows.time[i + 1] / binWidth) == bin)
            continue;
        SummaryPoint p;
        p.time = bin * summary.binSeconds;
        p.population = rows.population[i];
        p.birthsPerMinute = perMinute(rows.births, rows, i, from[i]);
        p.deathsPerMinute = perMinute(rows.deaths, rows, i, from[i]);
        if (c.progress >= 0) {
            p.meanProgress = progressSince(rows, i, from[i]);
            p.progressTrend = progressSince(rows, i, trendFrom[i]);
        }
        summary.series.push_back(p);
    }
    return true;
}

bool summarizeRunFile(const std::string& path, double runSeconds, RunSummary& summary,
                      std::string& error)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        error = errno == ENOENT ? std::string("no such file")
                                : std::string("it cannot be read (") + std::strerror(errno) + ")";
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        error = "it is a folder";
        return false;
    }
    std::ifstream in(path);
    if (!in) {
        error = std::string("it cannot be read (") + std::strerror(errno) + ")";
        return false;
    }
    return summarizeRun(in, runSeconds, summary, error);
}

std::string runSummaryText(const RunSummary& s)
{
    std::string text =
        "sim_seconds,final_population,births,refills,foods_eaten,deaths_starved,deaths_fallen,"
        "mean_progress_first20m,mean_progress_last20m,max_generation\n";
    text += printed("%.10g", s.simSeconds);
    for (const std::string* value :
         {&s.finalPopulation, &s.births, &s.refills, &s.foodsEaten, &s.deathsStarved,
          &s.deathsFallen})
        text += "," + *value;
    text += "," + printed("%.6g", s.meanProgressFirst) + "," + printed("%.6g", s.meanProgressLast) +
            "," + s.maxGeneration + "\n";

    text += "\ntime,population,births_per_min,deaths_per_min,mean_progress,progress_trend\n";
    for (const SummaryPoint& p : s.series) {
        text += std::to_string(p.time) + "," + exact(p.population) + "," +
                exact(p.birthsPerMinute) + "," + exact(p.deathsPerMinute) + "," +
                exact(p.meanProgress) + "," + exact(p.progressTrend) + "\n";
    }
    return text;
}
