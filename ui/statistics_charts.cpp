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
    const std::vector<std::size_t> from = windowStarts(h);
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
                return dt > 0 ? (column.value(h[i]) - column.value(h[j])) * 60.0 / dt : 0.0;
            case ChartKind::ProgressMean: {
                const long long cycles = h[i].totalCycles - h[j].totalCycles;
                return cycles > 0 ? (h[i].totalProgress - h[j].totalProgress) / cycles : 0.0;
            }
            default: return column.value(h[i]);
            }
        };
        Chart c;
        c.title = column.chartTitle;
        c.values.reserve(h.size());
        for (std::size_t i = 0; i < h.size(); ++i)
            c.values.push_back(static_cast<float>(value(i)));
        if (!h.empty()) {
            c.current = formatValue(value(h.size() - 1), column.decimals);
            if (column.maximum)
                c.current += " (max " + formatValue(column.maximum(h.back()), 0) + ")";
        }
        charts.push_back(std::move(c));
    }
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
