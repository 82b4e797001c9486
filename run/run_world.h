// What a run is without a window: the world's settings and the simulation
// its steps change. A headless run, every island of an archipelago and every
// process of an MPI run hold this and nothing more; the window wraps it with
// what it shows and how it paces its frames (ui/world.h). Tests and tools
// build as many as they like, and they share no state, so several can step
// side by side on threads of their own.
#pragma once
#ifndef CREATURES_FLOOR_RUN
#error "run/ is for run/ and the floors above it"
#endif

#include "ecology/simulation.h"
#include "ecology/world_settings.h"

struct RunWorld {
    WorldSettings settings;
    Simulation sim;

    RunWorld() = default;
    // An archipelago holds the worlds a window makes for its islands as
    // run worlds, and lets them go as such.
    virtual ~RunWorld() = default;
    RunWorld(const RunWorld&) = delete;
    RunWorld& operator=(const RunWorld&) = delete;
};
