// The world record of the window: the run's world (run/run_world.h) and what
// the window keeps around it, in four parts by what changes and who owns it.
//   settings: what a user sets and saves (ecology/world_settings.h);
//   sim:      what the steps change (ecology/simulation.h);
//   view:     what the window shows and the mouse points at (ui/view_state.h);
//   driver:   the frame driver's pacing, requests and message
//             (ui/driver_state.h).
// The step takes sim and settings, the drawing reads sim and owns view, and
// the savers get what they need of the view as arguments. Whatever a run
// does without a window takes the record as the run's world. The program
// holds one record (app/program.h); tests and tools build as many as they
// like, and worlds do not share state, so several can step side by side.
#pragma once
#ifndef CREATURES_FLOOR_UI
#error "ui/ is for ui/ and the floors above it"
#endif

#include "run/run_world.h"
#include "ui/driver_state.h"
#include "ui/view_state.h"

struct World : RunWorld {
    ViewState view;
    DriverState driver;

    World() = default;
    World(const World&) = delete;
    World& operator=(const World&) = delete;
};
