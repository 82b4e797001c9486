// The per-view drawing callback of the frame loop: picking, the world, the
// status text and the centred message.
#pragma once
#ifndef CREATURES_FLOOR_UI
#error "ui/ is for ui/ and the floors above it"
#endif

#include "ui/world.h"

// Size in pixels of the mini view in the top-left corner of the window.
ViewSize miniViewSize(const World& w);

// Top of the fast-forward mark, under the place of the pause mark.
constexpr int kFastMarkTop = 56;

// Draws one view after the step driver has advanced the world. View 0, the
// main view: the picking pass (unless an object drag holds its part), the
// world with the part under the cursor highlighted, the status text below
// the mini view, the fast-forward mark while skip-drawing and the message;
// it also measures the world's speed. View 1, the mini view: only the world.
// Other views only set the sphere quality.
void frameCallback(World& w, int view);

// Simulated time since the previous call (0 on the first), for the cameras'
// zoom and the bubbles.
void timeDeltaCallback(World& w);
