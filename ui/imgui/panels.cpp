#include "ui/imgui/panels.h"

#include <imgui.h>
#include <imgui_internal.h>

#include "ui/imgui/control_panel.h"
#include "ui/imgui/creature_window.h"
#include "ui/imgui/family_tree_window.h"
#include "ui/imgui/hall_of_fame_window.h"
#include "ui/imgui/islands_window.h"
#include "ui/imgui/panel_dock.h"
#include "ui/imgui/statistics_window.h"

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
}
