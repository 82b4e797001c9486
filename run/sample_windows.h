// The spans of simulated time over which rates and means of the statistics
// samples are taken: the statistics window's charts and the summary of a
// statistics file use the same ones, so their figures agree.
#pragma once
#ifndef CREATURES_FLOOR_RUN
#error "run/ is for run/ and the floors above it"
#endif

#include <cstddef>
#include <vector>

// Seconds over which the rates (births and deaths per minute) and the mean
// progress are taken, so that a chart of one-second samples is readable.
constexpr double kRateWindowSeconds = 60.0;
// Seconds over which the mean progress is smoothed into its trend.
constexpr double kTrendWindowSeconds = 300.0;
// A rate per minute is a change over a window scaled by this over the
// window's seconds.
constexpr double kSecondsPerMinute = 60.0;

// For each of a series of times (oldest first), the index of the earliest
// time at most `window` seconds before it, or of the one just before it when
// that is further back: the span a charted rate or mean is taken over.
std::vector<std::size_t> windowStarts(const std::vector<double>& times, double window);
