// The simulation state: everything a step changes. The physics handles, the
// clock, the generator and the next creature id, the population, the foods
// and the walls, the running totals and the records that only watch
// (statistics, hall of fame). Nothing here knows a window: the step takes
// this record and the settings, and what a view needs to hear (creatures
// that left the world) it reads from here after the step.
#pragma once
#ifndef CREATURES_FLOOR_ECOLOGY
#error "ecology/ is for ecology/ and the floors above it"
#endif

#include <ode/ode.h>

#include <cstdint>
#include <deque>
#include <vector>

#include "base/random.h"
#include "ecology/cycle_learning.h"
#include "ecology/family_tree.h"
#include "ecology/food_store.h"
#include "ecology/hall_of_fame.h"
#include "ecology/lineage.h"
#include "ecology/physics_setup.h"
#include "ecology/population.h"
#include "ecology/statistics.h"
#include "ecology/walls.h"

// The fixed step: 0.03 in single precision, widened to double.
constexpr double kStepSize = 0.029999999329447746;

// Running totals of life events since start-up, for statistics and reports.
struct LifeCounters {
    long long births = 0;  // children made by mating
    long long refills = 0; // random creatures added by the refill
    long long foodsEaten = 0;
    long long deathsStarved = 0; // removed after starving
    long long deathsFallen = 0;  // removed after falling (non-finite included)
    long long nonFinite = 0;     // creatures whose bodies went non-finite or far off
    long long steps = 0;         // simulation steps run
    CycleTally cycles;           // motor cycles scored and their progress
};

// Where and when a child was conceived (a view shows a bubble there).
struct Conception {
    long long birth = 0; // the birth's number: counters.births after it
    double time = 0.0;   // simulated seconds
    MY_VECTOR3 centre;
};

// A creature that left the world: its record is gone; its address and where
// its parts were are kept, so that whatever pointed at them can let go
// without reading them.
struct Departure {
    const Agent* agent = nullptr;
    const BodyPart* parts = nullptr;
    std::size_t partCount = 0;
};

// Values a whole save carries along that the simulation does not use; kept
// so that a loaded world saves them as they came.
struct SavedExtras {
    double spareValue = 1.0;
    int populationCount = 0; // creatures at the last whole save
    std::uint8_t savedSerial = 0;
    std::vector<double> spareSeries1;
    std::vector<double> spareSeries2;
};

struct Simulation {
    // Physics. Under the fast set-up `creatureSpace` holds a space a
    // creature; the ground and the walls stay in `space`.
    dWorldID world = nullptr;
    dSpaceID space = nullptr;
    dSpaceID creatureSpace = nullptr;
    PhysicsSetupId physicsArranged = PhysicsSetupId::Classic; // what the spaces are sorted for
    dGeomID groundPlane = nullptr;
    dJointGroupID contactGroup = nullptr;
    // The world's own (single-threaded) way of running the solver's jobs,
    // so worlds on several threads share none.
    dThreadingImplementationID solverThreading = nullptr;
    double stepSize = kStepSize;
    // The physics engine's own generator (it orders the constraints it
    // solves) is one per process; each world keeps its state here and hands
    // it over for its own steps, so worlds stepped in turn do not disturb
    // each other.
    std::uint32_t solverSeed = 0;
    // The ground size the walls stand for (the settings' size, truncated
    // when it was taken).
    int arenaSize = 0;

    // The clock, the generator every draw comes from, and the id the next
    // creature takes.
    double time = 0.0;
    Random random;
    int nextCreatureId = 0;
    // How often the world was made anew (a reset, a whole load): whatever
    // follows the run's time starts over then.
    long long restarts = 0;
    // The highest generation any creature of the world has reached.
    int highestGeneration = 0;
    SavedExtras extras;

    Population population;
    AimPointHander foods;
    Environment environment;
    Walls walls;
    std::deque<Conception> conceptions; // the last few seconds'
    // Creatures that left the world in the last step, and creatures whose
    // bodies ran away and were taken out of the physics in it.
    std::vector<Departure> removed;
    std::vector<const Agent*> quarantined;
    // Scratch of the near callback, one per world.
    dContact contacts[8] = {};

    LifeCounters counters;
    StatisticsRecorder statistics;
    HallOfFame hallOfFame;
    FamilyTree family;
    LifeEventSink lifeEvents;

    Simulation();
    Simulation(const Simulation&) = delete;
    Simulation& operator=(const Simulation&) = delete;
};

// A new creature at the back of the population, with the next id; the
// caller initializes it and builds its body.
Agent& appendCreature(Simulation& sim);

// Every creature leaves: the hall of fame keeps its members' records, the
// population is emptied.
void clearCreatures(Simulation& sim);
