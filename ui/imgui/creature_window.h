// The "Creature" window: the inspector of the selected creature, with
// buttons to follow it and to save it into a slot.
#pragma once
#ifndef CREATURES_FLOOR_UI_IMGUI
#error "ui/imgui/ is for ui/imgui/ and the floors above it"
#endif

#include "ui/world.h"

// Once per frame before the column is shared: follows the selection and
// tells whether the window is shown in this frame. It opens when a creature
// is selected and closes once it has died (its cause is shown while it is
// dying).
bool updateInspectorWindow(World& w);

// Once per frame after updateInspectorWindow, between ImGui::NewFrame and
// ImGui::Render; does nothing without an ImGui frame. The rows, the chart
// and the genome scroll; the buttons stay under them.
void drawInspectorWindow(World& w);

// Rows of the inspector wholly in sight in the last frame it was drawn
// (the line of the cause of death counts as one).
int inspectorRowsShown();
