// The "Statistics" window: live charts of the whole run, at the bottom left,
// collapsed at start.
#pragma once
#ifndef CREATURES_FLOOR_UI_IMGUI
#error "ui/imgui/ is for ui/imgui/ and the floors above it"
#endif

#include "ui/world.h"

// Once per frame, between ImGui::NewFrame and ImGui::Render; does nothing
// without an ImGui frame.
void drawStatisticsWindow(World& w);
