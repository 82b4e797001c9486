// Running the simulation without a window: the drawing library's headless
// frame loop drives the step driver as fast as the machine allows, with a
// progress line, the run's outputs and the closing summary.
#pragma once
#ifndef CREATURES_FLOOR_APP
#error "app/ is for app/ and the floors above it"
#endif

#include <iosfwd>

#include "app/options.h"
#include "ui/world.h"

class RunOutputs;

// Runs the frame loop on an already reset world until the step or time limit
// or an interrupt (caught by runProgram's handlers). Returns the process exit
// status.
// argc and argv, as the process received them, go to the frame loop.
int runHeadless(World& w, const RunOptions& options, std::ostream& progress, int argc = 0,
                char** argv = nullptr, RunOutputs* outputs = nullptr);
