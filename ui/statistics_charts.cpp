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
    std::vector<float> all;
    for (const auto* series : {&c.values, &c.smoothed, &c.highest})
        all.insert(all.end(), series->begin(), series->end());
    const ChartRange r = chartRange(std::move(all), fromZero);
    c.low = r.low;
    c.high = r.high;
}

} // namespace

ChartRange chartRange(std::vector<float> values, bool fromZero)
{
    // The values between the 2nd and the 98th percentiles, and every value
    // within half their spread beyond them (a score's last climb, say); a
    // sample far out would flatten the rest into a line.
    values.erase(std::remove_if(values.begin(), values.end(),
                                [](float v) { return !std::isfinite(v); }),
                 values.end());
    float low = 0.0f, high = 0.0f;
    if (!values.empty()) {
        std::sort(values.begin(), values.end());
        const double last = static_cast<double>(values.size() - 1);
        const float p2 = values[static_cast<std::size_t>(std::floor(0.02 * last))];
        const float p98 = values[static_cast<std::size_t>(std::ceil(0.98 * last))];
        const float reach = 0.5f * (p98 - p2);
        low = p2;
        high = p98;
        for (float v : values)
            if (v >= p2 - reach && v <= p98 + reach) {
                low = std::min(low, v);
                high = std::max(high, v);
            }
    }
    if (fromZero) {
        low = std::min(low, 0.0f);
        high = std::max(high, 0.0f);
    }
    if (high - low < 1e-6f)
        high = low + 1.0f;
    const float margin = (high - low) * 0.05f;
    return {fromZero && low >= 0.0f ? low : low - margin, high + margin};
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
        // The best living score falls when its creature dies: the highest
        // of its samples so far is drawn with it.
        const bool best = c.column == "best_score";
        if (best) {
            float highest = -1e30f;
            for (float v : c.values)
                c.highest.push_back(highest = std::max(highest, v));
        }
        if (!h.empty()) {
            c.current = formatValue(c.smoothed.empty() ? value(h.size() - 1) : c.smoothed.back(),
                                    column.decimals);
            if (column.maximum)
                c.current += " (max " + formatValue(column.maximum(h.back()), 0) + ")";
            if (best)
                c.current += " (highest " + formatValue(c.highest.back(), column.decimals) + ")";
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

namespace {

// The smallest of 1, 2 and 5 times a power of ten that is at least `rough`.
double roundStep(double rough)
{
    if (!(rough > 0.0) || !std::isfinite(rough))
        return 1.0;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= rough * (1 - 1e-9))
            return m * power;
    return 10.0 * power;
}

// Decimals that show every multiple of the step apart.
int decimalsFor(double step)
{
    int d = 0;
    for (double s = step; d < 6 && std::fabs(s - std::round(s)) > 1e-6 * std::max(1.0, s); s *= 10)
        ++d;
    return d;
}

} // namespace

AxisTicks valueTicks(double low, double high, int most)
{
    AxisTicks t;
    most = std::max(1, most);
    if (!std::isfinite(low) || !std::isfinite(high))
        low = high = 0.0;
    if (high < low)
        std::swap(low, high);
    double step = roundStep((high - low) / most);
    if (high == low)
        step = roundStep(std::max(std::fabs(high), 1.0) / most);
    // Rounding both ends outwards can add a step: take a larger one then.
    // A range across zero has a tick at zero inside it, so two steps at
    // least (with room for one, a larger step would only flatten the data,
    // up to a step of 1e8 and more).
    const int allowed = low < 0.0 && high > 0.0 ? std::max(most, 2) : most;
    for (;;) {
        const double first = std::floor(low / step + 1e-9) * step;
        const double last = std::ceil(high / step - 1e-9) * step;
        const long long steps = std::llround((last - first) / step);
        if (steps <= allowed || steps <= 1) {
            t.step = step;
            for (long long k = 0; k <= std::max(1LL, steps); ++k)
                t.values.push_back(first + static_cast<double>(k) * step);
            return t;
        }
        step = roundStep(step * 1.5);
    }
}

AxisTicks timeTicks(double from, double to, int most)
{
    static const double kSteps[] = {1,    2,    5,    10,    15,    30,    60,    120,
                                    300,  600,  900,  1800,  3600,  7200,  10800, 21600,
                                    43200, 86400, 172800, 432000, 864000};
    AxisTicks t;
    most = std::max(1, most);
    if (!std::isfinite(from) || !std::isfinite(to) || to < from)
        to = from = 0.0;
    const double span = std::max(to - from, 1.0);
    t.step = kSteps[sizeof kSteps / sizeof kSteps[0] - 1];
    for (double s : kSteps)
        if (span / s <= most) {
            t.step = s;
            break;
        }
    for (double v = std::ceil(from / t.step - 1e-9) * t.step; v <= to + 1e-9; v += t.step)
        t.values.push_back(v);
    return t;
}

std::string valueTickText(double value, double step)
{
    char text[32];
    if (std::fabs(value) < step * 1e-6)
        value = 0.0;
    // Millions and thousands shortened once the values are that large.
    const double a = std::fabs(value);
    if (step >= 1e5 && a >= 1e6)
        std::snprintf(text, sizeof text, "%.*fM", decimalsFor(step / 1e6), value / 1e6);
    else if (step >= 1000.0 && a >= 10000.0)
        std::snprintf(text, sizeof text, "%.*fk", decimalsFor(step / 1000.0), value / 1000.0);
    else
        std::snprintf(text, sizeof text, "%.*f", decimalsFor(step), value);
    return text;
}

std::string timeTickText(double seconds, double step)
{
    char text[32];
    if (step < 60.0)
        std::snprintf(text, sizeof text, "%.0f s", seconds);
    else if (step < 3600.0)
        std::snprintf(text, sizeof text, "%.0f min", seconds / 60.0);
    else
        std::snprintf(text, sizeof text, "%.0f h", seconds / 3600.0);
    return text;
}

std::size_t nearestSample(const std::vector<float>& times, double t)
{
    if (times.empty())
        return 0;
    const auto at = std::lower_bound(times.begin(), times.end(), t);
    if (at == times.begin())
        return 0;
    if (at == times.end())
        return times.size() - 1;
    const std::size_t i = static_cast<std::size_t>(at - times.begin());
    return t - times[i - 1] <= times[i] - t ? i - 1 : i;
}
