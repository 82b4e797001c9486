#include "ui/imgui/hall_of_fame_window.h"

#include <imgui.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "ui/control_bar.h"
#include "ui/creature_sharing.h"
#include "ui/imgui/panel_dock.h"
#include "ui/imgui/panel_state.h"
#include "ui/imgui/panel_style.h"

namespace {

// Rows the window keeps in sight however short the column is.
constexpr int kLeastRows = 3;

// The hall of fame's part of the panels' record.
HallOfFamePanel& panel = panelState().hallOfFame;

// The table of the entries with its header, `height` tall (scrolling under
// its header when the rows do not fit). Returns the chosen entry, if any.
const FameEntry* drawTable(const std::vector<FameEntry>& entries, float height)
{
    const FameEntry* chosen = nullptr;
    if (!ImGui::BeginTable("fame", 5,
                           ImGuiTableFlags_RowBg | ImGuiTableFlags_SizingFixedFit |
                               ImGuiTableFlags_ScrollY,
                           ImVec2(0.0f, height)))
        return nullptr;
    ImGui::TableSetupScrollFreeze(0, 1);
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
        if (ImGui::Selectable(id, panel.chosenId == e.id, ImGuiSelectableFlags_SpanAllColumns))
            panel.chosenId = e.id;
        panel.shown.rows += lastItemWhollyShown();
        if (ImGui::IsItemHovered())
            ImGui::SetTooltip("creature %d, generation %d%s", e.id, e.generation,
                              e.agent ? "" : " (died)");
        if (panel.chosenId == e.id)
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
    return chosen;
}

// What is done with the chosen row: the camera follows it (the selection
// stays as it is), it becomes the selected creature, or it is saved.
void drawButtons(World& w, const FameEntry* chosen)
{
    const bool alive = chosen && chosen->agent;
    Agent* agent = alive ? const_cast<Agent*>(chosen->agent) : nullptr;
    ImGui::BeginDisabled(!alive);
    if (ImGui::Button("Follow") && agent)
        followCreature(w, agent);
    const bool followShown = lastItemWhollyShown();
    ImGui::SameLine();
    if (ImGui::Button("Select") && agent)
        w.view.selectedAgent = agent;
    ImGui::EndDisabled();
    ImGui::SameLine();
    ImGui::BeginDisabled(!chosen);
    if (ImGui::Button("Save") && chosen)
        saveCreatureFile(w, *chosen);
    ImGui::EndDisabled();
    panel.shown.buttons = followShown && lastItemWhollyShown();
    // The hint, where it fits.
    const char* hint = "choose a row";
    const float right = ImGui::GetWindowPos().x + ImGui::GetWindowContentRegionMax().x;
    if (!chosen && right - ImGui::GetItemRectMax().x - ImGui::GetStyle().ItemSpacing.x >=
                       ImGui::CalcTextSize(hint).x) {
        ImGui::SameLine();
        ImGui::TextDisabled("%s", hint);
    }
}

} // namespace

FameShown hallOfFameShown()
{
    return panel.shown;
}

void drawHallOfFameWindow(World& w)
{
    placeInColumn(ColumnSlot::HallOfFame);
    ImGui::SetNextWindowCollapsed(true, ImGuiCond_Once);
    const PanelColors colors;
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(5.0f, 4.0f));
    ImGui::PushStyleVar(ImGuiStyleVar_ItemSpacing, ImVec2(4.0f, 2.0f));
    ImGui::PushStyleVar(ImGuiStyleVar_CellPadding, ImVec2(2.0f, 1.0f));
    const bool visible = ImGui::Begin("Hall of fame", nullptr,
                                      ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoMove |
                                          ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoScrollbar |
                                          ImGuiWindowFlags_NoScrollWithMouse);
    ImGui::SetWindowFontScale(kFontScale);
    panel.shown = FameShown{};
    if (visible) {
        const ImGuiStyle& style = ImGui::GetStyle();
        const std::vector<FameEntry>& entries = w.sim.hallOfFame.entries();
        const float top = ImGui::GetCursorPosY();
        // A row of the table: its text and the cells' padding above and below.
        const float rowHeight = ImGui::GetTextLineHeight() + 2 * style.CellPadding.y;
        const FameEntry* chosen = nullptr;
        float tableWanted = ImGui::GetTextLineHeight();
        if (entries.empty()) {
            ImGui::TextUnformatted("No creature has scored yet.");
        } else {
            tableWanted = rowHeight * static_cast<float>(entries.size() + 1) + 1.0f;
            const float room = ImGui::GetContentRegionAvail().y - panel.footerHeight - style.ItemSpacing.y;
            chosen = drawTable(entries, std::clamp(room, rowHeight * 2, tableWanted));
        }
        const float footerTop = ImGui::GetCursorPosY();
        drawButtons(w, chosen);
        panel.footerHeight = heightSoFar() - style.WindowPadding.y - footerTop;
        const float rest = style.ItemSpacing.y + panel.footerHeight + style.WindowPadding.y;
        wishInColumn(ColumnSlot::HallOfFame, std::ceil(top + tableWanted + rest) + 1.0f,
                     top + rowHeight * (kLeastRows + 1) + 1.0f + rest);
    } else {
        wishInColumn(ColumnSlot::HallOfFame, kPanelTitleHeight, kPanelTitleHeight);
    }
    ImGui::End();
    ImGui::PopStyleVar(3);
}
