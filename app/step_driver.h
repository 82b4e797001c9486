// The per-frame step driver, the request queue and the centred message.
#pragma once

#include <string>

#include "app/world.h"

// One frame: pacing, frame-rate measurement, queued requests, ground-size and
// mini-display changes, gravity, then the simulation steps. Does nothing
// while paused.
void stepDriver(World& w, int pause);

// Returns once the next frame slot of 1000/fps milliseconds has begun. A zero,
// negative or non-finite target means no pacing.
void paceFrame(World& w, float fps);

// Shows a centred message for the given number of seconds.
void showMessage(World& w, const std::string& text, double seconds);

// Button handlers of the control bar: each queues one request; the
// whole-simulation buttons also put up a message that stays until the
// request's own message replaces it.
void requestInitialize(World& w);
void requestSaveAll(World& w, int folder);
void requestLoadAll(World& w, int folder);
void requestSaveCreature(World& w, int folder);
void requestLoadCreature(World& w, int folder);

// Folder name of a request: "saveData3", "saveDataOneCreature2", ...
std::string requestFolder(const Request& r);
