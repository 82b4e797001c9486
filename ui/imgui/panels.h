// Every panel of the window, drawn once per frame in their docked places:
// the control bar, the creature inspector and the hall of fame in the right
// column, the statistics along the bottom, and the tooltip of the creature
// under the cursor.
#pragma once
#ifndef CREATURES_FLOOR_UI_IMGUI
#error "ui/imgui/ is for ui/imgui/ and the floors above it"
#endif

#include "ui/world.h"

// Between ImGui::NewFrame and ImGui::Render; does nothing without an ImGui
// frame.
void drawPanels(World& w);
