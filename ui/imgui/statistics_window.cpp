#include "ui/imgui/statistics_window.h"

#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>

#include "ui/imgui/panel_style.h"
#include "ui/statistics_charts.h"

namespace {

constexpr float kWidth = 330.0f;
constexpr float kHeight = 340.0f;
constexpr float kChartHeight = 22.0f;

int placedHeight = -1;
bool wasCollapsed = true;

} // namespace

void drawStatisticsWindow(World& w)
{
    ImGuiContext* context = ImGui::GetCurrentContext();
    if (!context || !context->WithinFrameScope)
        return;
    // The bottom-left corner, kept there when the window changes size; the
    // window grows upwards when opened.
    // Opening or closing it puts it back in the corner too.
    if (w.windowHeight != placedHeight) {
        ImGui::SetNextWindowPos(ImVec2(static_cast<float>(kControlBarMargin),
                                       static_cast<float>(w.windowHeight - kControlBarMargin)),
                                ImGuiCond_Always, ImVec2(0.0f, 1.0f));
        placedHeight = w.windowHeight;
    }
    // Clear of the status text at the top left.
    const float height = std::max(120.0f, std::min(kHeight, w.windowHeight - 165.0f));
    ImGui::SetNextWindowSize(ImVec2(kWidth, height), ImGuiCond_Always);
    ImGui::SetNextWindowCollapsed(true, ImGuiCond_Once);

    const PanelColors colors;
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(6.0f, 4.0f));
    ImGui::PushStyleVar(ImGuiStyleVar_ItemSpacing, ImVec2(4.0f, 2.0f));
    const bool visible = ImGui::Begin("Statistics", nullptr, ImGuiWindowFlags_NoSavedSettings);
    ImGui::SetWindowFontScale(kFontScale);
    if (ImGui::IsWindowCollapsed() != wasCollapsed) {
        wasCollapsed = ImGui::IsWindowCollapsed();
        placedHeight = -1;
    }
    if (visible) {
        const StatisticsRecorder& rec = w.statistics;
        if (rec.empty()) {
            ImGui::TextUnformatted("No samples yet.");
        } else {
            const auto& h = rec.history();
            ImGui::Text("%s simulated, one point per %s",
                        chartSpanText(h.back().time - h.front().time).c_str(),
                        chartSpanText(h.size() > 1 ? (h.back().time - h.front().time) /
                                                         static_cast<double>(h.size() - 1)
                                                   : 1.0)
                            .c_str());
            const float width = ImGui::GetContentRegionAvail().x;
            for (const Chart& c : statisticsCharts(rec)) {
                ImGui::Text("%s", c.title.c_str());
                ImGui::SameLine(width - ImGui::CalcTextSize(c.current.c_str()).x);
                ImGui::TextUnformatted(c.current.c_str());
                ImGui::PushID(c.title.c_str());
                ImGui::PlotLines("##chart", c.values.data(), static_cast<int>(c.values.size()),
                                 0, nullptr, FLT_MAX, FLT_MAX, ImVec2(width, kChartHeight));
                ImGui::PopID();
            }
        }
    }
    ImGui::End();
    ImGui::PopStyleVar(2);
}
