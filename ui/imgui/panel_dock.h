// The right column of docked windows: each frame the control bar, the
// creature inspector and the hall of fame take their places in it from the
// top, in the order they are drawn, each as tall as its contents within
// what the column has left.
#pragma once
#ifndef CREATURES_FLOOR_UI_IMGUI
#error "ui/imgui/ is for ui/imgui/ and the floors above it"
#endif

#include "ui/world.h"

// Starts the column for this frame's window size.
void beginColumn(const World& w);

// Before ImGui::Begin of a column window: puts it at the next free place,
// as wide as the column and at most `maxHeight` tall, leaving `keepBelow`
// pixels of the column to the windows that follow.
void placeInColumn(float maxHeight, float keepBelow = 0.0f);

// Inside the window, before ImGui::End: the window takes its height of the
// column.
void takeColumnSpace();

// The column's height still free below the windows placed so far.
float columnRoomLeft();

// Whether the window of that name was shown expanded in the last frame.
bool expandedLastFrame(const char* name);
