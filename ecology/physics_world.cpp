#include "ecology/physics_world.h"

#include <cstdlib>
#include <new>

#include "ecology/arena.h"
#include "ecology/simulation.h"
#include "ecology/world_settings.h"

namespace {

// The physics engine's memory: like its own, but a failed allocation throws
// instead of handing it a null pointer to write through.
void* allocateOrThrow(dsizeint size)
{
    void* p = std::malloc(size);
    if (!p && size > 0)
        throw std::bad_alloc();
    return p;
}

void* reallocateOrThrow(void* ptr, dsizeint, dsizeint newSize)
{
    void* p = std::realloc(ptr, newSize);
    if (!p && newSize > 0)
        throw std::bad_alloc();
    return p;
}

} // namespace

void startUpPhysics(Simulation& sim, const WorldSettings& settings)
{
    dInitODE2(0);
    dSetAllocHandler(allocateOrThrow);
    dSetReallocHandler(reallocateOrThrow);
    sim.world = dWorldCreate();
    sim.solverThreading = dThreadingAllocateSelfThreadedImplementation();
    dWorldSetStepThreadingImplementation(
        sim.world, dThreadingImplementationGetFunctions(sim.solverThreading), sim.solverThreading);
    sim.space = dHashSpaceCreate(nullptr);
    sim.groundPlane = dCreatePlane(sim.space, 0, 0, 1, 0);
    sim.creatureSpace = dSweepAndPruneSpaceCreate(nullptr, dSAP_AXES_XYZ);
    sim.physicsArranged = settings.physics;
    dWorldSetGravity(sim.world, settings.gravity[0], settings.gravity[1], settings.gravity[2]);
}

void startCallback(Simulation& sim)
{
    const double h = sim.stepSize;
    dWorldSetQuickStepNumIterations(sim.world, 20);
    dWorldSetERP(sim.world, (h * 200) / (h * 200 + 50));
    dWorldSetCFM(sim.world, 1 / (h * 200 + 50));
}

void usePhysicsOnThisThread()
{
    // The engine is brought up without manual thread clean-up: what it
    // allocates here is let go when the thread ends or the engine closes,
    // and must not be freed by hand. What a thread has already is kept.
    if (!dAllocateODEDataForThread(dAllocateMaskAll))
        throw std::bad_alloc();
}

void shutDownPhysics(Simulation& sim)
{
    if (!sim.world)
        return;
    clearCreatures(sim);
    if (sim.walls.exist) {
        destroyParts(sim.walls.blocks);
        sim.walls.blocks.clear();
        sim.walls.exist = false;
    }
    if (sim.contactGroup) {
        dJointGroupDestroy(sim.contactGroup);
        sim.contactGroup = nullptr;
    }
    dSpaceDestroy(sim.creatureSpace);
    dSpaceDestroy(sim.space);
    dWorldSetStepThreadingImplementation(sim.world, nullptr, nullptr);
    dWorldDestroy(sim.world);
    dThreadingFreeImplementation(sim.solverThreading);
    sim.solverThreading = nullptr;
    dCloseODE();
    sim.space = nullptr;
    sim.creatureSpace = nullptr;
    sim.world = nullptr;
    sim.groundPlane = nullptr;
}

PhysicsSession::PhysicsSession(Simulation& sim, const WorldSettings& settings, bool reset)
    : sim_(sim)
{
    startUpPhysics(sim, settings);
    startCallback(sim);
    if (reset)
        resetWorld(sim, settings);
}

PhysicsSession::~PhysicsSession()
{
    shutDownPhysics(sim_);
}
