// The physics set-ups: how the world's geoms are sorted into collision
// spaces, one entry a set-up in one table. The classic set-up puts every
// geom in one hash space and collides it whole. The fast one keeps the
// ground and the walls in that space but gives every creature a space of its
// own inside a sweep-and-prune space, so the broad phase sorts a few hundred
// creature boxes instead of hashing thousands of parts, and collides:
//   the ground and the walls with each other (as before),
//   the ground and the walls with every creature's parts,
//   the creatures with each other (part with part, creature boxes that meet),
//   each creature's own parts with each other.
// The same pairs meet in both set-ups; only their order differs, so a run
// under the fast physics is a different run of the same world.
//
// A new set-up is one entry of the table (physics_setup.cpp) with its three
// functions; the settings, --help, the status text and the progress line
// take its name from there.
#pragma once
#ifndef CREATURES_FLOOR_ECOLOGY
#error "ecology/ is for ecology/ and the floors above it"
#endif

#include <ode/ode.h>

#include <vector>

struct Simulation;

// A set-up: its place in the table.
enum class PhysicsSetupId : int {
    Classic = 0,
    Fast = 1,
};

struct PhysicsSetup {
    const char* name;        // on the command line, in rules.txt and on screen
    const char* description; // one line for --help
    // Creatures get a space of their own (inside sim.creatureSpace);
    // otherwise their parts go into the world's space.
    bool spacePerCreature;
    // Calls `callback` for every pair of geoms whose boxes meet.
    void (*collide)(Simulation& sim, void* data, dNearCallback* callback);
};

// Every set-up, in the order of their ids.
const std::vector<PhysicsSetup>& physicsSetups();
const PhysicsSetup& physicsSetup(PhysicsSetupId id);

// The space a creature's body is built in under the given set-up.
dSpaceID bodySpace(Simulation& sim, PhysicsSetupId setup);

// Puts every creature's parts where the set-up wants them (after the setting
// changed), and removes creature spaces left empty by creatures that died.
// Cheap when nothing is to be done.
void arrangeSpaces(Simulation& sim, PhysicsSetupId setup);

// Calls `callback` for every pair of geoms whose boxes meet, as the set-up
// finds them (the near callback then tests the pair).
void collideWorld(Simulation& sim, PhysicsSetupId setup, void* data, dNearCallback* callback);
