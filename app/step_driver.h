// The per-frame step driver: pacing, the frame rate, the queued requests, the
// settings that need more than a new value, and the simulation steps.
#pragma once

#include <string>

#include "ecology/world.h"

// One frame: pacing, frame-rate measurement, queued requests, ground-size and
// mini-display changes, gravity, then the simulation steps. Does nothing
// while paused.
void stepDriver(World& w, int pause);

// Returns once the next frame slot of 1000/fps milliseconds has begun. A zero,
// negative or non-finite target means no pacing.
void paceFrame(World& w, float fps);

// Folder name of a request: "saveData3", "saveDataOneCreature2", ...
std::string requestFolder(const Request& r);
