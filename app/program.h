// The whole program: the command line, the seed, the world, the window or a
// headless run, the save at the end and the shut-down.
#pragma once
#ifndef CREATURES_FLOOR_APP
#error "app/ is for app/ and the floors above it"
#endif

#include <cstdint>
#include <string>
#include <vector>

#include "app/options.h"
#include "ui/world.h"

class Archipelago;
class RunOutputs;

// The window front end, when the program has one: opens the window (false
// with a reason otherwise), runs the frame loop in it, closes it.
class WindowRunner {
public:
    virtual ~WindowRunner() = default;
    // Opens a window of the size (0 by 0: the front end's choice).
    virtual bool open(int width, int height, std::string& error) = 0;
    // Runs the frame loop on a world; the exit status.
    virtual int run(World& w, const RunOptions& options, int argc, char** argv,
                    RunOutputs* outputs = nullptr) = 0;
    // Runs the frame loop on an archipelago: the scene shows one island.
    virtual int runIslands(Archipelago& archipelago, const std::vector<World*>& worlds,
                           const RunOptions& options, int argc, char** argv) = 0;
    virtual void close() = 0;
};

// The archipelago across processes, when the program has one (MPI builds):
// runs this process's island.
struct ProcessIslands {
    int (*run)(const RunOptions& options, std::uint32_t seed) = nullptr;
};

// The one world record of the program.
World& theWorld();

// Exit status of a run that ran out of memory.
constexpr int kOutOfMemoryStatus = 3;

// Parses the arguments, prints the run number, seeds the generator, brings
// up the world, runs it in the window (when a runner is given, a display is
// there and --headless is not) or headless, and shuts down. Returns the exit
// status.
int runProgram(int argc, char** argv, WindowRunner* window = nullptr,
               const ProcessIslands* processes = nullptr);
