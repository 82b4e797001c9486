// The "Hall of fame" window: the ten best creatures of the run so far, in
// the right column under the inspector, collapsed at start. A row chosen in
// it can be followed (while it lives) and saved to a file of its own.
#pragma once

#include "ecology/world.h"

// Once per frame, between ImGui::NewFrame and ImGui::Render.
void drawHallOfFameWindow(World& w);
