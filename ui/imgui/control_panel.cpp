#include "ui/imgui/control_panel.h"

#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "drawlib/drawstuff.h"
#include "ui/control_bar.h"
#include "ui/creature_file_loads.h"
#include "ui/imgui/panel_dock.h"
#include "ui/imgui/panel_state.h"
#include "ui/imgui/panel_style.h"
#include "ui/panel_layout.h"

namespace {

// The control bar's part of the panels' record.
ControlBarPanel& panel = panelState().controlBar;

// The item's label at the left of its row, cut off at `clipRight` (window
// coordinates); the whole label shows as a tooltip when it is cut.
void rowLabel(const ControlItem& item, float clipRight)
{
    ImGui::AlignTextToFramePadding();
    const ImVec2 at = ImGui::GetCursorScreenPos();
    const float right = ImGui::GetWindowPos().x + clipRight;
    ImGui::PushClipRect(at, ImVec2(right, at.y + ImGui::GetFrameHeight()), true);
    ImGui::TextUnformatted(item.label.c_str());
    ImGui::PopClipRect();
    if (ImGui::GetItemRectMax().x > right && ImGui::IsItemHovered())
        ImGui::SetTooltip("%s", item.label.c_str());
}

// An Int or Double row: the label, then in the value column a minus button,
// the value (dragged, or typed after a double click) and a plus button; the
// buttons move by the item's step and repeat while held.
void numberRow(const ControlItem& item, float valueX)
{
    const ImGuiStyle& style = ImGui::GetStyle();
    rowLabel(item, valueX - style.ItemSpacing.x);
    const float buttonWidth = ImGui::CalcTextSize("+").x + 4.0f;
    const float gap = 1.0f;
    const float fieldWidth = kControlBarValuesWidth - 2.0f * (buttonWidth + gap);

    ImGui::PushStyleVar(ImGuiStyleVar_FramePadding, ImVec2(2.0f, style.FramePadding.y));
    ImGui::PushButtonRepeat(true);
    ImGui::SameLine(valueX);
    if (ImGui::Button("-", ImVec2(buttonWidth, 0.0f)))
        stepItem(item, -1);
    ImGui::PopButtonRepeat();

    ImGui::SameLine(0.0f, gap);
    ImGui::SetNextItemWidth(fieldWidth);
    const float speed = static_cast<float>(item.step);
    if (item.kind == ControlKind::Int) {
        int value = static_cast<int>(itemValue(item));
        const int lo = static_cast<int>(item.min), hi = static_cast<int>(item.max);
        if (ImGui::DragScalar("##value", ImGuiDataType_S32, &value, speed, &lo, &hi, "%d",
                              ImGuiSliderFlags_AlwaysClamp))
            setItemValue(item, value);
    } else {
        double value = itemValue(item);
        if (ImGui::DragScalar("##value", ImGuiDataType_Double, &value, speed, &item.min, &item.max,
                              "%.6g", ImGuiSliderFlags_AlwaysClamp))
            setItemValue(item, value);
    }
    if (ImGui::IsItemHovered() && !ImGui::IsItemActive())
        ImGui::SetTooltip("%s: %g (%g to %g, step %g)%s%s", item.label.c_str(), itemValue(item),
                          item.min, item.max, item.step, item.help.empty() ? "" : "\n",
                          item.help.c_str());

    ImGui::PushButtonRepeat(true);
    ImGui::SameLine(0.0f, gap);
    if (ImGui::Button("+", ImVec2(buttonWidth, 0.0f)))
        stepItem(item, 1);
    ImGui::PopButtonRepeat();
    ImGui::PopStyleVar();
}

void boolRow(const ControlItem& item, float valueX)
{
    rowLabel(item, valueX - ImGui::GetStyle().ItemSpacing.x);
    ImGui::SameLine(valueX);
    bool on = *item.flag != 0;
    if (ImGui::Checkbox("##value", &on))
        *item.flag = on ? 1 : 0;
}

// A choice through the item's handlers; picking the current entry again
// still calls the set handler.
void enumRow(World& w, const ControlItem& item, float valueX)
{
    rowLabel(item, valueX - ImGui::GetStyle().ItemSpacing.x);
    ImGui::SameLine(valueX);
    ImGui::SetNextItemWidth(kControlBarValuesWidth);
    const int current = itemChoice(w, item);
    const int count = static_cast<int>(item.names.size());
    const std::string shown =
        current >= 0 && current < count ? item.names[current] : std::to_string(current);
    if (ImGui::BeginCombo("##value", shown.c_str(), ImGuiComboFlags_NoArrowButton)) {
        ImGui::SetWindowFontScale(kFontScale);
        for (int k = 0; k < count; ++k) {
            const bool selected = k == current;
            if (ImGui::Selectable(item.names[k].c_str(), selected))
                chooseItem(w, item, k);
            if (selected)
                ImGui::SetItemDefaultFocus();
        }
        ImGui::EndCombo();
    }
}

// Records a video of the window (into the working folder) or stops it.
void recordButton(World& w)
{
    ImGui::Separator();
    if (const char* file = N_VideoRecording()) {
        const std::string path = file;
        if (ImGui::Button("Stop recording", ImVec2(-FLT_MIN, 0.0f))) {
            if (N_StopVideo())
                showMessage(w.driver.message, "Video written to " + path, 3.0);
            else
                showMessage(w.driver.message, "cannot write:" + path, 3.0);
        }
        return;
    }
    if (ImGui::Button("Record video", ImVec2(-FLT_MIN, 0.0f))) {
        char name[64];
        const std::time_t now = std::time(nullptr);
        std::strftime(name, sizeof name, "creatures-%Y%m%d-%H%M%S.mp4", std::localtime(&now));
        if (N_RecordVideo(name, 1))
            showMessage(w.driver.message, std::string("Recording ") + name, 2.0);
        else
            showMessage(w.driver.message, "No video: is ffmpeg installed?", 3.0);
    }
}

// Under the slot buttons of "Load a Creature": a creature file by its name
// (or path), added to the world as a dropped one is.
constexpr const char* kLoadCreatureGroup = "Load a Creature";

void creatureFileField(World& w)
{
    ImGui::SetNextItemWidth(-FLT_MIN);
    const bool entered = ImGui::InputTextWithHint("##creatureFile", "file.creature",
                                                  panel.creatureFileName, sizeof panel.creatureFileName,
                                                  ImGuiInputTextFlags_EnterReturnsTrue);
    if (ImGui::IsItemHovered())
        ImGui::SetTooltip("a .creature file to add (or drop files on the window)");
    if ((ImGui::Button("Load file", ImVec2(-FLT_MIN, 0.0f)) || entered) && panel.creatureFileName[0])
        requestCreatureFile(w, panel.creatureFileName);
}

void drawItem(World& w, const ControlItem& item, float valueX)
{
    switch (item.kind) {
    case ControlKind::Separator: ImGui::Separator(); break;
    case ControlKind::Button:
        if (ImGui::Button(item.label.c_str(), ImVec2(-FLT_MIN, 0.0f)) && item.press)
            item.press(w, item.number);
        break;
    case ControlKind::Bool: boolRow(item, valueX); break;
    case ControlKind::Int:
    case ControlKind::Double: numberRow(item, valueX); break;
    case ControlKind::Enum: enumRow(w, item, valueX); break;
    }
}

} // namespace

bool buildControlBar(World& w)
{
    const char* reason = nullptr;
    if (!ImGui::GetCurrentContext())
        reason = "no Dear ImGui context";
    if (reason) {
        panel.ready = false;
        if (!panel.failureReported)
            std::fprintf(stderr, "AntTweakBar initialization failed: %s\n", reason);
        panel.failureReported = true;
        return false;
    }
    panel.items = controlBarItems(w);
    panel.world = &w;
    panel.ready = true;
    return true;
}

void drawControlBar(World& w)
{
    ImGuiContext* context = ImGui::GetCurrentContext();
    if (!panel.ready || !context || !context->WithinFrameScope)
        return;
    if (panel.world != &w) {
        panel.items = controlBarItems(w);
        panel.world = &w;
    }
    // At the top right, 5 pixels from the edges, 200 pixels wide and as tall
    // as its open groups (at most its full height) while the column has the
    // room; what does not fit scrolls.
    placeInColumn(ColumnSlot::ControlBar);

    const PanelColors colors;
    // A compact panel in a slightly smaller font, so that the labels fit
    // beside the value column.
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(5.0f, 4.0f));
    ImGui::PushStyleVar(ImGuiStyleVar_FramePadding, ImVec2(4.0f, 2.0f));
    ImGui::PushStyleVar(ImGuiStyleVar_ItemSpacing, ImVec2(4.0f, 3.0f));
    const bool visible = ImGui::Begin(
        kControlBarTitle, nullptr,
        ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoResize);
    ImGui::SetWindowFontScale(kFontScale);
    if (visible) {
        const float valueX = ImGui::GetWindowContentRegionMax().x - kControlBarValuesWidth;
        const float indent = 6.0f;
        std::string group;
        bool open = true;
        // The title, "Init" and three group headers at least.
        const float least = ImGui::GetCursorPosY() + 4 * ImGui::GetFrameHeightWithSpacing();
        for (size_t i = 0; i < panel.items.size(); ++i) {
            const ControlItem& item = panel.items[i];
            if (item.group != group) {
                if (group == kLoadCreatureGroup && open)
                    creatureFileField(w);
                if (!group.empty() && open)
                    ImGui::Unindent(indent);
                group = item.group;
                open = group.empty() || ImGui::CollapsingHeader(group.c_str());
                if (!group.empty() && open)
                    ImGui::Indent(indent);
            }
            if (!open)
                continue;
            ImGui::PushID(static_cast<int>(i));
            drawItem(w, item, valueX);
            ImGui::PopID();
        }
        if (group == kLoadCreatureGroup && open)
            creatureFileField(w);
        if (!group.empty() && open)
            ImGui::Unindent(indent);
        recordButton(w);
        wishInColumn(ColumnSlot::ControlBar,
                     std::min(std::ceil(heightSoFar()) + 1.0f, static_cast<float>(kControlBarHeight)),
                     least);
    } else {
        wishInColumn(ColumnSlot::ControlBar, kPanelTitleHeight, kPanelTitleHeight);
    }
    ImGui::End();
    ImGui::PopStyleVar(3);
}
