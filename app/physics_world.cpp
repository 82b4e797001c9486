#include "app/physics_world.h"

#include <cstdlib>
#include <new>

#include "app/arena.h"
#include "drawlib/drawstuff.h"

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

void setStartCameras(World& w)
{
    const double S = w.simData.groundSize;
    for (OrbitCamera* c : {&w.mainCamera, &w.miniCamera}) {
        c->distance = static_cast<float>(0.5 * S);
        c->maxDistance = static_cast<float>(6.0 * S);
        c->heading = 0.4487989544868469f;
        c->pitch = 0.6283185482025146f;
        c->target[0] = 0.0f;
        c->target[1] = 0.0f;
        c->target[2] = 1.0f;
        c->setViewpoint = dsSetViewpoint;
    }
    w.mainCamera.zoomMode = 0;
    w.miniCamera.zoomMode = 1;
    w.miniCamera.zoomEnd = 7.0;
    w.miniCamera.zoomTime = 0.0;
    w.miniCamera.zoomStart = w.miniCamera.distance;
}

void startUpPhysics(World& w)
{
    dInitODE2(0);
    dSetAllocHandler(allocateOrThrow);
    dSetReallocHandler(reallocateOrThrow);
    w.world = dWorldCreate();
    w.space = dHashSpaceCreate(nullptr);
    w.groundPlane = dCreatePlane(w.space, 0, 0, 1, 0);
    w.creatureSpace = dSweepAndPruneSpaceCreate(nullptr, dSAP_AXES_XYZ);
    w.physicsArranged = w.physics;
    dWorldSetGravity(w.world, w.gravity[0], w.gravity[1], w.gravity[2]);
    dsSetShadows(w.drawShadows);
    w.drag = DragState{};
    w.cameraDrag = CameraDrag{};
    setStartCameras(w);
    N_setUserPIP(w.miniDisplay);
}

void startCallback(World& w)
{
    const double h = w.stepSize;
    dWorldSetQuickStepNumIterations(w.world, 20);
    dWorldSetERP(w.world, (h * 200) / (h * 200 + 50));
    dWorldSetCFM(w.world, 1 / (h * 200 + 50));
}

void timeDeltaCallback(World& w)
{
    if (!w.timeDeltaStarted) {
        w.timeDeltaStarted = true;
        w.previousTime = w.simData.simulationTime;
    }
    w.timeDelta = w.simData.simulationTime - w.previousTime;
    w.previousTime = w.simData.simulationTime;
}

void shutDownPhysics(World& w)
{
    if (!w.world)
        return;
    forgetAllCreatures(w);
    clearPopulation(w.population);
    if (w.walls.exist) {
        destroyParts(w.walls.blocks);
        w.walls.blocks.clear();
        w.walls.exist = false;
    }
    if (w.contactGroup) {
        dJointGroupDestroy(w.contactGroup);
        w.contactGroup = nullptr;
    }
    dSpaceDestroy(w.creatureSpace);
    dSpaceDestroy(w.space);
    dWorldDestroy(w.world);
    dCloseODE();
    w.space = nullptr;
    w.creatureSpace = nullptr;
    w.world = nullptr;
    w.groundPlane = nullptr;
}

PhysicsSession::PhysicsSession(World& w, bool reset) : world_(w)
{
    startUpPhysics(w);
    startCallback(w);
    if (reset)
        resetWorld(w);
}

PhysicsSession::~PhysicsSession()
{
    shutDownPhysics(world_);
}
