// Helpers for tests that place creatures by hand.
#pragma once

#include "persist/creature_save.h"
#include "ui/world.h"

// A generator for tests of records that are not in a world (genes, stores,
// archives); a world's own draws come from its sim.random.
Random& testRandom();

// Appends an initialized creature (the world's next id, its generator) with
// its body built at `centre`.
Agent& addCreatureAt(World& w, double x, double y, double z);

// The point a creature loaded into the world is put down at: under the main
// camera's target, as the slot buttons do.
PlacePoint underCamera(const World& w);

// Fingerprint of the whole simulated state (creature fields, genes, body
// poses and velocities, foods, clock) for exact comparisons.
std::vector<double> worldFingerprint(const World& w);
