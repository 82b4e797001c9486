// What the statistics window shows: one chart per quantity over the whole
// run, made from the statistics recorder's kept samples (the same samples the
// statistics file is written from).
#pragma once

#include <string>
#include <vector>

#include "ecology/statistics.h"

struct Chart {
    std::string title;
    std::vector<float> values; // oldest first, one per kept sample
    std::string current;       // the latest value, as shown beside the title
};

// Seconds over which the rates (births and deaths per minute) and the mean
// progress are taken, so that a chart of one-second samples is readable.
constexpr double kRateWindowSeconds = 60.0;

// Population, foods, births and deaths per minute, foods eaten, mean energy,
// best score, mean progress and generation (mean; the maximum beside it).
std::vector<Chart> statisticsCharts(const StatisticsRecorder& recorder);

// "12 s", "3 min 20 s", "2 h 05 min": the span the charts cover.
std::string chartSpanText(double seconds);
