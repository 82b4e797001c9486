// A failed autosave of a world in the window is also that world's message on
// the screen (the run's outputs say it on standard error as well).
#pragma once
#ifndef CREATURES_FLOOR_UI
#error "ui/ is for ui/ and the floors above it"
#endif

#include "run/run_outputs.h"
#include "ui/world.h"

// From now on the outputs' failed autosaves show as w's message, with why.
void showAutosaveFailures(World& w, RunOutputs& outputs);
