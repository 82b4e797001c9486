// The "Islands" window of an archipelago in the window: which island the
// scene shows (a button for each; keys 1 to 9 do the same), when the next
// migration is and whom the shown island waits for, and every island's trend
// of mean progress per cycle on one chart. Drawn only when the world is an
// island; at the top, between the status text and the right column.
#pragma once
#ifndef CREATURES_FLOOR_UI_IMGUI
#error "ui/imgui/ is for ui/imgui/ and the floors above it"
#endif

#include "ui/world.h"

// Once per frame, between ImGui::NewFrame and ImGui::Render.
void drawIslandsWindow(World& w);
