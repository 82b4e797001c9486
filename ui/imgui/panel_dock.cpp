#include "ui/imgui/panel_dock.h"

#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>

#include "ui/control_bar.h"
#include "ui/imgui/panel_state.h"

namespace {

// The column's part of the panels' record.
ColumnPanel& column = panelState().column;

} // namespace

void beginColumn(const World& w, bool inspectorShown)
{
    column.layout = dockLayout(w.view.windowWidth, w.view.windowHeight);
    const DockLayout& d = column.layout;
    column.wishes[static_cast<int>(ColumnSlot::Inspector)].shown = inspectorShown;
    const std::vector<ColumnWish> wishes(column.wishes, column.wishes + kColumnSlots);
    const float gap = static_cast<float>(kControlBarMargin);
    const std::vector<float> heights = shareColumn(d.columnBottom - d.columnTop, gap, wishes);
    float y = d.columnTop;
    for (int i = 0; i < kColumnSlots; ++i) {
        column.places[i] = PanelRect{d.columnX, y, d.columnWidth, heights[i]};
        if (wishes[i].shown)
            y += heights[i] + gap;
    }
}

void placeInColumn(ColumnSlot slot)
{
    const PanelRect& r = column.places[static_cast<int>(slot)];
    ImGui::SetNextWindowPos(ImVec2(r.x, r.y), ImGuiCond_Always);
    ImGui::SetNextWindowSize(ImVec2(r.width, std::max(r.height, kPanelTitleHeight)),
                             ImGuiCond_Always);
}

void wishInColumn(ColumnSlot slot, float wanted, float least)
{
    ColumnWish& w = column.wishes[static_cast<int>(slot)];
    w.wanted = std::max(wanted, kPanelTitleHeight);
    w.least = std::clamp(least, kPanelTitleHeight, w.wanted);
}

PanelRect columnPlace(ColumnSlot slot)
{
    const int i = static_cast<int>(slot);
    return column.wishes[i].shown ? column.places[i] : PanelRect{};
}

bool expandedLastFrame(const char* name)
{
    const ImGuiWindow* window = ImGui::FindWindowByName(name);
    return window && window->WasActive && !window->Collapsed;
}

float heightSoFar()
{
    const ImGuiStyle& style = ImGui::GetStyle();
    return ImGui::GetCursorPosY() - style.ItemSpacing.y + style.WindowPadding.y;
}

bool lastItemWhollyShown()
{
    const ImGuiWindow* window = ImGui::GetCurrentWindowRead();
    // The window's own visible area (a table's clip rectangle is one cell).
    const ImRect clip = window->InnerClipRect;
    const ImVec2 lo = ImGui::GetItemRectMin(), hi = ImGui::GetItemRectMax();
    return lo.x >= clip.Min.x - 0.5f && lo.y >= clip.Min.y - 0.5f && hi.x <= clip.Max.x + 0.5f &&
           hi.y <= clip.Max.y + 0.5f;
}
