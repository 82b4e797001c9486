#include "ui/imgui/creature_window.h"

#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "ui/creature_sharing.h"
#include "ui/imgui/panel_dock.h"
#include "ui/imgui/panel_state.h"
#include "ui/panel_layout.h"
#include "ui/requests.h"
#include "ui/creature_details.h"
#include "ui/imgui/panel_style.h"

namespace {

constexpr int kSelectedFollowMode = 5;
constexpr int kCreatureSlots = 5;

// Rows the window keeps in sight however short the column is.
constexpr int kLeastRows = 8;

// The inspector's part of the panels' record.
InspectorPanel& panel = panelState().inspector;

// A row; true when it is wholly in sight. A value longer than the room
// beside its label goes on under itself.
bool row(const char* label, const std::string& value, float valueX)
{
    ImGui::TextUnformatted(label);
    const bool shown = lastItemWhollyShown();
    ImGui::SameLine(valueX);
    ImGui::PushTextWrapPos(0.0f);
    ImGui::TextUnformatted(value.c_str());
    ImGui::PopTextWrapPos();
    return shown;
}

// Inside the scrolled child: the cause of death, the rows, the chart of the
// last cycles and the genome. Returns the height all of it takes.
float drawDetails()
{
    panel.rowsShown = 0;
    // Values start after the longest label.
    const float valueX = ImGui::GetCursorPosX() + ImGui::CalcTextSize("stored movements").x + 8.0f;
    const float width = ImGui::GetContentRegionAvail().x;
    const std::string cause = panel.inspector.deathCause();
    const bool record = panel.inspector.showsRecord();
    if (record || !cause.empty()) {
        ImGui::TextColored(ImVec4(1.0f, 0.55f, 0.45f, 1.0f),
                           record ? "Died: %s (family tree)" : "Died: %s", cause.c_str());
        panel.rowsShown += lastItemWhollyShown();
    }
    for (const InspectorRow& r : panel.inspector.rows())
        panel.rowsShown += row(r.label.c_str(), r.value, valueX);

    // Progress of the last cycles, bars up or down from zero (for a record,
    // when its creature was kept).
    const std::vector<float> progress = panel.inspector.recentProgress();
    float largest = 1e-3f;
    for (float p : progress)
        largest = std::max(largest, std::fabs(p));
    if (!record || !progress.empty()) {
        ImGui::TextUnformatted("progress, last cycles");
        ImGui::PlotHistogram("##progress", progress.data(), static_cast<int>(progress.size()), 0,
                             nullptr, -largest, largest, ImVec2(width, 30.0f));
    }

    if ((!record || panel.inspector.keptEntry()) && ImGui::CollapsingHeader("Genome")) {
        const float plotWidth = std::max(20.0f, width - valueX);
        for (const GeneView& g : panel.inspector.genes()) {
            ImGui::PushID(g.name.c_str());
            ImGui::TextUnformatted(g.name.c_str());
            ImGui::SameLine(valueX);
            if (g.scalar)
                ImGui::TextUnformatted(g.value.c_str());
            else
                ImGui::PlotHistogram("##values", g.values.data(),
                                     static_cast<int>(g.values.size()), 0, nullptr, g.min, g.max,
                                     ImVec2(plotWidth, 14.0f));
            ImGui::PopID();
        }
    }
    const ImGuiStyle& style = ImGui::GetStyle();
    return ImGui::GetCursorPosY() - style.ItemSpacing.y;
}

// Under the details, always in sight: what can be done with the creature.
void drawButtons(World& w)
{
    const std::string cause = panel.inspector.deathCause();
    if (panel.inspector.showsRecord()) {
        // A dead creature's genome is there when the hall of fame kept it.
        if (const FameEntry* kept = panel.inspector.keptEntry()) {
            if (ImGui::Button("Save file"))
                saveCreatureFile(w, *kept);
            ImGui::SameLine();
            if (ImGui::Button("Show alone")) {
                const std::string file = saveCreatureFile(w, *kept);
                if (!file.empty())
                    showAlone(w, file);
            }
        } else {
            ImGui::TextDisabled("genome not kept (the hall of fame");
            ImGui::TextDisabled("keeps those of its ten best)");
        }
    } else if (cause.empty()) {
        if (ImGui::Button("Follow")) {
            w.view.selectedAgent = panel.inspector.creature();
            setFollowMode(w, kSelectedFollowMode);
        }
        ImGui::SameLine();
        if (ImGui::Button("Save file"))
            saveCreatureFile(w, *panel.inspector.creature());
        ImGui::SameLine();
        if (ImGui::Button("Show alone")) {
            const std::string file = saveCreatureFile(w, *panel.inspector.creature());
            if (!file.empty())
                showAlone(w, file);
        }
        if (ImGui::Button("Save to")) {
            w.view.selectedAgent = panel.inspector.creature();
            requestSaveCreature(w, panel.saveSlot);
        }
        ImGui::SameLine();
        ImGui::SetNextItemWidth(70.0f);
        ImGui::SliderInt("##slot", &panel.saveSlot, 1, kCreatureSlots, "slot %d");
    }
}

} // namespace

bool updateInspectorWindow(World& w)
{
    panel.inspector.update(w);
    return panel.inspector.isOpen();
}

int inspectorRowsShown()
{
    return panel.rowsShown;
}

void drawInspectorWindow(World& w)
{
    ImGuiContext* context = ImGui::GetCurrentContext();
    if (!context || !context->WithinFrameScope || !panel.inspector.isOpen())
        return;

    // Under the control bar, as tall as its rows while the column has room;
    // what does not fit scrolls, the buttons staying in sight under it.
    placeInColumn(ColumnSlot::Inspector);
    const PanelColors colors;
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(6.0f, 4.0f));
    ImGui::PushStyleVar(ImGuiStyleVar_ItemSpacing, ImVec2(4.0f, 2.0f));
    bool open = true;
    const bool visible = ImGui::Begin("Creature", &open,
                                      ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoMove |
                                          ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoScrollbar |
                                          ImGuiWindowFlags_NoScrollWithMouse);
    ImGui::SetWindowFontScale(kFontScale);
    if (visible) {
        const ImGuiStyle& style = ImGui::GetStyle();
        const float top = ImGui::GetCursorPosY();
        const float spacing = style.ItemSpacing.y;
        const float detailsHeight =
            std::max(ImGui::GetTextLineHeightWithSpacing(),
                     ImGui::GetContentRegionAvail().y - panel.footerHeight - spacing);
        ImGui::BeginChild("details", ImVec2(0.0f, detailsHeight));
        const float detailsWanted = drawDetails();
        ImGui::EndChild();

        const float footerTop = ImGui::GetCursorPosY();
        drawButtons(w);
        panel.footerHeight = heightSoFar() - style.WindowPadding.y - footerTop;
        // Everything in sight, or the first eight rows at least.
        const float rest = spacing + panel.footerHeight + style.WindowPadding.y;
        const float rowHeight = ImGui::GetTextLineHeightWithSpacing();
        // (A pixel more, as sizes are rounded down to whole pixels.)
        wishInColumn(ColumnSlot::Inspector, std::ceil(top + detailsWanted + rest) + 1.0f,
                     top + kLeastRows * rowHeight + rest);
    } else {
        wishInColumn(ColumnSlot::Inspector, kPanelTitleHeight, kPanelTitleHeight);
    }
    ImGui::End();
    ImGui::PopStyleVar(2);
    if (!open)
        panel.inspector.close(w);
}
