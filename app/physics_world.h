// Bringing the physical world up and down, shared by the program, the
// headless runner, the tests and the benchmarks.
#pragma once

#include "ecology/world.h"

// Start-up: initialises ODE, creates the world, the hash space and the ground
// plane, sets gravity, shadows, the mouse records, both cameras and the mini
// display. Does not reset the world.
void startUpPhysics(World& w);

// Solver settings: 20 quick-step iterations and the global ERP and CFM of a
// spring of stiffness 200 and damping 50 at the step size.
void startCallback(World& w);

// Simulated time since the previous call (0 on the first).
void timeDeltaCallback(World& w);

// Shut-down: destroys the creatures, the walls, the contact group, the space
// and the world, then closes ODE. Safe to call on a world never started.
void shutDownPhysics(World& w);

// Start values of both cameras for the current ground size.
void setStartCameras(World& w);

// RAII bring-up for tests and tools: startUpPhysics + startCallback, and
// optionally a world reset; shutDownPhysics on destruction.
class PhysicsSession {
public:
    explicit PhysicsSession(World& w, bool reset = true);
    ~PhysicsSession();
    PhysicsSession(const PhysicsSession&) = delete;
    PhysicsSession& operator=(const PhysicsSession&) = delete;

private:
    World& world_;
};
