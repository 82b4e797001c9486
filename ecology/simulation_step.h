// One fixed step of the whole world: creature life, motors and learning,
// foods, collisions and the rigid-body integration.
#pragma once
#ifndef CREATURES_FLOOR_ECOLOGY
#error "ecology/ is for ecology/ and the floors above it"
#endif

#include "ecology/learning_rule.h"

struct Agent;
struct Simulation;
struct WorldSettings;

// What a step runs: the whole world, or (for measuring what the ecology
// costs, and for tests) the physics alone, with time advancing and nothing
// living, eating or dying.
enum class StepParts { Whole, PhysicsOnly };

// Advances the world by one step of sim.stepSize seconds. Creatures that
// left the world in it are listed in sim.removed, those whose bodies ran
// away in sim.quarantined (both emptied at its start).
void simulationStep(Simulation& sim, const WorldSettings& settings,
                    StepParts parts = StepParts::Whole);

// The learning rule and its numbers as the step hands them on.
LearningSetup learningSetup(Simulation& sim, const WorldSettings& settings);

// Drives the joint motors of one creature by its intention; at the start of a
// motor cycle it runs the cycle-start learning first.
void driveMotors(Agent& a, const LearningSetup& learning, CycleTally* tally = nullptr);
