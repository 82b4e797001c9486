#include "ui/imgui/islands_window.h"

#include <imgui.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "base/duration_text.h"
#include "ui/imgui/panel_style.h"
#include "ui/panel_layout.h"
#include "ui/statistics_charts.h"

namespace {

constexpr float kWidth = 300.0f;
constexpr float kChartHeight = 90.0f;
// Left of it the status text, right of it the column of panels.
constexpr float kStatusTextWidth = 175.0f;

// A colour of its own for each island, well apart on the hue circle.
ImU32 islandColour(int island, int alpha = 255)
{
    const float hue = std::fmod(0.08f + 0.618034f * static_cast<float>(island), 1.0f);
    float r, g, b;
    ImGui::ColorConvertHSVtoRGB(hue, 0.65f, 1.0f, r, g, b);
    return IM_COL32(static_cast<int>(r * 255), static_cast<int>(g * 255), static_cast<int>(b * 255),
                    alpha);
}

void trendChart(const IslandsView& v)
{
    ImDrawList* list = ImGui::GetWindowDrawList();
    const ImVec2 p0 = ImGui::GetCursorScreenPos();
    const float width = ImGui::GetContentRegionAvail().x;
    const float axis = 28.0f; // the value labels' column
    const ImVec2 a(p0.x + axis, p0.y + 4.0f), b(p0.x + width, p0.y + kChartHeight - 14.0f);
    list->AddRectFilled(a, b, IM_COL32(24, 26, 34, 255));

    double t0 = 0.0, t1 = 1.0;
    bool any = false;
    std::vector<float> values;
    for (const auto& trend : v.trends)
        for (const IslandTrendPoint& p : trend) {
            t0 = any ? std::min(t0, p.time) : p.time;
            t1 = any ? std::max(t1, p.time) : std::max(p.time, t0 + 1.0);
            values.push_back(static_cast<float>(p.progress));
            any = true;
        }
    // The top as the statistics charts take theirs, not one wild point.
    const double top = any ? chartRange(std::move(values), true).high : 0.0;
    // Round values for the top of the axis.
    const double steps[] = {0.05, 0.1, 0.2, 0.25, 0.5, 1.0, 2.0, 5.0, 10.0};
    double ceiling = 0.05;
    for (double s : steps)
        if ((ceiling = s) >= top)
            break;
    ceiling = std::max(ceiling, top);
    const ImU32 label = IM_COL32(225, 225, 235, 255);
    char text[32];
    for (int k = 0; k <= 2; ++k) {
        const double value = ceiling * k / 2.0;
        const float y = b.y - static_cast<float>(value / ceiling) * (b.y - a.y);
        list->AddLine(ImVec2(a.x, y), ImVec2(b.x, y), IM_COL32(70, 74, 90, 255));
        std::snprintf(text, sizeof text, "%.2g", value);
        list->AddText(ImVec2(p0.x, y - 7.0f), label, text);
    }
    list->AddText(ImVec2(a.x, b.y + 1.0f), label, formatDuration(t0).c_str());
    const std::string end = formatDuration(t1);
    list->AddText(ImVec2(b.x - ImGui::CalcTextSize(end.c_str()).x, b.y + 1.0f), label, end.c_str());

    auto at = [&](const IslandTrendPoint& p) {
        const float x = a.x + static_cast<float>((p.time - t0) / std::max(1e-9, t1 - t0)) * (b.x - a.x);
        const float y = b.y - static_cast<float>(std::clamp(p.progress / ceiling, 0.0, 1.0)) * (b.y - a.y);
        return ImVec2(x, y);
    };
    // The shown island last, over the others and thicker.
    for (int pass = 0; pass < 2; ++pass)
        for (int i = 0; i < static_cast<int>(v.trends.size()); ++i) {
            if ((i == v.shown) != (pass == 1))
                continue;
            const auto& trend = v.trends[static_cast<std::size_t>(i)];
            for (std::size_t k = 1; k < trend.size(); ++k)
                list->AddLine(at(trend[k - 1]), at(trend[k]), islandColour(i),
                              i == v.shown ? 2.5f : 1.2f);
        }

    ImGui::InvisibleButton("trend", ImVec2(width, kChartHeight));
    if (ImGui::IsItemHovered() && any) {
        // The value of every island at the time under the cursor.
        const float mx = ImGui::GetIO().MousePos.x;
        const double t = t0 + (mx - a.x) / std::max(1.0f, b.x - a.x) * (t1 - t0);
        ImGui::BeginTooltip();
        ImGui::Text("mean progress per cycle, at %s", formatDuration(t).c_str());
        for (int i = 0; i < static_cast<int>(v.trends.size()); ++i) {
            const auto& trend = v.trends[static_cast<std::size_t>(i)];
            auto it = std::lower_bound(trend.begin(), trend.end(), t,
                                       [](const IslandTrendPoint& p, double x) { return p.time < x; });
            if (it == trend.end())
                continue;
            ImGui::TextColored(ImGui::ColorConvertU32ToFloat4(islandColour(i)), "island %d: %.3f", i + 1,
                               it->progress);
        }
        ImGui::EndTooltip();
    }
}

} // namespace

void drawIslandsWindow(World& w)
{
    if (!w.view.islands)
        return;
    IslandsView& v = *w.view.islands;
    const float screen = static_cast<float>(w.view.windowWidth);
    const float right = screen - static_cast<float>(kControlBarWidth + 2 * kControlBarMargin);
    const float x = std::max(kStatusTextWidth, (kStatusTextWidth + right - kWidth) / 2.0f);
    ImGui::SetNextWindowPos(ImVec2(x, 5.0f), ImGuiCond_Always);
    ImGui::SetNextWindowSize(ImVec2(std::min(kWidth, std::max(160.0f, right - x)), 0.0f),
                             ImGuiCond_Always);
    const PanelColors colors;
    // Folded at start, so the scene keeps its top; the title says which
    // island is shown and, while it waits for the others at a migration or
    // another island is on its way, that too.
    ImGui::SetNextWindowCollapsed(true, ImGuiCond_Once);
    char title[96];
    if (v.coming >= 0)
        std::snprintf(title, sizeof title, "Islands: %d of %d, %d next###Islands", v.shown + 1,
                      v.count, v.coming + 1);
    else if (!v.waitingFor.empty())
        std::snprintf(title, sizeof title, "Islands: %d of %d, waits for migration###Islands",
                      v.shown + 1, v.count);
    else
        std::snprintf(title, sizeof title, "Islands: %d of %d (keys 1-%d)###Islands", v.shown + 1,
                      v.count, std::min(v.count, 9));
    if (ImGui::Begin(title, nullptr,
                     ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoMove |
                         ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoScrollbar)) {
        ImGui::SetWindowFontScale(kFontScale);
        // A button an island; the shown one lit.
        for (int i = 0; i < v.count; ++i) {
            if (i > 0 && ImGui::GetContentRegionAvail().x > 30.0f)
                ImGui::SameLine(0.0f, 3.0f);
            ImGui::PushID(i);
            const bool shown = i == v.shown;
            ImGui::PushStyleColor(ImGuiCol_Button, ImGui::ColorConvertU32ToFloat4(
                                                       islandColour(i, shown ? 255 : 110)));
            ImGui::PushStyleColor(ImGuiCol_Text, shown ? IM_COL32(0, 0, 0, 255)
                                                       : IM_COL32(240, 240, 240, 255));
            char label[16];
            std::snprintf(label, sizeof label, "%d", i + 1);
            if (ImGui::Button(label, ImVec2(24.0f, 0.0f)))
                requestIsland(v, i);
            ImGui::PopStyleColor(2);
            if (ImGui::IsItemHovered()) {
                if (i < 9)
                    ImGui::SetTooltip("show island %d (key %d)", i + 1, i + 1);
                else
                    ImGui::SetTooltip("show island %d", i + 1);
            }
            ImGui::PopID();
        }
        ImGui::Text("island %d of %d", v.shown + 1, v.count);
        if (v.coming >= 0)
            ImGui::TextColored(ImVec4(1.0f, 0.85f, 0.4f, 1.0f),
                               "island %d shown when its worker ends its steps", v.coming + 1);
        if (v.migrateEvery > 0 && v.nextMigration >= 0)
            ImGui::Text("migration every %s, next at %s", formatDuration(v.migrateEvery).c_str(),
                        formatDuration(v.nextMigration).c_str());
        else
            ImGui::TextUnformatted("no migration");
        if (!v.waitingFor.empty())
            ImGui::TextColored(ImVec4(1.0f, 0.85f, 0.4f, 1.0f), "waiting for island%s %s",
                               v.waitingFor.find(',') != std::string::npos ? "s" : "",
                               v.waitingFor.c_str());
        trendChart(v);
    }
    ImGui::End();
}
