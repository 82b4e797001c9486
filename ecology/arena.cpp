#include "ecology/arena.h"

#include <cmath>

#include "base/random.h"
#include "ecology/physics_setup.h"
#include "ecology/simulation.h"
#include "ecology/walls.h"
#include "ecology/world_settings.h"

namespace {

// Signed draw (r - 16384) * 2 / 32767 of a given random integer.
double U(int r)
{
    return (r - 16384) * 2 / 32767.0;
}

// Ground size truncated towards zero, safe for any double.
int truncatedGroundSize(double s)
{
    if (!(s > -2147483648.0 && s < 2147483648.0))
        return 0;
    return static_cast<int>(s);
}

void buildWalls(Simulation& sim, const WorldSettings& settings)
{
    if (sim.walls.exist)
        destroyParts(sim.walls.blocks);
    createWalls(sim, settings.groundSize);
    placeWalls(sim, settings.groundSize, settings.wallHeight);
    sim.arenaSize = truncatedGroundSize(settings.groundSize);
}

} // namespace

void resetWorld(Simulation& sim, const WorldSettings& settings)
{
    if (sim.contactGroup)
        dJointGroupDestroy(sim.contactGroup);
    sim.contactGroup = dJointGroupCreate(0);

    // The solver's own generator (constraint reordering) restarts with the
    // run, so a reset world evolves the same way whenever it is reset from
    // the same generator state. This re-seeding is our own addition: it draws
    // nothing from the simulation's generator, it only copies its state.
    sim.solverSeed = sim.random.state();

    sim.time = 0.0;
    sim.nextCreatureId = 0;
    ++sim.restarts;
    sim.highestGeneration = 0;
    sim.extras.savedSerial = 0;

    const double S = settings.groundSize;
    dRSetIdentity(sim.identityRotation);

    // Creatures beyond the minimum go; the ones kept are made anew, and new
    // ones take the ids from 0.
    for (const Agent& a : sim.population)
        sim.hallOfFame.leaves(a);
    const int n = std::max(0, settings.minPopulation);
    while (static_cast<int>(sim.population.size()) > n)
        sim.population.pop_back();
    while (static_cast<int>(sim.population.size()) < n)
        appendCreature(sim);
    for (auto& a : sim.population) {
        a.initialize(sim.random);
        const int r1 = sim.random.next();
        const int r2 = sim.random.next();
        a.centre = MY_VECTOR3{S * U(r2), S * U(r1), 3.0};
        a.buildBody(sim.world, bodySpace(sim, settings.physics), &sim.environment);
    }

    // A new world: its family tree starts with its first creatures.
    sim.family.clear();
    for (const Agent& a : sim.population)
        sim.family.arrive(a, sim.time, FamilyMember::StartUp);

    sim.environment.population = &sim.population;
    sim.environment.foods = &sim.foods;
    sim.foods.reset();
    fillFoods(sim, S);

    buildWalls(sim, settings);
}

void fillFoods(Simulation& sim, double groundSize)
{
    AimPointHander& store = sim.foods;
    store.foods.resize(30);
    const double S = groundSize;
    for (auto& f : store.foods) {
        f.position.x = U(sim.random.next()) * (S * 0.8 * 0.8);
        f.position.y = U(sim.random.next()) * (S * 0.8 * 0.8);
        f.position.z = 0.0;
    }
}

void resizeArena(Simulation& sim, const WorldSettings& settings)
{
    buildWalls(sim, settings);
}

void followSettings(Simulation& sim, const WorldSettings& settings)
{
    if (static_cast<double>(sim.arenaSize) != settings.groundSize)
        buildWalls(sim, settings);
    dWorldSetGravity(sim.world, settings.gravity[0], settings.gravity[1], settings.gravity[2]);
}
