// The "Statistics" window: live charts of the whole run, at the bottom left,
// collapsed at start. Only whole charts are shown: as many rows and columns
// as fit, the others a turn of the wheel away. A double click on a chart
// opens it large in a window of its own.
#pragma once
#ifndef CREATURES_FLOOR_UI_IMGUI
#error "ui/imgui/ is for ui/imgui/ and the floors above it"
#endif

#include <string>
#include <vector>

#include "ui/panel_layout.h"
#include "ui/world.h"

// Once per frame, between ImGui::NewFrame and ImGui::Render; does nothing
// without an ImGui frame.
void drawStatisticsWindow(World& w);

// The cells of the charts the last frame showed in the strip, and the part
// of the strip that shows its contents.
struct StripShown {
    std::vector<PanelRect> cells;
    PanelRect inside;
    int charts = 0; // charts in all, shown or not
};
const StripShown& statisticsStripShown();

// Opens the chart of that title large ("" closes it); the title of the
// chart shown large ("" for none).
void showLargeChart(const std::string& title);
const std::string& largeChartShown();
