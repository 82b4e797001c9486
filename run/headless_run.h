// Running the simulation without a window: the world's steps as fast as the
// machine allows, with a progress line, the run's outputs and the closing
// summary.
#pragma once
#ifndef CREATURES_FLOOR_RUN
#error "run/ is for run/ and the floors above it"
#endif

#include <iosfwd>

#include "run/run_options.h"
#include "run/run_world.h"

class RunOutputs;

// Steps an already prepared world until the step or time limit or an
// interrupt (caught by runProgram's handlers), with the outputs after every
// step (limits, statistics and Ctrl-C are handled after every single step).
// Returns the process exit status.
int runHeadless(RunWorld& w, const RunOptions& options, std::ostream& progress,
                RunOutputs* outputs = nullptr);
