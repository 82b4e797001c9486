// Creature life inside the simulation step: feeding and mating, the refill of
// the population, dying and removal. The per-creature update and intention
// choice are Agent members defined alongside.
#pragma once

struct World;
struct Agent;

// Feeding and mating pass: at most one food is eaten per step, by the first
// creature in list order within reach; creatures within reach of their
// partner make a child.
void feedingAndMatingPass(World& w);

// Appends random creatures until the population holds minPopulation.
void refillPopulation(World& w);

// Starts the dying of creatures that fell or starved and removes those whose
// dying has finished; quarantines creatures whose bodies went non-finite.
void deathPass(World& w);

// True when any existing body part of the creature has a non-finite
// position, rotation or velocity.
bool hasNonFiniteBody(const Agent& a);
