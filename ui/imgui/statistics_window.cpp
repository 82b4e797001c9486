#include "ui/imgui/statistics_window.h"

#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "ui/control_bar.h"
#include "ui/imgui/chart_widget.h"
#include "ui/imgui/panel_state.h"
#include "ui/imgui/panel_style.h"
#include "ui/statistics_charts.h"

namespace {

// The statistics strip's part of the panels' record.
StatisticsPanel& strip = panelState().statistics;

PanelRect rectOf(ImVec2 min, ImVec2 max)
{
    return PanelRect{min.x, min.y, max.x - min.x, max.y - min.y};
}

// The charts in `rows` rows, the most telling first along the top row; the
// columns from firstColumn on that fit, each chart whole. The wheel over the
// strip turns the columns by one.
void drawCharts(const std::vector<Chart>& charts)
{
    const ImGuiStyle& style = ImGui::GetStyle();
    const ImVec2 room = ImGui::GetContentRegionAvail();
    const ImVec2 origin = ImGui::GetCursorScreenPos();
    strip.shown.inside = rectOf(origin, ImVec2(origin.x + room.x, origin.y + room.y));
    const int count = static_cast<int>(charts.size());
    const CellGrid fit = cellsThatFit(room.x, room.y, kLeastChartWidth, kLeastChartHeight,
                                      style.ItemSpacing.x);
    const int rows = std::min(fit.rows, count);
    const int columns = (count + rows - 1) / rows;
    const int shownColumns = std::min(columns, fit.columns);
    if (ImGui::IsWindowHovered()) {
        const ImGuiIO& io = ImGui::GetIO();
        const float wheel = io.MouseWheel != 0.0f ? io.MouseWheel : io.MouseWheelH;
        if (wheel != 0.0f)
            strip.firstColumn += wheel < 0.0f ? 1 : -1;
    }
    strip.firstColumn = std::clamp(strip.firstColumn, 0, columns - shownColumns);

    const float gapX = style.ItemSpacing.x, gapY = style.ItemSpacing.y;
    const float cellWidth = std::floor((room.x + gapX) / shownColumns - gapX);
    const float cellHeight = std::floor((room.y + gapY) / rows - gapY);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < shownColumns; ++c) {
            const int k = r * columns + strip.firstColumn + c;
            if (k >= count)
                break;
            ImGui::SetCursorScreenPos(ImVec2(origin.x + c * (cellWidth + gapX),
                                             origin.y + r * (cellHeight + gapY)));
            ImGui::PushID(k);
            if (drawChart(charts[k], cellWidth, cellHeight))
                strip.large = charts[k].title;
            strip.shown.cells.push_back(rectOf(ImGui::GetItemRectMin(), ImGui::GetItemRectMax()));
            ImGui::PopID();
        }
    }
    char title[128];
    if (shownColumns < columns)
        std::snprintf(title, sizeof title,
                      "Statistics   (charts %d-%d of %d columns: the wheel shows more)###Statistics",
                      strip.firstColumn + 1, strip.firstColumn + shownColumns, columns);
    else
        std::snprintf(title, sizeof title, "Statistics   (double-click a chart to enlarge it)"
                                           "###Statistics");
    strip.title = title;
}

// The chart chosen by a double click, in a window of its own over the
// scene's lower half, above the family tree's bar; closed by its button or another double click.
void drawLargeChart(const World& w, const std::vector<Chart>& charts, const PanelRect& strip0)
{
    const Chart* chart = nullptr;
    for (const Chart& c : charts)
        if (c.title == strip.large)
            chart = &c;
    if (!chart) {
        strip.large.clear();
        return;
    }
    const float width = std::max(320.0f, strip0.width * 0.7f);
    const float height = std::clamp(w.view.windowHeight * 0.4f, 200.0f, 480.0f);
    // Its bottom above the family tree's bar, which sits on the strip.
    const float bottom = strip0.y - kPanelTitleHeight - 2.0f * kControlBarMargin;
    ImGui::SetNextWindowPos(ImVec2(strip0.x + (strip0.width - width) * 0.5f, bottom),
                            ImGuiCond_Appearing, ImVec2(0.0f, 1.0f));
    ImGui::SetNextWindowSize(ImVec2(width, height), ImGuiCond_Appearing);
    bool open = true;
    const std::string title = chart->title + "###LargeChart";
    if (ImGui::Begin(title.c_str(), &open,
                     ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoScrollbar |
                         ImGuiWindowFlags_NoCollapse)) {
        const ImVec2 room = ImGui::GetContentRegionAvail();
        if (drawChart(*chart, room.x, room.y))
            open = false;
    }
    ImGui::End();
    if (!open)
        strip.large.clear();
}

} // namespace

const StripShown& statisticsStripShown()
{
    return strip.shown;
}

void showLargeChart(const std::string& title)
{
    strip.large = title;
}

const std::string& largeChartShown()
{
    return strip.large;
}

void drawStatisticsWindow(World& w)
{
    ImGuiContext* context = ImGui::GetCurrentContext();
    if (!context || !context->WithinFrameScope)
        return;
    // Docked along the bottom, left of the column; its title bar alone while
    // collapsed (as it starts).
    const DockLayout dock = dockLayout(w.view.windowWidth, w.view.windowHeight);
    ImGui::SetNextWindowPos(ImVec2(dock.strip.x, dock.strip.bottom()), ImGuiCond_Always,
                            ImVec2(0.0f, 1.0f));
    ImGui::SetNextWindowSize(ImVec2(dock.strip.width, dock.strip.height), ImGuiCond_Always);
    ImGui::SetNextWindowCollapsed(true, ImGuiCond_Once);

    const PanelColors colors;
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(6.0f, 3.0f));
    ImGui::PushStyleVar(ImGuiStyleVar_ItemSpacing, ImVec2(10.0f, 2.0f));
    const bool visible = ImGui::Begin(strip.title.c_str(), nullptr,
                                      ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoMove |
                                          ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoScrollbar |
                                          ImGuiWindowFlags_NoScrollWithMouse);
    ImGui::SetWindowFontScale(kFontScale);
    strip.shown = StripShown{};
    std::vector<Chart> charts;
    if (visible) {
        const StatisticsRecorder& rec = w.sim.statistics;
        if (rec.empty()) {
            ImGui::TextUnformatted("No samples yet.");
            strip.title = "Statistics###Statistics";
        } else {
            charts = statisticsCharts(rec);
            strip.shown.charts = static_cast<int>(charts.size());
            drawCharts(charts);
        }
    }
    ImGui::End();
    ImGui::PopStyleVar(2);

    if (!strip.large.empty()) {
        if (charts.empty() && !w.sim.statistics.empty())
            charts = statisticsCharts(w.sim.statistics);
        const PanelColors largeColors;
        drawLargeChart(w, charts, dock.strip);
    }
}
