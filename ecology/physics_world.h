// Bringing the physical world up and down, shared by the program, the
// headless runner, the tests and the benchmarks.
#pragma once
#ifndef CREATURES_FLOOR_ECOLOGY
#error "ecology/ is for ecology/ and the floors above it"
#endif

struct Simulation;
struct WorldSettings;

// Start-up: initialises ODE (once for every world of the process), creates
// the world, the hash space and the ground plane, the creature space, sets
// gravity and the solver settings. Does not reset the world.
void startUpPhysics(Simulation& sim, const WorldSettings& settings);

// Solver settings: 20 quick-step iterations and the global ERP and CFM of a
// spring of stiffness 200 and damping 50 at the step size.
void startCallback(Simulation& sim);

// Shut-down: destroys the creatures, the walls, the contact group, the space
// and the world, then closes ODE (for this world). Safe to call on a world
// never started.
void shutDownPhysics(Simulation& sim);

// Makes the physics engine's data of the calling thread (its collision
// caches) unless it has them; the engine lets them go when the thread ends
// or when it closes. For a thread that steps worlds besides the one that
// brought them up (harmless on that one). Throws std::bad_alloc when they
// cannot be made.
void usePhysicsOnThisThread();

// RAII bring-up for tests and tools: startUpPhysics + startCallback, and
// optionally a world reset; shutDownPhysics on destruction.
class PhysicsSession {
public:
    PhysicsSession(Simulation& sim, const WorldSettings& settings, bool reset = true);
    ~PhysicsSession();
    PhysicsSession(const PhysicsSession&) = delete;
    PhysicsSession& operator=(const PhysicsSession&) = delete;

private:
    Simulation& sim_;
};
