#include "app/program.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <exception>
#include <memory>
#include <new>
#include <vector>

#include "app/shown_archipelago.h"
#include "base/clock.h"
#include "base/interrupt.h"
#include "ecology/physics_world.h"
#include "run/archipelago.h"
#include "run/headless_run.h"
#include "run/run_outputs.h"
#include "run/run_summary.h"
#include "run/trial.h"
#include "run/world_setup.h"
#include "ui/view_setup.h"

namespace {

// Whatever way the program leaves, the physics of the world is shut down and
// the window closed, in that order; but not while an exception (running out
// of memory) passes: the physics may be in the middle of a step then, and
// the program ends without touching it.
class ShutDown {
public:
    explicit ShutDown(WindowRunner* window) : window_(window) {}
    ~ShutDown()
    {
        // The world is not even taken apart then: the process ends at once.
        if (std::uncaught_exceptions() > 0) {
            (void)headless.release();
            return;
        }
        if (shown)
            forgetAllCreatures(shown->view);
        if (world)
            shutDownPhysics(world->sim);
        if (windowOpen)
            window_->close();
    }
    ShutDown(const ShutDown&) = delete;
    ShutDown& operator=(const ShutDown&) = delete;

    bool windowOpen = false;
    RunWorld* world = nullptr; // the world of the run, once prepared
    World* shown = nullptr;    // the same, when the window shows it
    std::unique_ptr<RunWorld> headless; // the world of a run without a window

private:
    WindowRunner* window_;
};

} // namespace

World& theWorld()
{
    static World instance;
    return instance;
}

namespace {

// Opens the window unless the run is headless; says why not when it cannot
// (the run then goes on headless, but a screenshot cannot be had: false).
bool openWindowFor(const RunOptions& options, WindowRunner* window, bool& windowed)
{
    windowed = false;
    if (options.headless)
        return true;
    const bool display = std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
    // Screenshots keep a size of their own, so their pictures repeat.
    int windowWidth = options.windowWidth, windowHeight = options.windowHeight;
    if (windowWidth == 0 && !options.screenshotFile.empty()) {
        windowWidth = kDefaultWindowWidth;
        windowHeight = kDefaultWindowHeight;
    }
    std::string why;
    if (!window)
        why = "no window front end in this build";
    else if (!display)
        why = "no display";
    else if (!window->open(windowWidth, windowHeight, why))
        why = "the window could not be opened (" + why + ")";
    else
        windowed = true;
    if (!windowed && !options.screenshotFile.empty()) {
        std::cerr << "creatures: --screenshot needs a window: " << why << "\n";
        return false;
    }
    if (!windowed)
        std::cerr << why << ": running headless\n";
    return true;
}

// An archipelago of `count` islands, in the window or headless; its save at
// the end. Returns the exit status.
int runArchipelago(const RunOptions& options, std::uint32_t seed, int count,
                   WindowRunner* window, bool windowed, int argc, char** argv)
{
    Archipelago archipelago;
    const bool inWindow = windowed;
    // The window shows worlds of its own making; a headless run's islands
    // hold nothing of a window.
    std::vector<World*> shown;
    if (!archipelago.build(options, seed, 1, count, count, inWindow,
                           inWindow ? shownWorlds(shown) : Archipelago::WorldMaker()))
        return 1;
    int status = inWindow ? window->runIslands(archipelago, shown, options, argc, argv)
                          : archipelago.runHeadless(std::cerr);
    if (!archipelago.finish() && status == 0)
        status = 1;
    return status;
}

// The one world of a plain run, in the window (the program's world record)
// or headless (a world without a window's state); its outputs, tree and save
// at the end. Returns the exit status.
int runOneWorld(const RunOptions& options, std::uint32_t seed, WindowRunner* window,
                ShutDown& shutDown, int argc, char** argv)
{
    const bool windowed = shutDown.windowOpen;
    if (!windowed)
        shutDown.headless = std::make_unique<RunWorld>();
    RunWorld& w = windowed ? static_cast<RunWorld&>(theWorld()) : *shutDown.headless;
    w.sim.random.seed(seed);
    const double groundAtStart = w.settings.groundSize;
    if (windowed) {
        theWorld().view.miniDisplay = 0;
        theWorld().view.viewCount = 1;
        startUpView(theWorld());
    }
    shutDown.world = &w;
    if (!prepareWorld(w, options, seed, options.loadAllDir))
        return 1;
    if (windowed) {
        shutDown.shown = &theWorld();
        followPreparedWorld(theWorld(), groundAtStart);
    }

    RunOutputs outputs;
    std::string outputError;
    if (!outputs.open(w, options, windowed, outputError)) {
        std::cerr << outputError << "\n";
        return 1;
    }
    int status = windowed ? window->run(theWorld(), options, argc, argv, &outputs)
                          : runHeadless(w, options, std::cerr, &outputs);
    outputs.finish(w);
    // The run went on after a failed statistics or lineage file, but it did
    // not write what was asked.
    if (outputs.writeFailed() && status == 0)
        status = 1;
    if (!finishWorld(w, options))
        status = 1;
    return status;
}

int runUnguarded(int argc, char** argv, WindowRunner* window,
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

    std::printf("%d", options.runNumber);
    std::fflush(stdout);

    // The window when it can be had; otherwise a headless run, said so.
    std::cerr << "\n";
    for (const std::string& file : replacedOutputs(options, islands))
        std::cerr << "creatures: " << file << " exists and will be replaced" << std::endl;
    ShutDown shutDown(window);
    if (!openWindowFor(options, window, shutDown.windowOpen))
        return 1;

    // An archipelago: asked for, or a saved one loaded.
    if (options.islands > 0 || savedCount > 0) {
        if (options.islands > 0 && savedCount > 0 && options.islands != savedCount) {
            std::cerr << "creatures: " << options.loadAllDir << " holds " << savedCount
                      << " islands, not " << options.islands << "; the run does not start\n";
            return 1;
        }
        return runArchipelago(options, seed, std::max(options.islands, savedCount), window,
                              shutDown.windowOpen, argc, argv);
    }
    return runOneWorld(options, seed, window, shutDown, argc, argv);
}

} // namespace

int runProgram(int argc, char** argv, WindowRunner* window,
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
