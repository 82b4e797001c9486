#include "ui/imgui/creature_window.h"

#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "ui/creature_sharing.h"
#include "ui/imgui/panel_dock.h"
#include "ui/panel_layout.h"
#include "ui/requests.h"
#include "ui/creature_details.h"
#include "ui/imgui/panel_style.h"

namespace {

constexpr float kWidth = static_cast<float>(kControlBarWidth);
constexpr int kSelectedFollowMode = 5;
constexpr int kCreatureSlots = 5;

CreatureInspector inspector;
int saveSlot = 1;

void row(const char* label, const std::string& value, float valueX)
{
    ImGui::TextUnformatted(label);
    ImGui::SameLine(valueX);
    ImGui::TextUnformatted(value.c_str());
}

} // namespace

void drawInspectorWindow(World& w)
{
    ImGuiContext* context = ImGui::GetCurrentContext();
    if (!context || !context->WithinFrameScope)
        return;
    inspector.update(w);
    if (!inspector.isOpen())
        return;

    // Under the control bar, as tall as its rows so it hides no more of the
    // scene than it needs, leaving room for the hall of fame's title; with
    // the genome open it scrolls by the wheel.
    // With the hall of fame open below, the two share what the column has
    // left.
    const float below = expandedLastFrame("Hall of fame")
                            ? std::max(kPanelTitleHeight * 4, columnRoomLeft() * 0.4f)
                            : kPanelTitleHeight + kControlBarMargin;
    placeInColumn(1e9f, below);
    const PanelColors colors;
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(6.0f, 4.0f));
    ImGui::PushStyleVar(ImGuiStyleVar_ItemSpacing, ImVec2(4.0f, 2.0f));
    bool open = true;
    const bool visible =
        ImGui::Begin("Creature", &open,
                     ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_AlwaysAutoResize |
                         ImGuiWindowFlags_NoScrollbar | ImGuiWindowFlags_NoMove);
    ImGui::SetWindowFontScale(kFontScale);
    if (visible) {
        // Values start after the longest label.
        const float valueX = ImGui::GetCursorPosX() + ImGui::CalcTextSize("stored movements").x + 8.0f;
        const std::string cause = inspector.deathCause();
        const bool record = inspector.showsRecord();
        if (record)
            ImGui::TextColored(ImVec4(1.0f, 0.55f, 0.45f, 1.0f), "Died: %s (family tree)",
                               cause.c_str());
        else if (!cause.empty())
            ImGui::TextColored(ImVec4(1.0f, 0.55f, 0.45f, 1.0f), "Died: %s", cause.c_str());
        for (const InspectorRow& r : inspector.rows())
            row(r.label.c_str(), r.value, valueX);

        // Progress of the last cycles, bars up or down from zero (for a
        // record, when its creature was kept).
        const std::vector<float> progress = inspector.recentProgress();
        float largest = 1e-3f;
        for (float p : progress)
            largest = std::max(largest, std::fabs(p));
        if (!record || !progress.empty()) {
            ImGui::TextUnformatted("progress, last cycles");
            ImGui::PlotHistogram("##progress", progress.data(), static_cast<int>(progress.size()),
                                 0, nullptr, -largest, largest, ImVec2(kWidth - 12.0f, 30.0f));
        }

        if (record) {
            // A dead creature's genome is there when the hall of fame kept it.
            if (const FameEntry* kept = inspector.keptEntry()) {
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
                w.view.selectedAgent = inspector.creature();
                setFollowMode(w, kSelectedFollowMode);
            }
            ImGui::SameLine();
            if (ImGui::Button("Save file"))
                saveCreatureFile(w, *inspector.creature());
            ImGui::SameLine();
            if (ImGui::Button("Show alone")) {
                const std::string file = saveCreatureFile(w, *inspector.creature());
                if (!file.empty())
                    showAlone(w, file);
            }
            if (ImGui::Button("Save to")) {
                w.view.selectedAgent = inspector.creature();
                requestSaveCreature(w, saveSlot);
            }
            ImGui::SameLine();
            ImGui::SetNextItemWidth(70.0f);
            ImGui::SliderInt("##slot", &saveSlot, 1, kCreatureSlots, "slot %d");
        }

        if ((!record || inspector.keptEntry()) && ImGui::CollapsingHeader("Genome")) {
            const float width = kWidth - 12.0f - valueX;
            for (const GeneView& g : inspector.genes()) {
                ImGui::PushID(g.name.c_str());
                ImGui::TextUnformatted(g.name.c_str());
                ImGui::SameLine(valueX);
                if (g.scalar)
                    ImGui::TextUnformatted(g.value.c_str());
                else
                    ImGui::PlotHistogram("##values", g.values.data(),
                                         static_cast<int>(g.values.size()), 0, nullptr, g.min,
                                         g.max, ImVec2(width, 14.0f));
                ImGui::PopID();
            }
        }
    }
    takeColumnSpace();
    ImGui::End();
    ImGui::PopStyleVar(2);
    if (!open)
        inspector.close(w);
}
