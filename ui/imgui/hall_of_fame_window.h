// The "Hall of fame" window: the ten best creatures of the run so far, in
// the right column under the inspector, collapsed at start. A row chosen in
// it can be followed or selected (while it lives) and saved to a file of its
// own. The rows scroll under their header; the buttons stay in sight.
#pragma once
#ifndef CREATURES_FLOOR_UI_IMGUI
#error "ui/imgui/ is for ui/imgui/ and the floors above it"
#endif

#include "ui/world.h"

// Once per frame, between ImGui::NewFrame and ImGui::Render.
void drawHallOfFameWindow(World& w);

// What the last frame showed wholly: rows of the table, and whether the
// buttons were in sight.
struct FameShown {
    int rows = 0;
    bool buttons = false;
};
FameShown hallOfFameShown();
