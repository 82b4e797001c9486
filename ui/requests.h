// The buttons' side of the request queue: each handler queues one request
// that the step driver runs at the start of the next unpaused frame.
#pragma once
#ifndef CREATURES_FLOOR_UI
#error "ui/ is for ui/ and the floors above it"
#endif

#include "ui/world.h"

// Button handlers of the control bar: each queues one request; the
// whole-simulation buttons also put up a message that stays until the
// request's own message replaces it.
void requestInitialize(World& w);
void requestSaveAll(World& w, int folder);
void requestLoadAll(World& w, int folder);
void requestSaveCreature(World& w, int folder);
void requestLoadCreature(World& w, int folder);

