#include "ecology/simulation_step.h"

#include <cmath>

#include "ecology/contacts.h"
#include "ecology/creature_life.h"
#include "ecology/cycle_learning.h"
#include "ecology/physics_setup.h"
#include "ecology/simulation.h"
#include "ecology/walls.h"
#include "ecology/world_settings.h"

namespace {

void restPose(Agent& a)
{
    const int targetStart = geneParams[JOINT_TARGET].start;
    const int gainStart = geneParams[JOINT_GAIN].start;
    for (int i = 0; i < static_cast<int>(a.joints.size()); ++i) {
        if (!a.joints[i].exists)
            continue;
        driveJoint(a.joints[i], a.gene.values[targetStart + i], a.gene.values[gainStart + i]);
    }
}

// Phase 0..2 of the motor cycle: whole phase durations since the cycle start,
// modulo 3. A negative or non-finite count (corrupt timing) reads as phase 0.
int motorPhase(const Agent& a)
{
    const double x = (a.age - a.cycleStart) / a.workingGene[T];
    if (!(x >= 0.0 && x < 1e15))
        return 0;
    return static_cast<int>(static_cast<long long>(x) % 3);
}

} // namespace

void driveMotors(Agent& a, const LearningSetup& learning, CycleTally* tally)
{
    const int mode = a.intention.mode;
    if (mode == Intention::NoTarget) {
        restPose(a);
        return;
    }
    if (mode != Intention::Food && mode != Intention::Mate)
        return;

    const int p = motorPhase(a);
    if (p != a.phase) {
        a.phase = p;
        if (p == 0)
            cycleStartLearning(a, learning, tally);
        else if (p == 1)
            restEndLearning(a, learning);
    }
    if (p == 0) {
        restPose(a);
        return;
    }
    const int n = static_cast<int>(a.joints.size());
    const int targetStart = geneParams[JOINT_TARGET].start + n * (p - 1);
    const int gainStart = geneParams[JOINT_GAIN].start + n * (p - 1);
    for (int i = 0; i < n; ++i) {
        if (!a.joints[i].exists)
            continue;
        driveJoint(a.joints[i], a.workingGene.values[targetStart + i],
                 a.workingGene.values[gainStart + i]);
    }
}

LearningSetup learningSetup(Simulation& sim, const WorldSettings& settings)
{
    return LearningSetup{settings.learningRule, settings.learningMutation != 0,
                         &settings.learningParams, &sim.random, settings.bodyMutation,
                         settings.inheritMovements != 0};
}

void simulationStep(Simulation& sim, const WorldSettings& settings, StepParts parts)
{
    const double h = sim.stepSize;
    sim.time += h;
    ++sim.counters.steps;
    sim.removed.clear();
    sim.quarantined.clear();
    arrangeSpaces(sim, settings.physics);

    if (parts == StepParts::Whole) {
        feedingAndMatingPass(sim, settings);
        refillPopulation(sim, settings);
        const LearningSetup learning = learningSetup(sim, settings);
        for (auto& a : sim.population)
            driveMotors(a, learning, &sim.counters.cycles);
        for (auto& a : sim.population)
            a.energy -= settings.ecology.energyDecay;
        deathPass(sim, settings);
        sim.foods.update(h, settings.foodInterval, settings.groundSize, sim.random);
        for (auto& a : sim.population)
            a.update(h, settings.ecology);
    }

    ContactContext contacts{&sim, &settings};
    collideWorld(sim, settings.physics, &contacts, nearCallback);
    // The solver's generator is the process's; this world's state of it is
    // handed over for the step and taken back after it.
    dRandSetSeed(sim.solverSeed);
    dWorldQuickStep(sim.world, h);
    sim.solverSeed = static_cast<std::uint32_t>(dRandGetSeed());
    dJointGroupEmpty(sim.contactGroup);
    takeOutRunawayBodies(sim);
    sim.statistics.afterStep(sim);
    sim.hallOfFame.afterStep(sim.population, sim.time);
    sim.family.afterStep(sim.population, sim.time);

    if (sim.walls.exist)
        placeWalls(sim, settings.groundSize, settings.wallHeight);
}
