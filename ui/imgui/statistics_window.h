// The "Statistics" window: live charts of the whole run, at the bottom left,
// collapsed at start.
#pragma once

#include "ecology/world.h"

// Once per frame, between ImGui::NewFrame and ImGui::Render; does nothing
// without an ImGui frame.
void drawStatisticsWindow(World& w);
