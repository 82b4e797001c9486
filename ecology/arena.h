// The arena: the ground square, its four wall blocks, the first foods and the
// first population, and the reset that brings the world back to a fresh start.
#pragma once
#ifndef CREATURES_FLOOR_ECOLOGY
#error "ecology/ is for ecology/ and the floors above it"
#endif

struct Simulation;
struct WorldSettings;

// Fresh start: new contact group, clock 0, the solver's generator from the
// simulation's, a new population of minPopulation random creatures (ids from
// 0), 30 foods, new walls.
void resetWorld(Simulation& sim, const WorldSettings& settings);
// Refills the food store with 30 foods in the central 0.64 S square.
void fillFoods(Simulation& sim, double groundSize);

// The walls follow the settings' ground size and wall height at once.
void resizeArena(Simulation& sim, const WorldSettings& settings);

// What the settings ask of a running world beyond their new values, once a
// frame before its steps: gravity for the physics, new walls when the ground
// size changed (by its whole metres).
void followSettings(Simulation& sim, const WorldSettings& settings);
