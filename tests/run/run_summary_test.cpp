// A run's summary from its statistics file: the windows of the rates and of
// the progress trend, the bins, the cells at the ends of the run, files of
// older versions, and the files it refuses.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <sstream>

#include "run/run_summary.h"

namespace {

// A statistics file: the header, then one row per time from `first` to
// `last` seconds, each row's cells made by `row`.
std::string statsFile(const std::string& header, int first, int last,
                      const std::function<std::string(int)>& row)
{
    std::string text = header + "\n";
    for (int t = first; t <= last; ++t)
        text += row(t) + "\n";
    return text;
}

RunSummary summarize(const std::string& text, double runSeconds = -1)
{
    std::istringstream in(text);
    RunSummary s;
    std::string error;
    EXPECT_TRUE(summarizeRun(in, runSeconds, s, error)) << error;
    return s;
}

const SummaryPoint* pointAt(const RunSummary& s, long long time)
{
    for (const SummaryPoint& p : s.series)
        if (p.time == time)
            return &p;
    ADD_FAILURE() << "no point at " << time;
    static const SummaryPoint none;
    return &none;
}

const char* const kHeader = "time,population,births,deaths_starved,deaths_fallen,cycles_evaluated,"
                            "mean_progress,max_generation";

// One birth at 100 s and one death at 200 s; one cycle a second, of
// progress 1 at 100 s and 0 otherwise. Every row its own bin (a run of
// 400 s).
std::string oneEventFile()
{
    return statsFile(kHeader, 0, 450, [](int t) {
        std::ostringstream row;
        row << t << ",10," << (t >= 100) << "," << (t >= 200) << ",0,1," << (t == 100) << ",0";
        return row.str();
    });
}

TEST(RunSummary, RatesAndProgressAreTakenOverTheChartWindows)
{
    const RunSummary s = summarize(oneEventFile(), 400);
    ASSERT_EQ(s.binSeconds, 1);
    ASSERT_EQ(s.series.size(), 451u);
    struct Case {
        long long time;
        double births, deaths;         // per minute
        double progress, trend;        // mean progress per cycle
    };
    // A row exactly a window back is its start: the change from it counts,
    // the row itself does not.
    const Case cases[] = {
        {99, 0, 0, 0, 0},
        {100, 1, 0, 1.0 / 60, 1.0 / 100},
        {159, 1, 0, 1.0 / 60, 1.0 / 159},
        {160, 0, 0, 0, 1.0 / 160},
        {200, 0, 1, 0, 1.0 / 200},
        {259, 0, 1, 0, 1.0 / 259},
        {260, 0, 0, 0, 1.0 / 260},
        {399, 0, 0, 0, 1.0 / 300},
        {400, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.time);
        const SummaryPoint& p = *pointAt(s, c.time);
        ASSERT_TRUE(p.birthsPerMinute && p.deathsPerMinute && p.meanProgress && p.progressTrend);
        EXPECT_DOUBLE_EQ(*p.birthsPerMinute, c.births);
        EXPECT_DOUBLE_EQ(*p.deathsPerMinute, c.deaths);
        EXPECT_DOUBLE_EQ(*p.meanProgress, c.progress);
        EXPECT_DOUBLE_EQ(*p.progressTrend, c.trend);
    }
    // The first row has no span to take a rate over; its progress stands
    // for itself.
    EXPECT_FALSE(s.series[0].birthsPerMinute);
    EXPECT_FALSE(s.series[0].deathsPerMinute);
    EXPECT_DOUBLE_EQ(s.series[0].meanProgress.value_or(-1), 0.0);
}

TEST(RunSummary, TheMeanProgressWeighsEachSecondByItsCycles)
{
    struct Case {
        const char* what;
        const char* header;
        double expected; // the mean over the last minute at 100 s
    };
    // Seconds of 3 cycles at progress 0.1 and of 1 cycle at 0.5, in turn.
    const Case cases[] = {
        {"by the cycles scored", "time,population,cycles_evaluated,mean_progress",
         (30 * 3 * 0.1 + 30 * 0.5) / (30 * 3 + 30)},
        {"every second alike without cycle counts", "time,population,mean_progress",
         (30 * 0.1 + 30 * 0.5) / 60},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const bool counted = std::string(c.header).find("cycles") != std::string::npos;
        const RunSummary s = summarize(statsFile(c.header, 0, 100, [&](int t) {
            const bool odd = t % 2;
            return std::to_string(t) + ",10," + (counted ? (odd ? "1," : "3,") : "") +
                   (odd ? "0.5" : "0.1");
        }));
        EXPECT_NEAR(pointAt(s, 100)->meanProgress.value_or(-1), c.expected, 1e-12);
    }
    // Seconds without a scored cycle give no mean at all, not 0.
    const RunSummary idle = summarize(statsFile(kHeader, 0, 100, [](int t) {
        return std::to_string(t) + ",10,0,0,0,0,0,0";
    }));
    EXPECT_FALSE(pointAt(idle, 100)->meanProgress);
    EXPECT_FALSE(pointAt(idle, 100)->progressTrend);
}

TEST(RunSummary, BinsAreAFourHundredthOfTheRunTakenAtTheirLastRow)
{
    struct Case {
        double runSeconds; // below 0: the file's last time
        int last;          // the file's last time
        long long width;
        std::size_t points;
    };
    const Case cases[] = {
        {-1, 4000, 10, 401}, {4000, 4000, 10, 401}, {800, 4000, 2, 2001},
        {-1, 300, 1, 301},   {-1, 401, 1, 402},     {801, 801, 2, 401},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.runSeconds) + " " + std::to_string(c.last));
        // The population is the time, so a point shows which row it took.
        const RunSummary s = summarize(
            statsFile("time,population", 0, c.last,
                      [](int t) { return std::to_string(t) + ".03," + std::to_string(t); }),
            c.runSeconds);
        EXPECT_EQ(s.binSeconds, c.width);
        ASSERT_EQ(s.series.size(), c.points);
        for (std::size_t i = 0; i + 1 < s.series.size(); ++i) {
            EXPECT_EQ(s.series[i].time, static_cast<long long>(i) * c.width);
            EXPECT_EQ(s.series[i].population,
                      static_cast<double>((static_cast<long long>(i) + 1) * c.width - 1));
        }
        EXPECT_EQ(s.series.back().population, c.last);
    }
}

TEST(RunSummary, TheCellsAtTheEndsOfTheRun)
{
    struct Case {
        const char* what;
        int last;
        double first20m, last20m;
    };
    // The mean progress is 1 before 1200 s, 3 from 1800 s, 2 between: the
    // rows at 1200 s and at 20 minutes before the end belong to the spans.
    const Case cases[] = {
        {"an hour apart", 3000, (1200 * 1.0 + 2.0) / 1201, 3.0},
        {"overlapping in a short run", 1500, (1200 * 1.0 + 2.0) / 1201,
         (900 * 1.0 + 301 * 2.0) / 1201},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const RunSummary s = summarize(
            statsFile("time,population,births,refills,foods_eaten,deaths_starved,deaths_fallen,"
                      "mean_progress,max_generation",
                      0, c.last, [&](int t) {
                          const int progress = t < 1200 ? 1 : t >= 1800 ? 3 : 2;
                          // The highest generation is reached before the end.
                          const int generation = t == c.last / 2 ? 7 : 3;
                          return std::to_string(t) + "," + std::to_string(10 + t % 4) +
                                 ",4,5,6,7,8," + std::to_string(progress) + "," +
                                 std::to_string(generation);
                      }));
        EXPECT_EQ(s.simSeconds, c.last);
        EXPECT_EQ(s.finalPopulation, std::to_string(10 + c.last % 4));
        EXPECT_EQ(s.births + s.refills + s.foodsEaten + s.deathsStarved + s.deathsFallen, "45678");
        EXPECT_DOUBLE_EQ(s.meanProgressFirst.value_or(-1), c.first20m);
        EXPECT_DOUBLE_EQ(s.meanProgressLast.value_or(-1), c.last20m);
        EXPECT_EQ(s.maxGeneration, "7");
    }
}

TEST(RunSummary, FilesWithoutTheNewerColumnsLeaveThoseCellsEmpty)
{
    // The first ten columns, in another order (the sweep's test also reads
    // a real run's file rearranged).
    const RunSummary old = summarize(statsFile(
        "population,time,foods,births,refills,deaths_starved,deaths_fallen,foods_eaten,"
        "mean_energy,best_score",
        0, 100, [](int t) { return "10," + std::to_string(t) + ",30,2,1,0,3,5,1.4,2"; }));
    EXPECT_FALSE(old.meanProgressFirst || old.meanProgressLast);
    EXPECT_EQ(old.maxGeneration, "");
    EXPECT_FALSE(old.series.back().meanProgress || old.series.back().progressTrend);
    std::istringstream text(runSummaryText(old));
    std::string line;
    std::getline(text, line);
    std::getline(text, line);
    EXPECT_EQ(line, "100,10,2,1,5,0,3,,,");
}

TEST(RunSummary, WhatIsNotOneRunsStatisticsIsRefusedByLine)
{
    const std::string header = "time,population,births\n";
    struct Case {
        std::string text;
        const char* error;
    };
    const Case cases[] = {
        {"", "it is empty"},
        {"a,b\n1,2\n", "not a statistics file: its first line names no time column"},
        {"time,foods\n1,2\n", "not a statistics file: its first line names no population column"},
        {"time,population,time\n1,2,3\n", "line 1: the column time is named twice"},
        {header, "no rows of statistics after its first line"},
        {header + "0,10,0\n1,10\n", "line 3: 2 values, not 3 as in the first line"},
        {header + "0,10,0\n\n", "line 3: 1 values, not 3"},
        {header + "0,10,12x\n", "line 2: '12x' in the column births is not a number"},
        {header + "0,nan,0\n", "line 2: 'nan' in the column population is not a number"},
        {header + "0, 10,0\n", "line 2: ' 10' in the column population is not a number"},
        {header + "-1,10,0\n", "line 2: the time -1 is not a time of a run"},
        {header + "1e13,10,0\n", "line 2: the time 1e13 is not a time of a run"},
        {header + "5,10,0\n6,10,0\n2,10,0\n", "line 4: the time goes back to 2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::istringstream in(c.text);
        RunSummary s;
        std::string error;
        EXPECT_FALSE(summarizeRun(in, -1, s, error));
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
    }
    // Columns it does not read may hold anything.
    summarize("time,population,note\n0,10,x\n");
}

TEST(RunSummary, TheSeriesIsWrittenInFull)
{
    const RunSummary s = summarize(oneEventFile(), 400);
    const std::string text = runSummaryText(s);
    std::istringstream in(text.substr(text.find("\n\n") + 2));
    std::string line;
    std::getline(in, line); // the header
    std::getline(in, line);
    EXPECT_EQ(line, "0,10,,,0,0");
    // Every value reads back to the very number computed.
    for (std::size_t i = 1; std::getline(in, line); ++i) {
        ASSERT_LT(i, s.series.size());
        double cells[6];
        const char* at = line.c_str();
        for (double& v : cells) {
            char* end = nullptr;
            v = std::strtod(at, &end);
            at = *end ? end + 1 : end;
        }
        EXPECT_EQ(cells[0], s.series[i].time);
        EXPECT_EQ(cells[2], *s.series[i].birthsPerMinute);
        EXPECT_EQ(cells[4], *s.series[i].meanProgress);
        EXPECT_EQ(cells[5], *s.series[i].progressTrend) << line;
    }
}

} // namespace
