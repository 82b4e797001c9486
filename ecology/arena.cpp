#include "ecology/arena.h"

#include <algorithm>
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

namespace {

bool clearOfAll(const Simulation& sim, double x, double y)
{
    for (const Agent& a : sim.population) {
        const double dx = a.centre.x - x, dy = a.centre.y - y;
        if (dx * dx + dy * dy < kClearance * kClearance)
            return false;
    }
    return true;
}

} // namespace

bool findClearSpot(const Simulation& sim, double groundSize, double& x, double& y)
{
    const double inside = std::max(0.0, std::min(groundSize - kEdgeMargin, groundSize * 0.75));
    auto within = [inside](double v) { return v >= -inside && v <= inside; };
    if (!std::isfinite(x) || !std::isfinite(y))
        x = y = 0.0;
    x = std::max(-inside, std::min(inside, x));
    y = std::max(-inside, std::min(inside, y));
    if (clearOfAll(sim, x, y))
        return true;
    // Rings a half clearance apart, their points about that far apart too,
    // out to the far corner of the ground.
    const double step = kClearance / 2;
    const double pi = std::acos(-1.0);
    for (int ring = 1; ring * step <= 2.9 * inside; ++ring) {
        const double r = ring * step;
        const int points = 6 * ring;
        for (int k = 0; k < points; ++k) {
            const double angle = 2 * pi * k / points;
            const double px = x + r * std::cos(angle), py = y + r * std::sin(angle);
            if (within(px) && within(py) && clearOfAll(sim, px, py)) {
                x = px;
                y = py;
                return true;
            }
        }
    }
    return false;
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
