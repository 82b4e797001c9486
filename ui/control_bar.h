// The control bar's entries in the drawing library's callback table: the key
// command and the window-size handler.
#pragma once

#include "app/world.h"

// X and x toggle "Skip Render(x)"; every other key is ignored.
void keyCommand(World& w, int key);

// Keeps the window size of the world record current.
void windowSizeCallback(World& w, int width, int height);
