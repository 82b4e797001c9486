// Creature life inside the simulation step: feeding and mating, the refill of
// the population, dying and removal. The per-creature update and intention
// choice are Agent members defined alongside.
#pragma once
#ifndef CREATURES_FLOOR_ECOLOGY
#error "ecology/ is for ecology/ and the floors above it"
#endif

struct Agent;
struct Simulation;
struct WorldSettings;

// Farthest a creature's body may be from the origin along any axis. A body
// beyond it has long left the arena (thrown by a solver blow-up) and only
// upsets the collision space; its creature is taken out and dies as fallen,
// like one whose bodies went non-finite. The loaders accept positions up to
// this same bound, so whatever the step leaves can be saved and loaded.
constexpr double kMaxBodyCoordinate = 1e6;

// Feeding and mating pass: at most one food is eaten per step, by the first
// creature in list order within reach; creatures within reach of their
// partner make a child.
void feedingAndMatingPass(Simulation& sim, const WorldSettings& settings);

// Appends random creatures until the population holds minPopulation.
void refillPopulation(Simulation& sim, const WorldSettings& settings);

// Starts the dying of creatures that fell or starved and removes those whose
// dying has finished (noting them in sim.removed); quarantines creatures
// whose bodies went non-finite (noting them in sim.quarantined).
void deathPass(Simulation& sim, const WorldSettings& settings);

// True when any existing body part of the creature has a non-finite
// position, rotation or velocity.
bool hasNonFiniteBody(const Agent& a);

// True when any existing body part, or the centre, lies beyond
// kMaxBodyCoordinate.
bool hasFarOffBody(const Agent& a);

// Takes out of the physics every creature that is not yet removable and has
// a non-finite or far-off body; the step runs it after the physics, so a
// save between two steps never holds such a body.
void takeOutRunawayBodies(Simulation& sim);
