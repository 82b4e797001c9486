// One chart of the statistics in the panels' look: its title and current
// value above; the plot with the top and bottom of its range at the left and
// the times it spans under it; a noisy quantity faint, its trend drawn over
// it.
#pragma once
#ifndef CREATURES_FLOOR_UI_IMGUI
#error "ui/imgui/ is for ui/imgui/ and the floors above it"
#endif

#include "ui/statistics_charts.h"

void drawChart(const Chart& c, float width, float height);
