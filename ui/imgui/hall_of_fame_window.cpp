#include "ui/imgui/hall_of_fame_window.h"

#include <imgui.h>

#include <cstdio>

#include "ui/control_bar.h"
#include "ui/creature_sharing.h"
#include "ui/imgui/panel_dock.h"
#include "ui/imgui/panel_style.h"

namespace {

constexpr int kSelectedFollowMode = 5;

// The row chosen, by its creature id; -1 for none.
int chosenId = -1;

} // namespace

void drawHallOfFameWindow(World& w)
{
    placeInColumn(1e9f);
    ImGui::SetNextWindowCollapsed(true, ImGuiCond_Once);
    const PanelColors colors;
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(5.0f, 4.0f));
    ImGui::PushStyleVar(ImGuiStyleVar_ItemSpacing, ImVec2(4.0f, 2.0f));
    ImGui::PushStyleVar(ImGuiStyleVar_CellPadding, ImVec2(2.0f, 1.0f));
    const bool visible =
        ImGui::Begin("Hall of fame", nullptr,
                     ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_AlwaysAutoResize |
                         ImGuiWindowFlags_NoMove);
    ImGui::SetWindowFontScale(kFontScale);
    if (visible) {
        const std::vector<FameEntry>& entries = w.sim.hallOfFame.entries();
        const FameEntry* chosen = nullptr;
        if (entries.empty())
            ImGui::TextUnformatted("No creature has scored yet.");
        else if (ImGui::BeginTable("fame", 5, ImGuiTableFlags_RowBg | ImGuiTableFlags_SizingFixedFit)) {
            ImGui::TableSetupColumn("id");
            ImGui::TableSetupColumn("gen");
            ImGui::TableSetupColumn("score");
            ImGui::TableSetupColumn("prog");
            ImGui::TableSetupColumn("food");
            ImGui::TableHeadersRow();
            for (const FameEntry& e : entries) {
                ImGui::TableNextRow();
                ImGui::TableNextColumn();
                char id[24];
                std::snprintf(id, sizeof id, "%s%d##%p", e.agent ? "" : "+", e.id,
                              static_cast<const void*>(&e));
                if (ImGui::Selectable(id, chosenId == e.id, ImGuiSelectableFlags_SpanAllColumns))
                    chosenId = e.id;
                if (ImGui::IsItemHovered())
                    ImGui::SetTooltip("creature %d, generation %d%s", e.id, e.generation,
                                      e.agent ? "" : " (died)");
                if (chosenId == e.id)
                    chosen = &e;
                ImGui::TableNextColumn();
                ImGui::Text("%d", e.generation);
                ImGui::TableNextColumn();
                ImGui::Text("%.1f", e.score);
                ImGui::TableNextColumn();
                ImGui::Text("%.3f", e.progressPerCycle);
                ImGui::TableNextColumn();
                ImGui::Text("%d", e.foodsEaten);
            }
            ImGui::EndTable();
        }
        // What is done with the chosen row.
        const bool alive = chosen && chosen->agent;
        if (!alive)
            ImGui::BeginDisabled();
        if (ImGui::Button("Follow") && alive) {
            w.view.selectedAgent = const_cast<Agent*>(chosen->agent);
            setFollowMode(w, kSelectedFollowMode);
        }
        if (!alive)
            ImGui::EndDisabled();
        ImGui::SameLine();
        if (!chosen)
            ImGui::BeginDisabled();
        if (ImGui::Button("Save") && chosen)
            saveCreatureFile(w, *chosen);
        if (!chosen)
            ImGui::EndDisabled();
        ImGui::SameLine();
        ImGui::TextDisabled(chosen ? "" : "choose a row");
    }
    takeColumnSpace();
    ImGui::End();
    ImGui::PopStyleVar(3);
}
