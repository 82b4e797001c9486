// The population of creatures and the environment every creature sees.
#pragma once
#ifndef CREATURES_FLOOR_ECOLOGY
#error "ecology/ is for ecology/ and the floors above it"
#endif

#include <list>

#include "creature/agent.h"
#include "ecology/food_store.h"

using Population = std::list<Agent>;

// Largest minimum population a world may keep (and a save may ask for).
constexpr int kMaxMinPopulation = 1000;

// Largest creature id a world goes on from. Ids are handed out one after
// another; a load refuses any above this, so those that follow it never
// overflow.
constexpr int kMaxCreatureId = 1000000000;

// What a creature reaches of the world: the population and the foods.
struct Environment {
    Population* population = nullptr;
    AimPointHander* foods = nullptr;
};

// Removes and destroys the last creature.
void removeLastCreature(Population& population);

// First creature with the highest score; null for an empty population.
Agent* bestByScore(Population& population);
const Agent* bestByScore(const Population& population);
// First creature with the highest age; null for an empty population.
Agent* oldest(Population& population);
// Nearest other creature by 3-D centre distance; self when there is none.
Agent* nearestOther(Population& population, const Agent& self);
