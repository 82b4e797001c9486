// The control bar drawn with Dear ImGui: the window "ControlBar" at the top
// right, its items from controlBarItems (ui/control_bar.h).
#pragma once
#ifndef CREATURES_FLOOR_UI_IMGUI
#error "ui/imgui/ is for ui/imgui/ and the floors above it"
#endif

#include "ui/world.h"

// Prepares the panel once at start-up, after the ImGui context exists. On
// failure prints the reason once to the standard error stream and returns
// false; the program then runs without a panel.
bool buildControlBar(World& w);

// Draws the panel and handles its input; once per frame, between
// ImGui::NewFrame and ImGui::Render. Does nothing without a built panel.
void drawControlBar(World& w);
