// The arena: the ground square, its four wall blocks, the first foods and the
// first population, and the reset that brings the world back to a fresh start.
#pragma once

#include "ecology/walls.h"
#include "ecology/world.h"

// Fresh start: new contact group, clock 0, no creature references, a new
// population of minPopulation random creatures, 30 foods, new walls.
void resetWorld(World& w);
// Refills the food store with 30 foods in the central 0.64 S square.
void fillFoods(World& w);

// The arena's edge follows a ground size at once: new walls, the ground and
// fog of the drawing library, the camera's reach (as the step driver does
// when the control bar changes the size).
void resizeArena(World& w, double S);
