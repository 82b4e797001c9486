#include "ui/imgui/panel_dock.h"

#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>

#include "ui/control_bar.h"
#include "ui/panel_layout.h"

namespace {

DockLayout layout;
float cursor = 0.0f;

} // namespace

void beginColumn(const World& w)
{
    layout = dockLayout(w.view.windowWidth, w.view.windowHeight);
    cursor = layout.columnTop;
}

void placeInColumn(float maxHeight, float keepBelow)
{
    const float room = std::max(kPanelTitleHeight, layout.columnBottom - cursor - keepBelow);
    ImGui::SetNextWindowPos(ImVec2(layout.columnX, cursor), ImGuiCond_Always);
    ImGui::SetNextWindowSizeConstraints(ImVec2(layout.columnWidth, 0.0f),
                                        ImVec2(layout.columnWidth, std::min(maxHeight, room)));
}

void takeColumnSpace()
{
    cursor = ImGui::GetWindowPos().y + ImGui::GetWindowHeight() + kControlBarMargin;
}

float columnRoomLeft()
{
    return std::max(0.0f, layout.columnBottom - cursor);
}

bool expandedLastFrame(const char* name)
{
    const ImGuiWindow* window = ImGui::FindWindowByName(name);
    return window && window->WasActive && !window->Collapsed;
}
