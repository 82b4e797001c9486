// Helpers for tests that place creatures by hand.
#pragma once

#include "ecology/world.h"

// Appends an initialized creature with its body built at `centre`.
Agent& addCreatureAt(World& w, double x, double y, double z);

// Fingerprint of the whole simulated state (creature fields, genes, body
// poses and velocities, foods, clock) for exact comparisons.
std::vector<double> worldFingerprint(const World& w);
