// The charts' axes: round value ticks that cover the data, round time ticks
// inside the span, their labels, and the sample under a cursor; the best
// living score charted with the highest of it so far.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "ecology/statistics.h"
#include "ui/statistics_charts.h"

namespace {

// Whether v is 1, 2 or 5 times a power of ten.
bool isRound(double v)
{
    const double power = std::pow(10.0, std::floor(std::log10(v) + 1e-9));
    const double m = v / power;
    return std::fabs(m - 1) < 1e-6 || std::fabs(m - 2) < 1e-6 || std::fabs(m - 5) < 1e-6;
}

TEST(ChartAxes, ValueTicksAreRoundCoverTheRangeAndAreFewEnough)
{
    struct Case { double low, high; int most; };
    for (const Case& c : {Case{0, 10.5, 4}, Case{-0.243, 0.0133, 2}, Case{-0.243, 0.0133, 6},
                          Case{2.7, 2.7, 3}, Case{0, 0, 1}, Case{-2e7, 3e5, 3},
                          Case{0.5, 0.5001, 5}, Case{1234, 98765, 5}, Case{-3, -1, 1}}) {
        SCOPED_TRACE(std::to_string(c.low) + " to " + std::to_string(c.high));
        const AxisTicks t = valueTicks(c.low, c.high, c.most);
        ASSERT_GE(t.values.size(), 2u);
        EXPECT_LE(static_cast<int>(t.values.size()) - 1, std::max(c.most, 1));
        EXPECT_TRUE(isRound(t.step)) << t.step;
        EXPECT_LE(t.values.front(), c.low + 1e-9);
        EXPECT_GE(t.values.back(), c.high - 1e-9);
        for (std::size_t i = 0; i < t.values.size(); ++i) {
            EXPECT_NEAR(t.values[i] / t.step, std::round(t.values[i] / t.step), 1e-6);
            if (i > 0) {
                EXPECT_NEAR(t.values[i] - t.values[i - 1], t.step, t.step * 1e-6);
            }
        }
        // Every label differs from its neighbours and is short.
        for (std::size_t i = 1; i < t.values.size(); ++i)
            EXPECT_NE(valueTickText(t.values[i], t.step), valueTickText(t.values[i - 1], t.step));
        for (double v : t.values)
            EXPECT_LE(valueTickText(v, t.step).size(), 7u) << valueTickText(v, t.step);
    }
    EXPECT_EQ(valueTickText(-0.2, 0.1), "-0.2");
    EXPECT_EQ(valueTickText(1e-17, 0.05), "0.00");
    EXPECT_EQ(valueTickText(20000, 5000), "20k");
    EXPECT_EQ(valueTickText(-2e7, 1e7), "-20M");
    EXPECT_EQ(valueTickText(2500000, 500000), "2.5M");
    EXPECT_EQ(valueTickText(9000, 1000), "9000");
    EXPECT_EQ(valueTickText(40, 20), "40");
}

// In a chart with room for one step, a range across zero takes two (with
// a tick at zero) rather than one step so large that the data lie flat.
TEST(ChartAxes, ValueTicksStayCloseToTheRangeWithRoomForOneStep)
{
    struct Case { double low, high; int most; };
    for (const Case& c : {Case{-0.6, 0.5, 1}, Case{-0.1, 0.25, 1}, Case{-0.243, 0.0133, 1},
                          Case{-1.48, 1.15, 1}, Case{-2e7, 3e5, 1}, Case{-3, -1, 1},
                          Case{0, 10.5, 1}, Case{-0.6, 0.5, 2}}) {
        SCOPED_TRACE(std::to_string(c.low) + " to " + std::to_string(c.high) + ", " +
                     std::to_string(c.most));
        const AxisTicks t = valueTicks(c.low, c.high, c.most);
        ASSERT_GE(t.values.size(), 2u);
        EXPECT_LE(static_cast<int>(t.values.size()) - 1, std::max(c.most, 2));
        EXPECT_LE(t.values.front(), c.low + 1e-9);
        EXPECT_GE(t.values.back(), c.high - 1e-9);
        EXPECT_LE(t.values.back() - t.values.front(), 5.0 * (c.high - c.low));
    }
}

TEST(ChartAxes, TimeTicksAreRoundTimesInsideTheSpan)
{
    struct Case { double from, to; int most; double step; const char* label; };
    // The label of the last tick.
    for (const Case& c : {Case{0, 3, 3, 1, "3 s"}, Case{0.5, 95, 4, 30, "90 s"},
                          Case{0, 3600, 5, 900, "60 min"}, Case{60, 5580, 3, 3600, "1 h"},
                          Case{60, 5580, 4, 1800, "90 min"}, Case{0, 30000, 4, 10800, "6 h"},
                          Case{7, 7, 2, 1, "7 s"}}) {
        SCOPED_TRACE(std::to_string(c.from) + " to " + std::to_string(c.to));
        const AxisTicks t = timeTicks(c.from, c.to, c.most);
        EXPECT_DOUBLE_EQ(t.step, c.step);
        ASSERT_FALSE(t.values.empty());
        EXPECT_GE(t.values.front(), c.from);
        EXPECT_LE(t.values.back(), c.to);
        EXPECT_LE(static_cast<double>(t.values.size()) - 1, c.most);
        EXPECT_EQ(timeTickText(t.values.back(), t.step), c.label);
    }
}

TEST(ChartAxes, TheSampleNearestTheCursor)
{
    const std::vector<float> times = {0, 1, 2, 4, 8};
    const std::pair<double, std::size_t> cases[] = {{-5, 0}, {0.4, 0}, {0.6, 1}, {2.9, 2},
                                                    {3.1, 3}, {7, 4},  {100, 4}};
    for (const auto& [t, want] : cases)
        EXPECT_EQ(nearestSample(times, t), want) << t;
    EXPECT_EQ(nearestSample({}, 3.0), 0u);
}

TEST(ChartAxes, TheBestLivingScoreIsChartedWithTheHighestSoFar)
{
    // The best living creature dies at the third second: the score falls,
    // the highest so far stays.
    std::string history = "creatures statistics 1 stride=1 taken=5\n";
    const int best[] = {2, 5, 1, 3, 6};
    for (int i = 0; i < 5; ++i)
        history += std::to_string(i + 1) + ",0,0,0,0,0,0,0,0," + std::to_string(best[i]) +
                   ",0,0,0,0,0,0,0,0,0\n";
    StatisticsRecorder recorder;
    std::string reason;
    ASSERT_TRUE(recorder.restoreHistory(history, 1000.0, reason)) << reason;
    const std::vector<Chart> charts = statisticsCharts(recorder);
    const Chart* score = nullptr;
    for (const Chart& c : charts)
        if (c.column == "best_score")
            score = &c;
    ASSERT_NE(score, nullptr);
    EXPECT_EQ(score->title, "Best living score");
    EXPECT_EQ(score->values, (std::vector<float>{2, 5, 1, 3, 6}));
    EXPECT_EQ(score->highest, (std::vector<float>{2, 5, 5, 5, 6}));
    EXPECT_EQ(score->current, "6.0 (highest 6.0)");
    EXPECT_GE(score->high, 6.0f);
    for (const Chart& c : charts)
        if (&c != score) {
            EXPECT_TRUE(c.highest.empty()) << c.title;
        }
}

// The range a chart shows follows the bulk of its samples, not one wild
// sample; a clean series is shown whole, counts from 0.
TEST(ChartAxes, TheRangeFollowsTheSamplesAndNotOneOutlier)
{
    struct Case {
        const char* what;
        int column;                          // of the statistics file
        std::function<double(int)> value;    // of sample i of 200
        float low0, low1, high0, high1;      // where the range's ends must lie
    };
    const auto calm = [](int i) { return 0.4 + 0.2 * ((i * 37) % 100) / 100.0; };
    const Case cases[] = {
        {"mean energy, one sample far above", 8,
         [&](int i) { return i == 120 ? 1e8 : calm(i); }, 0.3f, 0.4f, 0.6f, 0.7f},
        {"mean energy, one far below", 8,
         [&](int i) { return i == 3 ? -1e8 : calm(i); }, 0.3f, 0.4f, 0.6f, 0.7f},
        {"mean energy, a few far above", 8,
         [&](int i) { return i % 70 == 5 ? 5e7 : calm(i); }, 0.3f, 0.4f, 0.6f, 0.7f},
        {"mean energy climbing, whole", 8, [](int i) { return i / 20.0; }, -1.0f, 0.0f, 9.95f, 11.0f},
        {"best score with a late climb", 9,
         [](int i) { return i < 190 ? 10.0 + i % 3 : 16.0; }, 9.0f, 10.0f, 16.0f, 17.5f},
        {"best score with a last small step up", 9,
         [](int i) { return i < 197 ? 10.0 + i % 3 : 12.9; }, 9.0f, 10.0f, 12.9f, 14.0f},
        {"population from 0, one sample far above", 1,
         [](int i) { return i == 50 ? 1e6 : 10 + i % 3; }, 0.0f, 0.0f, 12.0f, 14.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string history = "creatures statistics 1 stride=1 taken=200\n";
        for (int i = 0; i < 200; ++i) {
            std::vector<std::string> fields(19, "0");
            fields[0] = std::to_string(i + 1);
            char v[64];
            std::snprintf(v, sizeof v, "%.9g", c.value(i));
            fields[static_cast<std::size_t>(c.column)] = v;
            for (std::size_t k = 0; k < fields.size(); ++k)
                history += (k ? "," : "") + fields[k];
            history += "\n";
        }
        StatisticsRecorder recorder;
        std::string reason;
        ASSERT_TRUE(recorder.restoreHistory(history, 1000.0, reason)) << reason;
        const std::string column = std::vector<std::string>{
            "time", "population", "", "", "", "", "", "", "mean_energy", "best_score"}
            [static_cast<std::size_t>(c.column)];
        const std::vector<Chart> charts = statisticsCharts(recorder);
        const Chart* chart = nullptr;
        for (const Chart& k : charts)
            if (k.column == column)
                chart = &k;
        ASSERT_NE(chart, nullptr);
        EXPECT_GE(chart->low, c.low0);
        EXPECT_LE(chart->low, c.low1);
        EXPECT_GE(chart->high, c.high0);
        EXPECT_LE(chart->high, c.high1);
    }
}

} // namespace
