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

// Room kept around a creature put down among others: at least this far from
// every creature's centre, and this far inside the ground's edge.
constexpr double kClearance = 5.0;
constexpr double kEdgeMargin = 3.0;

// Moves (x, y) to the nearest point found, on rings of growing radius around
// it, that is kClearance from the centre of every creature and kEdgeMargin
// inside the ground (less for a ground too small for that). False, with the
// point only brought inside the ground, when there is no such point. Draws
// no random number.
bool findClearSpot(const Simulation& sim, double groundSize, double& x, double& y);

// The walls follow the settings' ground size and wall height at once.
void resizeArena(Simulation& sim, const WorldSettings& settings);

// What the settings ask of a running world beyond their new values, once a
// frame before its steps: gravity for the physics, new walls when the ground
// size changed (by its whole metres).
void followSettings(Simulation& sim, const WorldSettings& settings);
