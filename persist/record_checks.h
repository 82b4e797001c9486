// Checks on records read from files before they join a running world.
//
// A record that passed its archive's decoding can still hold values the
// simulation cannot live with: a genome of another layout (the process-wide
// parameter table would be rewritten by the first random movement drawn from
// it), values outside the genome's bounds (negative part sizes make the
// physics library abort), non-finite numbers, or settings that would make
// the arena degenerate or the refill exhaust memory. Each check returns an
// empty string for a record that is fine, else the reason.
#pragma once
#ifndef CREATURES_FLOOR_PERSIST
#error "persist/ is for persist/ and the floors above it"
#endif

#include <string>

#include "persist/sim_data.h"
#include "creature/agent.h"
#include "ecology/creature_life.h"
#include "ecology/food_store.h"
#include "ecology/population.h"

// Bounds of the saved settings.
constexpr int kMaxSavedPopulation = 100000;
constexpr double kMinGroundSize = 1.0;
constexpr double kMaxGroundSize = 10000.0;
constexpr double kMaxWallHeight = 10000.0;
// Largest value of the counters the simulation increments (movement trials,
// matings, foods eaten), far below where an increment would overflow.
constexpr int kMaxCounter = 1000000000;
// Largest coordinate of a creature centre or a food.
// The step's own bound, so whatever it leaves loads.
constexpr double kMaxRecordCoordinate = kMaxBodyCoordinate;

std::string checkSimData(const SimData& d);
// A genome of the running layout (counts and length) with every value finite
// and within its row's bounds.
std::string checkGene(const Gene& g);
// A creature with the running joint count, a valid genome, finite values,
// known life state, intention and motor phase, and a movement store of valid
// movements.
std::string checkCreature(const Agent& a);
std::string checkFoods(const AimPointHander& foods);
