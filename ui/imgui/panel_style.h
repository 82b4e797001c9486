// The look the program's ImGui windows share: the control bar's colours,
// all shades of its background, and its slightly smaller font.
#pragma once
#ifndef CREATURES_FLOOR_UI_IMGUI
#error "ui/imgui/ is for ui/imgui/ and the floors above it"
#endif

#include <imgui.h>

#include "ui/control_bar.h"

inline constexpr float kFontScale = 0.85f;

inline ImVec4 rgb(int r, int g, int b)
{
    return ImVec4(r / 255.0f, g / 255.0f, b / 255.0f, 1.0f);
}

// Pushes the colours for its lifetime.
class PanelColors {
public:
    PanelColors()
    {
        const int r = kControlBarColor[0], g = kControlBarColor[1], b = kControlBarColor[2];
        push(ImGuiCol_WindowBg, rgb(r, g, b));
        push(ImGuiCol_TitleBg, rgb(r - 45, g - 45, b - 40));
        push(ImGuiCol_TitleBgActive, rgb(r - 35, g - 35, b - 25));
        push(ImGuiCol_TitleBgCollapsed, rgb(r - 45, g - 45, b - 40));
        push(ImGuiCol_Header, rgb(r - 25, g - 25, b - 15));
        push(ImGuiCol_HeaderHovered, rgb(r - 10, g - 10, b + 5));
        push(ImGuiCol_HeaderActive, rgb(r + 5, g + 5, b + 20));
        push(ImGuiCol_FrameBg, rgb(r - 40, g - 40, b - 35));
        push(ImGuiCol_FrameBgHovered, rgb(r - 25, g - 25, b - 15));
        push(ImGuiCol_FrameBgActive, rgb(r - 15, g - 15, b));
        push(ImGuiCol_Button, rgb(r - 30, g - 30, b - 20));
        push(ImGuiCol_ButtonHovered, rgb(r - 10, g - 10, b + 5));
        push(ImGuiCol_ButtonActive, rgb(r + 10, g + 10, b + 25));
        push(ImGuiCol_Separator, rgb(r - 50, g - 50, b - 45));
    }
    ~PanelColors() { ImGui::PopStyleColor(count_); }
    PanelColors(const PanelColors&) = delete;
    PanelColors& operator=(const PanelColors&) = delete;

private:
    void push(ImGuiCol which, const ImVec4& color)
    {
        ImGui::PushStyleColor(which, color);
        ++count_;
    }
    int count_ = 0;
};

