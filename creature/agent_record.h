// A creature kept apart from the world: its record without a body, and the
// pose its parts had, so that it can still be saved after it has died.
#pragma once
#ifndef CREATURES_FLOOR_CREATURE
#error "creature/ is for creature/ and the floors above it"
#endif

#include <memory>
#include <vector>

struct Agent;

struct DetachedCreature {
    // Every saved field as it was; no physics handles, no references.
    std::shared_ptr<const Agent> record;
    // For each existing part: the centre's height, the part's position less
    // the centre (3 values) and its rotation, row by row (9 values).
    std::vector<double> pose;
};

// The pose of a creature's existing parts, as above.
std::vector<double> creaturePose(const Agent& a);

// A copy of the creature that outlives it, taken as it leaves the world. It
// comes back alive when loaded: the copy's life state is alive, its energy
// at least a newborn's, and its pose stands on the ground.
DetachedCreature detachCreature(const Agent& a);
