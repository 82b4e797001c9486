// Running the simulation without a window: the drawing library's headless
// frame loop drives the step driver as fast as the machine allows, with
// progress output, statistics and an optional save at the end.
#pragma once

#include <iosfwd>
#include <string>

#include "app/interrupt.h"
#include "app/options.h"
#include "app/world.h"

class RunOutputs;

// Runs the frame loop on an already reset world until the step or time limit
// or an interrupt (caught by runProgram's handlers). Returns the process exit
// status.
// argc and argv, as the process received them, go to the frame loop.
int runHeadless(World& w, const RunOptions& options, std::ostream& progress, int argc = 0,
                char** argv = nullptr, RunOutputs* outputs = nullptr);

// Number of steps a run is limited to by --steps or --seconds; -1 for none.
long long stepLimit(const World& w, const RunOptions& options);

// The window front end, when the program has one: opens the window (false
// with a reason otherwise), runs the frame loop in it, closes it.
struct WindowRunner {
    bool (*open)(std::string& error) = nullptr;
    int (*run)(World& w, const RunOptions& options, int argc, char** argv,
               RunOutputs* outputs) = nullptr;
    void (*close)() = nullptr;
};

// The whole program: parses the arguments, prints the run number, seeds the
// generator, brings up the world, runs it in the window (when a runner is
// given, a display is there and --headless is not) or headless, and shuts
// down. Returns the exit status.
int runProgram(int argc, char** argv, const WindowRunner* window = nullptr);
