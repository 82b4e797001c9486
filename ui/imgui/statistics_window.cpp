#include "ui/imgui/statistics_window.h"

#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>
#include <cmath>

#include "ui/imgui/chart_widget.h"
#include "ui/imgui/panel_style.h"
#include "ui/panel_layout.h"
#include "ui/statistics_charts.h"

namespace {

constexpr float kChartWidth = 150.0f;
constexpr float kRowHeight = 46.0f;

// Whether the last frame's strip had charts out of sight.
bool hiddenCharts = false;

} // namespace

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
    ImGui::PushStyleVar(ImGuiStyleVar_ItemSpacing, ImVec2(8.0f, 1.0f));
    // When not every chart fits, the title says how to see the others.
    const char* title = hiddenCharts ? "Statistics   (Shift + wheel: more charts)###Statistics"
                                     : "Statistics###Statistics";
    const bool visible =
        ImGui::Begin(title, nullptr,
                     ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoMove |
                         ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoScrollbar);
    ImGui::SetWindowFontScale(kFontScale);
    hiddenCharts = false;
    if (visible) {
        const StatisticsRecorder& rec = w.sim.statistics;
        if (rec.empty()) {
            ImGui::TextUnformatted("No samples yet.");
        } else {
            // As many rows of charts as the strip holds, the charts (the
            // most telling first) filling them; what does not fit scrolls
            // sideways.
            const std::vector<Chart> charts = statisticsCharts(rec);
            const ImVec2 room = ImGui::GetContentRegionAvail();
            const float gap = ImGui::GetStyle().ItemSpacing.x;
            const int count = static_cast<int>(charts.size());
            const int rows = std::clamp(static_cast<int>(room.y / kRowHeight), 1, count);
            const int columns = (count + rows - 1) / rows;
            const int fit = std::max(1, static_cast<int>((room.x + gap) / (kChartWidth + gap)));
            hiddenCharts = columns > fit;
            const float cellWidth =
                hiddenCharts ? kChartWidth : (room.x + gap) / static_cast<float>(columns) - gap;
            const float cellHeight = room.y / rows - ImGui::GetStyle().ItemSpacing.y;
            // Sideways by Shift and the wheel, with no scrollbar taking the
            // charts' room.
            ImGui::BeginChild("charts", room, false,
                              ImGuiWindowFlags_HorizontalScrollbar | ImGuiWindowFlags_NoScrollbar);
            for (int r = 0; r < rows; ++r) {
                for (int c = 0; c < columns; ++c) {
                    const std::size_t k = static_cast<std::size_t>(r * columns + c);
                    if (k >= charts.size())
                        break;
                    if (c > 0)
                        ImGui::SameLine();
                    ImGui::PushID(static_cast<int>(k));
                    drawChart(charts[k], cellWidth, cellHeight);
                    ImGui::PopID();
                }
            }
            ImGui::EndChild();
        }
    }
    ImGui::End();
    ImGui::PopStyleVar(2);
}
