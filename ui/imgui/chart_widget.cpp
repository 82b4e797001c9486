#include "ui/imgui/chart_widget.h"

#include <imgui.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr ImU32 kPlotGround = IM_COL32(40, 40, 60, 255);
constexpr ImU32 kGrid = IM_COL32(70, 70, 98, 255);
constexpr ImU32 kLabel = IM_COL32(235, 235, 245, 210);
constexpr ImU32 kRaw = IM_COL32(220, 230, 255, 255);
constexpr ImU32 kRawUnderTrend = IM_COL32(200, 210, 255, 70);
constexpr ImU32 kTrend = IM_COL32(255, 215, 90, 255);
constexpr ImU32 kHighest = IM_COL32(255, 150, 110, 200);
constexpr ImU32 kCursor = IM_COL32(255, 255, 255, 140);

// The plot's rectangle and the value and time ranges it maps.
struct Plot {
    ImVec2 min, max;
    double low, high;
    double t0, t1;
    float x(double t) const
    {
        return min.x + static_cast<float>((t - t0) / (t1 - t0)) * (max.x - min.x);
    }
    float y(double v) const
    {
        const double f = std::clamp((v - low) / (high - low), 0.0, 1.0);
        return max.y - static_cast<float>(f) * (max.y - min.y);
    }
    double timeAt(float px) const { return t0 + (px - min.x) / (max.x - min.x) * (t1 - t0); }
};

void polyline(ImDrawList* list, const Plot& p, const std::vector<float>& values,
              const std::vector<float>& times, ImU32 color, float thickness)
{
    if (values.size() < 2 || times.size() != values.size())
        return;
    std::vector<ImVec2> points;
    points.reserve(values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        points.emplace_back(p.x(times[i]), p.y(values[i]));
    list->AddPolyline(points.data(), static_cast<int>(points.size()), color, 0, thickness);
}

// The value and time under the cursor: a line down the plot at the nearest
// sample, a dot on each curve, and the figures in a tooltip.
void showSampleUnderCursor(ImDrawList* list, const Plot& p, const Chart& c, float mouseX)
{
    const std::size_t i = nearestSample(c.times, p.timeAt(mouseX));
    if (i >= c.values.size())
        return;
    const float x = p.x(c.times[i]);
    list->AddLine(ImVec2(x, p.min.y), ImVec2(x, p.max.y), kCursor);
    list->AddCircleFilled(ImVec2(x, p.y(c.values[i])), 3.0f, kRaw);
    char text[160];
    int n = std::snprintf(text, sizeof text, "%s: %.4g at %s", c.title.c_str(), c.values[i],
                          chartSpanText(c.times[i]).c_str());
    if (i < c.smoothed.size()) {
        list->AddCircleFilled(ImVec2(x, p.y(c.smoothed[i])), 3.0f, kTrend);
        n += std::snprintf(text + n, sizeof text - n, "\ntrend %.4g", c.smoothed[i]);
    }
    if (i < c.highest.size() && n > 0)
        std::snprintf(text + n, sizeof text - n, "\nhighest so far %.4g", c.highest[i]);
    ImGui::SetTooltip("%s", text);
}

} // namespace

bool drawChart(const Chart& c, float width, float height)
{
    const ImVec2 cell = ImGui::GetCursorScreenPos();
    ImGui::InvisibleButton("chart", ImVec2(width, height));
    const bool hovered = ImGui::IsItemHovered();
    const bool doubleClicked = hovered && ImGui::IsMouseDoubleClicked(0);

    ImDrawList* list = ImGui::GetWindowDrawList();
    ImFont* font = ImGui::GetFont();
    const float lineHeight = ImGui::GetTextLineHeight();
    const float small = ImGui::GetFontSize() * 0.8f;
    const ImU32 text = ImGui::GetColorU32(ImGuiCol_Text);

    // The title, cut where the current value begins.
    const float valueWidth = ImGui::CalcTextSize(c.current.c_str()).x;
    const float valueX = cell.x + std::max(0.0f, width - valueWidth);
    list->PushClipRect(cell, ImVec2(valueX - 6.0f, cell.y + lineHeight), true);
    list->AddText(cell, text, c.title.c_str());
    list->PopClipRect();
    list->AddText(ImVec2(valueX, cell.y), text, c.current.c_str());

    // The value axis: as many round ticks as fit a label apart.
    Plot p;
    p.min.y = cell.y + lineHeight + 2.0f;
    p.max.y = std::max(p.min.y + 8.0f, cell.y + height - small - 2.0f);
    const int most = std::max(1, static_cast<int>((p.max.y - p.min.y) / (small * 1.5f)));
    const AxisTicks values = valueTicks(c.low, c.high, most);
    p.low = values.values.front();
    p.high = std::max(values.values.back(), p.low + 1e-9);
    float labelWidth = 0.0f;
    for (double v : values.values)
        labelWidth = std::max(labelWidth,
                              font->CalcTextSizeA(small, 1e9f, 0.0f,
                                                  valueTickText(v, values.step).c_str()).x);
    p.min.x = cell.x + labelWidth + 4.0f;
    p.max.x = cell.x + width - 1.0f;
    p.t0 = c.times.empty() ? 0.0 : c.times.front();
    p.t1 = c.times.empty() ? 1.0 : std::max<double>(c.times.back(), p.t0 + 1.0);

    list->AddRectFilled(p.min, p.max, kPlotGround, 2.0f);
    for (double v : values.values) {
        const float y = p.y(v);
        list->AddLine(ImVec2(p.min.x, y), ImVec2(p.max.x, y), kGrid);
        const std::string label = valueTickText(v, values.step);
        const float w = font->CalcTextSizeA(small, 1e9f, 0.0f, label.c_str()).x;
        const float top = std::clamp(y - small * 0.5f, p.min.y - 2.0f, p.max.y - small + 2.0f);
        list->AddText(font, small, ImVec2(p.min.x - 3.0f - w, top), kLabel, label.c_str());
    }

    // The time axis: round times under the plot, none crowding the one
    // before it.
    const int timeMost = std::max(1, static_cast<int>((p.max.x - p.min.x) / 55.0f));
    const AxisTicks times = timeTicks(p.t0, p.t1, timeMost);
    float freeFrom = cell.x;
    for (double t : times.values) {
        const float x = p.x(t);
        list->AddLine(ImVec2(x, p.max.y), ImVec2(x, p.max.y - 3.0f), kLabel);
        const std::string label = timeTickText(t, times.step);
        const float w = font->CalcTextSizeA(small, 1e9f, 0.0f, label.c_str()).x;
        const float left = std::clamp(x - w * 0.5f, cell.x, cell.x + width - w);
        if (left < freeFrom)
            continue;
        list->AddText(font, small, ImVec2(left, p.max.y + 1.0f), kLabel, label.c_str());
        freeFrom = left + w + 6.0f;
    }

    // The curves, inside the plot.
    list->PushClipRect(p.min, p.max, true);
    const bool trend = !c.smoothed.empty();
    polyline(list, p, c.values, c.times, trend ? kRawUnderTrend : kRaw, 1.0f);
    if (trend)
        polyline(list, p, c.smoothed, c.times, kTrend, 2.0f);
    polyline(list, p, c.highest, c.times, kHighest, 1.0f);
    list->PopClipRect();

    const ImVec2 mouse = ImGui::GetIO().MousePos;
    if (hovered && mouse.x >= p.min.x && mouse.x <= p.max.x && !c.times.empty())
        showSampleUnderCursor(list, p, c, mouse.x);
    return doubleClicked;
}
