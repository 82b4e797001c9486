#include "app/program.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <exception>
#include <new>
#include <vector>

#include "ecology/arena.h"
#include "base/clock.h"
#include "base/interrupt.h"
#include "app/headless_run.h"
#include "ecology/physics_world.h"
#include "app/archipelago.h"
#include "app/run_outputs.h"
#include "app/world_setup.h"
#include "app/run_summary.h"
#include "app/trial.h"
#include "app/tree_export.h"
#include "app/setting_overrides.h"
#include "drawlib/drawstuff.h"
#include "persist/creature_file.h"
#include "persist/creature_save.h"
#include "persist/save_all.h"
#include "ui/view_setup.h"

namespace {

// Whatever way the program leaves, the physics is shut down and the window
// closed, in that order; but not while an exception (running out of memory)
// passes: the physics may be in the middle of a step then, and the program
// ends without touching it.
class ShutDown {
public:
    ShutDown(World& w, const WindowRunner* window) : w_(w), window_(window) {}
    ~ShutDown()
    {
        if (std::uncaught_exceptions() > 0)
            return;
        forgetAllCreatures(w_.view);
        shutDownPhysics(w_.sim);
        if (windowOpen && window_->close)
            window_->close();
    }
    ShutDown(const ShutDown&) = delete;
    ShutDown& operator=(const ShutDown&) = delete;

    bool windowOpen = false;

private:
    World& w_;
    const WindowRunner* window_;
};

} // namespace

World& theWorld()
{
    static World instance;
    return instance;
}

namespace {

int runUnguarded(int argc, char** argv, const WindowRunner* window,
                 const ProcessIslands* processes)
{
    // Ctrl-C from the start ends the run cleanly (an interrupt during set-up
    // or a load ends it before the first step) instead of killing the
    // process.
    const InterruptHandlers interrupts;

    // A command line the program does not understand, or outputs it could
    // not write, stop it before anything runs or is written.
    RunOptions options;
    std::string error;
    if (!parseOptions(argc, argv, options, error)) {
        std::cerr << "creatures: " << error << "; see creatures --help" << std::endl;
        return 2;
    }
    // An archipelago, asked for or a saved one loaded, writes the files of
    // each island under its number; a process of an MPI run checks those
    // of its own island once it knows which.
    const int savedCount = options.loadAllDir.empty() ? 0 : savedIslands(options.loadAllDir);
    if (savedCount < 0)
        return 1; // not one whole save: said
    const std::vector<int> islands = islandNumbers(std::max(options.islands, savedCount));
    const std::string alone = archipelagoOptionWithoutIslands(options, savedCount);
    if (!alone.empty())
        error = alone + " goes with --islands or a saved archipelago, and " + options.loadAllDir +
                " holds a single world";
    if (!alone.empty() || (!options.islandsMpi && !checkOutputPaths(options, error, islands))) {
        std::cerr << "creatures: " << error << "; see creatures --help" << std::endl;
        return 2;
    }
    if (options.help) {
        std::cout << usageText();
        return 0;
    }
    if (!options.trialFiles.empty()) {
        for (const std::string& file : replacedOutputs(options))
            std::cerr << "creatures: " << file << " exists and will be replaced" << std::endl;
        return runTrials(options, std::cout, std::cerr, ::isatty(STDERR_FILENO));
    }
    // A tool mode: a file is read and its summary printed; no world is made.
    if (!options.summarizeFile.empty()) {
        RunSummary summary;
        if (!summarizeRunFile(options.summarizeFile, options.seconds, summary, error)) {
            std::cerr << "creatures: --summarize " << options.summarizeFile << ": " << error
                      << std::endl;
            return 2;
        }
        std::cout << runSummaryText(summary) << std::flush;
        if (!std::cout) {
            std::cerr << "creatures: the summary could not be written" << std::endl;
            return 1;
        }
        return 0;
    }

    const std::uint32_t seed =
        options.seedGiven ? options.seed : nowMs() + 100u * static_cast<std::uint32_t>(options.runNumber);
    // One island a process of an MPI run, headless; the processes agree on
    // the seed and the first of them speaks for the run.
    if (options.islandsMpi) {
        if (!processes || !processes->run) {
            std::cerr << "creatures: --islands-mpi needs a build with MPI (configure with "
                         "-DCREATURES_MPI=ON)\n";
            return 2;
        }
        return processes->run(options, seed);
    }

    World& w = theWorld();
    w.view.miniDisplay = 0;
    w.view.viewCount = 1;
    std::printf("%d", options.runNumber);
    std::fflush(stdout);
    w.sim.random.seed(seed);

    // The window when it can be had; otherwise a headless run, said so.
    std::cerr << "\n";
    for (const std::string& file : replacedOutputs(options, islands))
        std::cerr << "creatures: " << file << " exists and will be replaced" << std::endl;
    ShutDown shutDown(w, window);
    bool& windowed = shutDown.windowOpen;
    if (!options.headless) {
        const bool display = std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
        // Screenshots keep a size of their own, so their pictures repeat.
        int windowWidth = options.windowWidth, windowHeight = options.windowHeight;
        if (windowWidth == 0 && !options.screenshotFile.empty()) {
            windowWidth = kDefaultWindowWidth;
            windowHeight = kDefaultWindowHeight;
        }
        std::string why;
        if (!window || !window->open)
            why = "no window front end in this build";
        else if (!display)
            why = "no display";
        else if (!window->open(windowWidth, windowHeight, why))
            why = "the window could not be opened (" + why + ")";
        else
            windowed = true;
        if (!windowed && !options.screenshotFile.empty()) {
            std::cerr << "creatures: --screenshot needs a window: " << why << "\n";
            return 1;
        }
        if (!windowed)
            std::cerr << why << ": running headless\n";
    }

    // An archipelago: asked for, or a saved one loaded.
    if (options.islands > 0 || savedCount > 0) {
        if (options.islands > 0 && savedCount > 0 && options.islands != savedCount) {
            std::cerr << "creatures: " << options.loadAllDir << " holds " << savedCount
                      << " islands, not " << options.islands << "; the run does not start\n";
            return 1;
        }
        Archipelago archipelago;
        const int count = std::max(options.islands, savedCount);
        const bool inWindow = windowed && window->runIslands;
        if (!archipelago.build(options, seed, 1, count, count, inWindow))
            return 1;
        int status = inWindow ? window->runIslands(archipelago, options, argc, argv)
                              : archipelago.runHeadless(std::cerr);
        if (!archipelago.finish() && status == 0)
            status = 1;
        return status;
    }

    int status = 0;
    if (!prepareWorld(w, options, seed, options.loadAllDir))
        return 1;

    RunOutputs outputs;
    std::string outputError;
    if (!outputs.open(w, options, windowed, outputError)) {
        std::cerr << outputError << "\n";
        return 1;
    }
    if (windowed)
        status = window->run(w, options, argc, argv, &outputs);
    else
        status = runHeadless(w, options, std::cerr, argc, argv, &outputs);
    outputs.finish(w);
    // The run went on after a failed statistics or lineage file, but it did
    // not write what was asked.
    if (outputs.writeFailed() && status == 0)
        status = 1;
    if (!finishWorld(w, options))
        status = 1;
    return status;
}

} // namespace

int runProgram(int argc, char** argv, const WindowRunner* window,
               const ProcessIslands* processes)
{
    try {
        return runUnguarded(argc, argv, window, processes);
    } catch (const std::bad_alloc&) {
        // Out of memory in a step or the drawing (a load says so itself and
        // leaves the world as it was). The world may be half changed, so
        // nothing more is done with it: the run ends here.
        std::cout.flush();
        std::cerr << "\ncreatures: out of memory; the run ends" << std::endl;
        std::_Exit(kOutOfMemoryStatus);
    }
}
