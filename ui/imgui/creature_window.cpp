#include "ui/imgui/creature_window.h"

#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "ui/requests.h"
#include "ui/creature_details.h"
#include "ui/imgui/panel_style.h"

namespace {

constexpr float kWidth = 230.0f;
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

    // Left of the control bar, at the top.
    ImGui::SetNextWindowPos(
        ImVec2(static_cast<float>(w.windowWidth - kControlBarWidth - 2 * kControlBarMargin) - kWidth,
               static_cast<float>(kControlBarMargin)),
        ImGuiCond_Once);
    // As tall as its rows, so it hides no more of the scene than it needs;
    // with the genome open it may reach the bottom and scrolls by the wheel.
    ImGui::SetNextWindowSizeConstraints(
        ImVec2(kWidth, 0.0f),
        ImVec2(kWidth, static_cast<float>(std::max(100, w.windowHeight - 2 * kControlBarMargin))));
    const PanelColors colors;
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(6.0f, 4.0f));
    ImGui::PushStyleVar(ImGuiStyleVar_ItemSpacing, ImVec2(4.0f, 2.0f));
    bool open = true;
    const bool visible =
        ImGui::Begin("Creature", &open,
                     ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_AlwaysAutoResize |
                         ImGuiWindowFlags_NoScrollbar);
    ImGui::SetWindowFontScale(kFontScale);
    if (visible) {
        const float valueX = kWidth * 0.5f;
        const std::string cause = inspector.deathCause();
        if (!cause.empty())
            ImGui::TextColored(ImVec4(1.0f, 0.55f, 0.45f, 1.0f), "Died: %s", cause.c_str());
        for (const InspectorRow& r : inspector.rows())
            row(r.label.c_str(), r.value, valueX);

        // Progress of the last cycles, bars up or down from zero.
        const std::vector<float> progress = inspector.recentProgress();
        float largest = 1e-3f;
        for (float p : progress)
            largest = std::max(largest, std::fabs(p));
        ImGui::TextUnformatted("progress, last cycles");
        ImGui::PlotHistogram("##progress", progress.data(), static_cast<int>(progress.size()), 0,
                             nullptr, -largest, largest, ImVec2(kWidth - 12.0f, 30.0f));

        if (cause.empty()) {
            if (ImGui::Button("Follow")) {
                w.selectedAgent = inspector.creature();
                setFollowMode(w, kSelectedFollowMode);
            }
            ImGui::SameLine();
            if (ImGui::Button("Save to")) {
                w.selectedAgent = inspector.creature();
                requestSaveCreature(w, saveSlot);
            }
            ImGui::SameLine();
            ImGui::SetNextItemWidth(70.0f);
            ImGui::SliderInt("##slot", &saveSlot, 1, kCreatureSlots, "slot %d");
        }

        if (ImGui::CollapsingHeader("Genome")) {
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
    ImGui::End();
    ImGui::PopStyleVar(2);
    if (!open)
        inspector.close();
}
