// The "Creature" window: the inspector of the selected creature, with
// buttons to follow it and to save it into a slot.
#pragma once
#ifndef CREATURES_FLOOR_UI_IMGUI
#error "ui/imgui/ is for ui/imgui/ and the floors above it"
#endif

#include "ui/world.h"

// Once per frame, between ImGui::NewFrame and ImGui::Render; does nothing
// without an ImGui frame. Opens when a creature is selected and closes once
// it has died (its cause is shown while it is dying).
void drawInspectorWindow(World& w);
