#include "app/headless_run.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <sstream>

#include "app/arena.h"
#include "app/clock.h"
#include "app/interrupt.h"
#include "app/physics_world.h"
#include "app/random.h"
#include "app/run_outputs.h"
#include "app/step_driver.h"
#include "drawlib/drawstuff.h"
#include "ecology/birth_marker.h"
#include "persist/save_all.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

// State of one headless run, reached from the frame-loop callbacks.
struct HeadlessRun {
    World* w = nullptr;
    long long totalSteps = -1; // -1: until interrupted
    long long stepsDone = 0;
    int userStepsPerFrame = 2;
    RunOutputs* outputs = nullptr;
    double startTime = 0.0;
    std::ostream* progress = nullptr;
    bool tty = false;
    SteadyClock::time_point started;
    SteadyClock::time_point lastProgress;
    long long stepsAtLastProgress = 0;
    SteadyClock::time_point lastRateTime;
    double stepsPerSecond = 0.0;
};

HeadlessRun* current = nullptr;

std::string formatDuration(double seconds)
{
    if (!(seconds >= 0) || seconds > 1e7)
        return "?";
    const long long s = std::llround(seconds);
    std::ostringstream o;
    if (s >= 3600)
        o << s / 3600 << "h" << std::setw(2) << std::setfill('0') << (s % 3600) / 60 << "m";
    else if (s >= 60)
        o << s / 60 << "m" << std::setw(2) << std::setfill('0') << s % 60 << "s";
    else
        o << s << "s";
    return o.str();
}

void reportProgress(HeadlessRun& run, bool force)
{
    const auto now = SteadyClock::now();
    const double sinceLast = std::chrono::duration<double>(now - run.lastProgress).count();
    const double interval = run.tty ? 0.5 : 10.0;
    if (!force && sinceLast < interval)
        return;
    const double rateWindow = std::chrono::duration<double>(now - run.lastRateTime).count();
    if (rateWindow > 0)
        run.stepsPerSecond = (run.stepsDone - run.stepsAtLastProgress) / rateWindow;
    run.stepsAtLastProgress = run.stepsDone;
    run.lastRateTime = now;
    run.lastProgress = now;

    World& w = *run.w;
    std::ostringstream line;
    line << std::fixed << std::setprecision(1);
    if (run.totalSteps > 0) {
        const double fraction = static_cast<double>(run.stepsDone) / run.totalSteps;
        const double left =
            run.stepsPerSecond > 0 ? (run.totalSteps - run.stepsDone) / run.stepsPerSecond : -1.0;
        line << std::setw(5) << fraction * 100 << "%  left " << formatDuration(left) << "  ";
    }
    line << "sim " << formatDuration(w.simData.simulationTime) << "  "
         << static_cast<long long>(run.stepsPerSecond) << " steps/s  population "
         << w.population.size() << "  foods " << w.foods.foods.size() << "  born "
         << w.counters.births << "  eaten " << w.counters.foodsEaten;
    if (run.tty)
        *run.progress << '\r' << line.str() << "\033[K" << std::flush;
    else
        *run.progress << line.str() << '\n' << std::flush;
}

void headlessStep(int pause)
{
    HeadlessRun& run = *current;
    World& w = *run.w;
    if (interruptRequested() || (run.totalSteps >= 0 && run.stepsDone >= run.totalSteps)) {
        dsStop();
        return;
    }
    // One step per frame: without drawing a frame costs nothing, and limits,
    // statistics and Ctrl-C are then handled after every single step.
    w.stepsPerFrame = 1;
    const long long before = w.counters.steps;
    stepDriver(w, pause);
    run.stepsDone += w.counters.steps - before;

    if (run.outputs)
        run.outputs->afterFrame(w);
    reportProgress(run, false);
    if (interruptRequested() || (run.totalSteps >= 0 && run.stepsDone >= run.totalSteps))
        dsStop();
}

void headlessStart()
{
    startCallback(*current->w);
}

void headlessTimeDelta()
{
    timeDeltaCallback(*current->w);
}

// Nothing is drawn, but the birth markers still age and expire once per
// frame as in a window, so a long run does not keep every marker it made.
void headlessFrame(int view)
{
    if (view == 0)
        ageBirthMarkers(current->w->birthMarkers, current->w->timeDelta);
}

} // namespace

long long stepLimit(const World& w, const RunOptions& options)
{
    if (options.steps >= 0)
        return options.steps;
    if (options.seconds < 0)
        return -1;
    // Whole steps covering the time; a time that is a whole number of steps
    // up to rounding (1800 s is 60000 steps of the single-precision 0.03)
    // takes exactly that number.
    const double x = options.seconds / w.stepSize;
    long long steps = std::llround(x);
    if (std::fabs(x - static_cast<double>(steps)) > 1e-6 * std::max(1.0, x))
        steps = static_cast<long long>(std::ceil(x));
    return steps;
}

int runHeadless(World& w, const RunOptions& options, std::ostream& progress, int argc, char** argv,
                RunOutputs* outputs)
{
    HeadlessRun run;
    run.w = &w;
    run.progress = &progress;
    run.tty = (&progress == &std::cerr && isatty(STDERR_FILENO)) ||
              (&progress == &std::cout && isatty(STDOUT_FILENO));
    run.totalSteps = stepLimit(w, options);
    run.userStepsPerFrame = std::max(1, w.stepsPerFrame);
    run.outputs = outputs;
    run.startTime = w.simData.simulationTime;
    run.started = run.lastProgress = run.lastRateTime = SteadyClock::now();

    // No pacing and no skip-render budget: every frame runs its steps at once.
    const float savedFps = w.targetFps;
    const std::uint8_t savedSkip = w.skipRender;
    w.targetFps = 0.0f;
    w.skipRender = 0;

    DrawCallbacks fn;
    fn.start = headlessStart;
    fn.step = headlessStep;
    fn.timeDelta = headlessTimeDelta;
    fn.frame = headlessFrame;
    fn.pathToTextures = "textures";
    current = &run;
    char arg0[] = "creatures";
    char* defaultArgv[] = {arg0, nullptr};
    if (!argv) {
        argc = 1;
        argv = defaultArgv;
    }
    dsSimulationLoop(argc, argv, w.windowWidth, w.windowHeight, &fn);
    current = nullptr;

    w.targetFps = savedFps;
    w.skipRender = savedSkip;
    w.stepsPerFrame = run.userStepsPerFrame;

    reportProgress(run, true);
    if (run.tty)
        progress << '\n';

    const double wall = std::chrono::duration<double>(SteadyClock::now() - run.started).count();
    const LifeCounters& c = w.counters;
    progress << (interruptRequested() ? "interrupted" : "finished") << " after " << run.stepsDone
             << " steps (" << std::fixed << std::setprecision(1) << w.simData.simulationTime
             << " simulated s) in " << wall << " s\n"
             << "  population " << w.population.size() << ", foods on the ground "
             << w.foods.foods.size() << "\n"
             << "  foods eaten " << c.foodsEaten << ", births " << c.births << ", refills "
             << c.refills << "\n"
             << "  deaths: starved " << c.deathsStarved << ", fallen " << c.deathsFallen
             << " (non-finite or far-off bodies " << c.nonFinite << ")\n"
             << learningSummary(w, run.startTime);
    progress.unsetf(std::ios::fixed);
    return 0;
}

int runProgram(int argc, char** argv, const WindowRunner* window)
{
    RunOptions options;
    std::string error;
    if (!parseOptions(argc, argv, options, error)) {
        std::cerr << "creatures: " << error << "\n";
        return 2;
    }
    if (options.help) {
        std::cout << usageText();
        return 0;
    }

    // Ctrl-C from here on ends the run cleanly (an interrupt during set-up
    // ends it before the first step) instead of killing the process.
    const InterruptHandlers interrupts;

    World& w = theWorld();
    w.runNumber = options.runNumber;
    w.miniDisplay = 0;
    w.viewCount = 1;
    std::printf("%d", w.runNumber);
    std::fflush(stdout);

    const std::uint32_t seed =
        options.seedGiven ? options.seed : nowMs() + 100u * static_cast<std::uint32_t>(w.runNumber);
    rng().seed(seed);

    // The window when it can be had; otherwise a headless run, said so.
    std::cerr << "\n";
    bool windowed = false;
    if (!options.headless) {
        const bool display = std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
        std::string why;
        if (!window || !window->open)
            why = "no window front end in this build";
        else if (!display)
            why = "no display";
        else if (!window->open(why))
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

    // The solver settings follow from the frame loop's start callback.
    startUpPhysics(w);
    resetWorld(w);

    int status = 0;
    if (!options.loadAllDir.empty()) {
        const double builtFor = w.simData.groundSize;
        try {
            loadAll(w, options.loadAllDir);
            // The walls were built for the start-up ground before the load.
            if (w.simData.groundSize != builtFor)
                resizeArena(w, w.simData.groundSize);
        } catch (const std::string&) {
            // The loader has already written its message to standard error.
            std::cerr << "\ncreatures: nothing was loaded from " << options.loadAllDir
                      << "; the run does not start\n";
            shutDownPhysics(w);
            if (windowed && window->close)
                window->close();
            return 1;
        }
    }
    // --set: over the loaded settings, or into the fresh world.
    applySettingOverrides(w, options.settings, options.loadAllDir.empty(), seed);

    RunOutputs outputs;
    std::string outputError;
    if (!outputs.open(w, options, windowed, outputError)) {
        std::cerr << outputError << "\n";
        shutDownPhysics(w);
        if (windowed && window->close)
            window->close();
        return 1;
    }
    if (windowed)
        status = window->run(w, options, argc, argv, &outputs);
    else
        status = runHeadless(w, options, std::cerr, argc, argv, &outputs);
    outputs.finish(w);

    if (!options.saveAllDir.empty()) {
        try {
            saveAll(w, options.saveAllDir);
        } catch (const std::string&) {
            std::cerr << "\ncreatures: the simulation was not saved to " << options.saveAllDir
                      << "\n";
            status = 1;
        }
    }
    shutDownPhysics(w);
    if (windowed && window->close)
        window->close();
    return status;
}
