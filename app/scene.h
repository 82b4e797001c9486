// A complete running world built from a seed: the one way tests, benchmarks
// and tools bring up a world of N creatures.
#pragma once
#ifndef CREATURES_FLOOR_APP
#error "app/ is for app/ and the floors above it"
#endif

#include <cstdint>
#include <memory>

#include "ecology/arena.h"
#include "ecology/physics_world.h"
#include "ecology/simulation_step.h"
#include "ui/world.h"

class Scene {
public:
    // Seeds the generator, sets minPopulation, starts the physics and resets
    // the world (creatures, foods, walls).
    explicit Scene(std::uint32_t seed, int minPopulation = 10);
    ~Scene();
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    World& world() { return *world_; }
    // Runs n simulation steps.
    void step(int n = 1);
    // What the steps run from now on (the whole world at first).
    void setStepParts(StepParts parts) { parts_ = parts; }

private:
    StepParts parts_ = StepParts::Whole;
    std::unique_ptr<World> world_;
    std::unique_ptr<PhysicsSession> session_;
};
