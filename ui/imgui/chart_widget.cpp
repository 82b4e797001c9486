#include "ui/imgui/chart_widget.h"

#include <imgui.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// "12.5", "1.2k", "0.031": short enough for an axis.
std::string axisValue(float v)
{
    char text[32];
    const float a = std::fabs(v);
    if (a >= 10000.0f)
        std::snprintf(text, sizeof text, "%.0fk", v / 1000.0f);
    else if (a >= 100.0f || v == std::floor(v))
        std::snprintf(text, sizeof text, "%.0f", v);
    else if (a >= 1.0f)
        std::snprintf(text, sizeof text, "%.1f", v);
    else
        std::snprintf(text, sizeof text, "%.3f", v);
    return text;
}

// "45 s", "12 min", "2.5 h": a simulated time for an axis.
std::string axisTime(float seconds)
{
    char text[32];
    if (seconds < 120.0f)
        std::snprintf(text, sizeof text, "%.0f s", seconds);
    else if (seconds < 7200.0f)
        std::snprintf(text, sizeof text, "%.0f min", seconds / 60.0f);
    else
        std::snprintf(text, sizeof text, "%.1f h", seconds / 3600.0f);
    return text;
}

void polyline(ImDrawList* list, const std::vector<float>& values, const std::vector<float>& times,
              const ImVec2& at, const ImVec2& size, float low, float high, ImU32 color,
              float thickness)
{
    if (values.size() < 2 || times.size() != values.size())
        return;
    const float t0 = times.front(), t1 = std::max(times.back(), t0 + 1e-3f);
    std::vector<ImVec2> points;
    points.reserve(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        const float x = at.x + (times[i] - t0) / (t1 - t0) * size.x;
        const float f = std::clamp((values[i] - low) / (high - low), 0.0f, 1.0f);
        points.emplace_back(x, at.y + size.y - f * size.y);
    }
    list->AddPolyline(points.data(), static_cast<int>(points.size()), color, 0, thickness);
}

} // namespace

void drawChart(const Chart& c, float width, float height)
{
    // The whole cell is laid out here and taken as one item.
    const ImVec2 cell = ImGui::GetCursorScreenPos();
    ImDrawList* list = ImGui::GetWindowDrawList();
    const float lineHeight = ImGui::GetTextLineHeight();
    const ImU32 text = ImGui::GetColorU32(ImGuiCol_Text);
    list->AddText(cell, text, c.title.c_str());
    const float valueWidth = ImGui::CalcTextSize(c.current.c_str()).x;
    list->AddText(ImVec2(cell.x + std::max(0.0f, width - valueWidth), cell.y), text,
                  c.current.c_str());

    const ImVec2 at(cell.x, cell.y + lineHeight + 1.0f);
    const ImVec2 size(width, std::max(12.0f, height - lineHeight - 2.0f));
    list->AddRectFilled(at, ImVec2(at.x + size.x, at.y + size.y), IM_COL32(40, 40, 60, 255), 2.0f);
    list->AddLine(ImVec2(at.x, at.y + size.y * 0.5f), ImVec2(at.x + size.x, at.y + size.y * 0.5f),
                  IM_COL32(90, 90, 120, 255));
    const bool trend = !c.smoothed.empty();
    polyline(list, c.values, c.times, at, size, c.low, c.high,
             trend ? IM_COL32(200, 210, 255, 70) : IM_COL32(220, 230, 255, 255), 1.0f);
    if (trend)
        polyline(list, c.smoothed, c.times, at, size, c.low, c.high, IM_COL32(255, 215, 90, 255),
                 2.0f);

    // The range at the left, the times at the bottom, inside the plot.
    const ImU32 label = IM_COL32(235, 235, 245, 200);
    const float small = ImGui::GetFontSize() * 0.8f;
    ImFont* font = ImGui::GetFont();
    list->AddText(font, small, ImVec2(at.x + 2, at.y + 1), label, axisValue(c.high).c_str());
    list->AddText(font, small, ImVec2(at.x + 2, at.y + size.y - small - 1), label,
                  axisValue(c.low).c_str());
    if (!c.times.empty()) {
        const std::string span = axisTime(c.times.front()) + " - " + axisTime(c.times.back());
        const float w = font->CalcTextSizeA(small, 1e9f, 0.0f, span.c_str()).x;
        list->AddText(font, small, ImVec2(at.x + size.x - w - 2, at.y + size.y - small - 1), label,
                      span.c_str());
    }
    ImGui::Dummy(ImVec2(width, height));
}
