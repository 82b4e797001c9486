#include "ui/statistics_charts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

std::string formatValue(double v, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    return text;
}

// Mean progress per scored cycle between two samples; 0 without cycles.
double progressBetween(const StatsSample& from, const StatsSample& to)
{
    const long long cycles = to.totalCycles - from.totalCycles;
    return cycles > 0 ? (to.totalProgress - from.totalProgress) / cycles : 0.0;
}

// A range that shows the values with a little room, 0 included for counts.
void setRange(Chart& c, bool fromZero)
{
    float low = fromZero ? 0.0f : 1e30f, high = fromZero ? 0.0f : -1e30f;
    for (const auto* series : {&c.values, &c.smoothed})
        for (float v : *series) {
            low = std::min(low, v);
            high = std::max(high, v);
        }
    if (low > high)
        low = high = 0.0f;
    if (high - low < 1e-6f)
        high = low + 1.0f;
    c.low = low;
    c.high = high + (high - low) * 0.05f;
}

} // namespace

std::vector<std::size_t> windowStarts(const std::vector<double>& times, double window)
{
    std::vector<std::size_t> start(times.size(), 0);
    std::size_t j = 0;
    for (std::size_t i = 0; i < times.size(); ++i) {
        while (j < i && times[i] - times[j] > window)
            ++j;
        start[i] = (j == i && i > 0) ? i - 1 : j;
    }
    return start;
}

std::vector<Chart> statisticsCharts(const StatisticsRecorder& recorder)
{
    const std::vector<StatsSample>& h = recorder.history();
    std::vector<double> times;
    times.reserve(h.size());
    for (const StatsSample& s : h)
        times.push_back(s.time);
    const std::vector<std::size_t> from = windowStarts(times, kRateWindowSeconds);
    const std::vector<std::size_t> trendFrom = windowStarts(times, kTrendWindowSeconds);
    std::vector<Chart> charts;
    for (const StatsColumn& column : statsColumns()) {
        if (column.chart == ChartKind::None || !column.chartTitle)
            continue;
        // The charted value of sample i.
        auto value = [&](std::size_t i) {
            const std::size_t j = from[i];
            const double dt = h[i].time - h[j].time;
            switch (column.chart) {
            case ChartKind::PerMinute:
                return dt > 0 ? (column.value(h[i]) - column.value(h[j])) * kSecondsPerMinute / dt : 0.0;
            case ChartKind::ProgressMean: return progressBetween(h[j], h[i]);
            default: return column.value(h[i]);
            }
        };
        Chart c;
        c.title = column.chartTitle;
        c.column = column.name ? column.name : "";
        c.values.reserve(h.size());
        for (std::size_t i = 0; i < h.size(); ++i) {
            c.times.push_back(static_cast<float>(h[i].time));
            c.values.push_back(static_cast<float>(value(i)));
        }
        // The mean progress is noisy: its trend over a longer window is
        // drawn over the raw values.
        if (column.chart == ChartKind::ProgressMean)
            for (std::size_t i = 0; i < h.size(); ++i)
                c.smoothed.push_back(static_cast<float>(progressBetween(h[trendFrom[i]], h[i])));
        if (!h.empty()) {
            c.current = formatValue(c.smoothed.empty() ? value(h.size() - 1) : c.smoothed.back(),
                                    column.decimals);
            if (column.maximum)
                c.current += " (max " + formatValue(column.maximum(h.back()), 0) + ")";
        }
        setRange(c, column.chart != ChartKind::ProgressMean && column.whole);
        c.place = column.chartPlace;
        charts.push_back(std::move(c));
    }
    std::stable_sort(charts.begin(), charts.end(),
                     [](const Chart& a, const Chart& b) { return a.place < b.place; });
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
