#include "ui/imgui/panels.h"

#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>

#include "ui/imgui/control_panel.h"
#include "ui/imgui/creature_window.h"
#include "ui/imgui/family_tree_window.h"
#include "ui/imgui/hall_of_fame_window.h"
#include "ui/imgui/islands_window.h"
#include "ui/imgui/panel_dock.h"
#include "ui/imgui/panel_state.h"
#include "ui/imgui/statistics_window.h"

PanelState& panelState()
{
    static PanelState state;
    return state;
}

void drawPanels(World& w)
{
    ImGuiContext* context = ImGui::GetCurrentContext();
    if (!context || !context->WithinFrameScope)
        return;
    beginColumn(w, updateInspectorWindow(w));
    drawControlBar(w);
    drawInspectorWindow(w);
    drawHallOfFameWindow(w);
    drawStatisticsWindow(w);
    drawFamilyTreeWindow(w);
    drawIslandsWindow(w);
    // The top of the panels along the bottom edge, which the camera frames
    // the followed creature above.
    float top = -1.0f;
    for (const char* name : {"###Statistics", "###FamilyTree"}) {
        const ImGuiWindow* win = ImGui::FindWindowByName(name);
        if (win && win->Active)
            top = top < 0.0f ? win->Pos.y : std::min(top, win->Pos.y);
    }
    w.view.panelsBottomTop = top;
}
