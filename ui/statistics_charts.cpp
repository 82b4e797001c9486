#include "ui/statistics_charts.h"

#include <cmath>
#include <cstdio>

namespace {

std::string formatValue(double v, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    return text;
}

// For each sample, the index of the earliest sample at most the rate window
// before it; the one just before it when that is further back.
std::vector<std::size_t> windowStarts(const std::vector<StatsSample>& h)
{
    std::vector<std::size_t> start(h.size(), 0);
    std::size_t j = 0;
    for (std::size_t i = 0; i < h.size(); ++i) {
        while (j < i && h[i].time - h[j].time > kRateWindowSeconds)
            ++j;
        start[i] = (j == i && i > 0) ? i - 1 : j;
    }
    return start;
}

} // namespace

std::vector<Chart> statisticsCharts(const StatisticsRecorder& recorder)
{
    const std::vector<StatsSample>& h = recorder.history();
    std::vector<Chart> charts;
    auto add = [&](const char* title, auto value, int decimals) {
        Chart c;
        c.title = title;
        c.values.reserve(h.size());
        for (std::size_t i = 0; i < h.size(); ++i)
            c.values.push_back(static_cast<float>(value(i)));
        if (!h.empty())
            c.current = formatValue(value(h.size() - 1), decimals);
        charts.push_back(std::move(c));
    };
    const std::vector<std::size_t> from = windowStarts(h);
    auto perMinute = [&](std::size_t i, auto total) {
        const std::size_t j = from[i];
        const double dt = h[i].time - h[j].time;
        return dt > 0 ? (total(h[i]) - total(h[j])) * 60.0 / dt : 0.0;
    };

    add("Population", [&](std::size_t i) { return double(h[i].population); }, 0);
    add("Foods", [&](std::size_t i) { return double(h[i].foods); }, 0);
    add("Births / min", [&](std::size_t i) {
        return perMinute(i, [](const StatsSample& s) { return double(s.births); });
    }, 1);
    add("Deaths / min", [&](std::size_t i) {
        return perMinute(i, [](const StatsSample& s) {
            return double(s.deathsStarved + s.deathsFallen);
        });
    }, 1);
    add("Foods eaten", [&](std::size_t i) { return double(h[i].foodsEaten); }, 0);
    add("Mean energy", [&](std::size_t i) { return h[i].meanEnergy; }, 2);
    add("Best score", [&](std::size_t i) { return h[i].bestScore; }, 1);
    add("Mean progress", [&](std::size_t i) {
        const std::size_t j = from[i];
        const long long cycles = h[i].totalCycles - h[j].totalCycles;
        return cycles > 0 ? (h[i].totalProgress - h[j].totalProgress) / cycles : 0.0;
    }, 3);
    add("Generation", [&](std::size_t i) { return h[i].meanGeneration; }, 2);
    if (!h.empty())
        charts.back().current += " (max " + std::to_string(h.back().maxGeneration) + ")";
    return charts;
}

std::string chartSpanText(double seconds)
{
    if (!(seconds >= 0))
        seconds = 0;
    const long long s = std::llround(seconds);
    char text[64];
    if (s < 60)
        std::snprintf(text, sizeof text, "%lld s", s);
    else if (s < 3600)
        std::snprintf(text, sizeof text, "%lld min %02lld s", s / 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%lld h %02lld min", s / 3600, (s % 3600) / 60);
    return text;
}
