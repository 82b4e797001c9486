// What the statistics window shows: one chart per quantity over the whole
// run, made from the statistics recorder's kept samples (the same samples the
// statistics file is written from).
#pragma once
#ifndef CREATURES_FLOOR_UI
#error "ui/ is for ui/ and the floors above it"
#endif

#include <string>
#include <vector>

#include "ecology/statistics.h"
#include "run/sample_windows.h"

struct Chart {
    std::string title;
    std::string column;          // its column in the statistics file ("" if none)
    std::vector<float> times;    // simulated seconds, one per kept sample
    std::vector<float> values;   // oldest first, one per kept sample
    std::vector<float> smoothed; // for a noisy quantity, its trend (else empty)
    std::vector<float> highest;  // for the best living score, the highest so far (else empty)
    std::string current;         // the latest value, as shown beside the title
    float low = 0.0f, high = 0.0f; // the range the chart shows
    int place = 0;                 // the most telling charts come first
};

// The range a chart of these values shows, with a little room (0 included
// when `fromZero`): robust to a few wild values, which the plot leaves out
// rather than flatten the rest into a line. Values that are not finite are
// left out too.
struct ChartRange {
    float low = 0.0f, high = 1.0f;
};
ChartRange chartRange(std::vector<float> values, bool fromZero);

// Mean progress (with its trend), population, births and deaths per
// minute, generation (mean; the maximum beside it), best living score (with
// the highest of its samples so far: the best living creature's score falls
// when it dies, while the hall of fame keeps the best ever), foods, foods
// eaten and mean energy, in that order.
std::vector<Chart> statisticsCharts(const StatisticsRecorder& recorder);

// Ticks of a value axis: round numbers (1, 2 or 5 times a power of ten
// apart) from a tick at or below `low` to one at or above `high`, at most
// `most` steps (two for a range across zero); the axis spans from the first
// to the last.
struct AxisTicks {
    double step = 1.0;
    std::vector<double> values;
};
AxisTicks valueTicks(double low, double high, int most);

// Ticks of a time axis between two simulated times: whole multiples of a
// round step (seconds, minutes or hours) inside [from, to], at most `most`
// steps across the span.
AxisTicks timeTicks(double from, double to, int most);

// A tick's label: a value with as many decimals as its step needs ("0.05",
// "20", "1.5k", "2M"); a time in the unit of its step ("30 s", "10 min", "2 h").
std::string valueTickText(double value, double step);
std::string timeTickText(double seconds, double step);

// The index of the sample nearest to a time (times oldest first); 0 for an
// empty series.
std::size_t nearestSample(const std::vector<float>& times, double t);

// "12 s", "3 min 20 s", "2 h 05 min": the span the charts cover.
std::string chartSpanText(double seconds);
