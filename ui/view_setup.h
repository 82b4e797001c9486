// Bringing the view in line with the world: at start-up, after a world reset
// and when the settings that shape the picture change.
#pragma once
#ifndef CREATURES_FLOOR_UI
#error "ui/ is for ui/ and the floors above it"
#endif

#include "ui/world.h"

// Start-up: the shadow switch for the drawing library, no drags, both
// cameras at their start, the mini display as set.
void startUpView(World& w);

// Start values of both cameras for the current ground size.
void setStartCameras(World& w);

// After the run has prepared the world (run/world_setup.h), whose ground was
// `groundAtStart` at start-up: the view forgets every creature and takes
// the ground, its haze and the cameras' reach the world now has.
void followPreparedWorld(World& w, double groundAtStart);

// After a world reset: no creature is pointed at any more; the ground and
// its haze at the settings' size; the mini view's camera back at its start.
void resetView(World& w);

// The ground at once at the settings' size: the drawing library's ground
// and haze, the main camera's reach (with the walls, resizeArena).
void showArena(World& w);

// Once a frame before the steps: the first frame takes the ground size and
// the mini display as they are; later a ground size changed (by its whole
// metres) gives the drawing library its new ground and the camera its new
// reach, and a mini display switched on or off starts the mini view's zoom
// and sets the number of views.
void followViewSettings(World& w);
