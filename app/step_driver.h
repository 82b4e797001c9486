// The per-frame step driver: the queued requests, the settings that need more
// than a new value, and the simulation steps with what the view does around
// each of them. The window paces the frames and measures their rate before
// calling it (ui/frame_pacing.h).
#pragma once
#ifndef CREATURES_FLOOR_APP
#error "app/ is for app/ and the floors above it"
#endif

#include "ecology/simulation_step.h"
#include "ui/world.h"

// One frame: queued requests, ground-size and mini-display changes, gravity,
// then the simulation steps: stepsPerFrame of them, or as many as fit in the
// skip-render budget while "Skip Render(x)" is on. Before each step the
// mouse drag pulls its part; after it the view lets go of creatures that
// left and takes the new births' bubbles. While paused only the creature
// files named in the window are added. `cap` is the most steps the frame
// may take, -1 for no limit: a run stops at its --steps or --seconds, an
// island shown in the window at the archipelago's next migration (0: it
// waits there).
void stepDriver(World& w, int pause, long long cap = -1);

// The driver in two parts, so that the steps can run on another thread than
// the drawing's: what comes before the steps (everything above but the
// steps; it talks to the drawing library), true when steps follow; then the
// steps alone, which touch only the world.
bool prepareSteps(World& w, int pause, long long cap = -1);
void runSteps(World& w, long long cap = -1);

// One simulation step with the view around it, as the driver runs each: the
// drag's pull before it, the view letting go of creatures that left and
// taking the new births' bubbles after it.
void stepWorld(World& w, StepParts parts = StepParts::Whole);
