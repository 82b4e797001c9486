// One chart of the statistics in the panels' look: its title and current
// value above; the plot with round values on its axis at the left and round
// times under it, the labels beside the plot and never over a curve; a noisy
// quantity faint with its trend drawn over it, the best living score with
// the highest of it so far. Hovering the plot shows the value and the time
// under the cursor.
#pragma once
#ifndef CREATURES_FLOOR_UI_IMGUI
#error "ui/imgui/ is for ui/imgui/ and the floors above it"
#endif

#include "ui/statistics_charts.h"

// The least cell in which a chart still reads, in pixels.
constexpr float kLeastChartWidth = 170.0f;
constexpr float kLeastChartHeight = 56.0f;

// Draws the chart in a cell of the given size at the cursor, taken as one
// item. True when the cell was double-clicked.
bool drawChart(const Chart& c, float width, float height);
