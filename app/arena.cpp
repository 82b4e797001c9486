#include "app/arena.h"

#include <cmath>

#include "app/base/random.h"
#include "ecology/physics_mode.h"
#include "ecology/walls.h"
#include "drawlib/drawstuff.h"

namespace {

// Signed draw (r - 16384) * 2 / 32767 of a given random integer.
double U(int r)
{
    return (r - 16384) * 2 / 32767.0;
}

} // namespace

void resetWorld(World& w)
{
    if (w.contactGroup)
        dJointGroupDestroy(w.contactGroup);
    w.contactGroup = dJointGroupCreate(0);

    // The solver's own generator (constraint reordering) restarts with the
    // run, so a reset world evolves the same way whenever it is reset from
    // the same generator state. This re-seeding is our own addition: it draws
    // nothing from the simulation's generator, it only copies its state.
    dRandSetSeed(rng().state());

    w.simData.simulationTime = 0.0;
    forgetAllCreatures(w);
    nextCreatureId = 0;
    w.simData.savedSerial = 0;

    const double S = w.simData.groundSize;
    N_dsSetGroundSize(S);
    dRSetIdentity(w.identityRotation);

    resizePopulation(w.population, w.simData.minPopulation);
    for (auto& a : w.population) {
        a.initialize();
        const int r1 = rng().next();
        const int r2 = rng().next();
        a.centre = MY_VECTOR3{S * U(r2), S * U(r1), 3.0};
        a.buildBody(w.world, bodySpace(w), &w.environment);
    }

    w.environment.population = &w.population;
    w.environment.foods = &w.foods;
    w.foods.reset(&w.simData);
    fillFoods(w);

    if (w.walls.exist)
        destroyParts(w.walls.blocks);
    createWalls(w, S);
    placeWalls(w, S, w.simData.wallHeight);

    N_fogDis(static_cast<float>(S), static_cast<float>(20 * S));

    OrbitCamera& mini = w.miniCamera;
    mini.distance = 10.0f;
    mini.maxDistance = 100.0f;
    mini.heading = 0.4487989544868469f;
    mini.pitch = 0.6283185482025146f;
    mini.target[0] = mini.target[1] = mini.target[2] = 0.0f;
    mini.zoomMode = 0;
}

void fillFoods(World& w)
{
    AimPointHander& store = w.foods;
    store.foods.resize(30);
    const double S = store.settings->groundSize;
    for (auto& f : store.foods) {
        f.position.x = U(rng().next()) * (S * 0.8 * 0.8);
        f.position.y = U(rng().next()) * (S * 0.8 * 0.8);
        f.position.z = 0.0;
    }
}

void resizeArena(World& w, double S)
{
    if (w.walls.exist)
        destroyParts(w.walls.blocks);
    createWalls(w, S);
    placeWalls(w, S, w.simData.wallHeight);
    N_dsSetGroundSize(S);
    N_fogDis(static_cast<float>(S), static_cast<float>(20 * S));
    w.mainCamera.maxDistance = static_cast<float>(S * 4.5 + 30);
}
