#include "app/headless_run.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <sstream>

#include "base/duration_text.h"
#include "ecology/physics_world.h"
#include "ui/frame_callback.h"
#include "app/program_run.h"
#include "drawlib/drawstuff.h"
#include "ui/birth_marker.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

// State of one headless run, reached from the frame-loop callbacks.
struct HeadlessRun {
    World* w = nullptr;
    ProgramRun* run = nullptr;
    int userStepsPerFrame = 2;
    std::ostream* progress = nullptr;
    bool tty = false;
    SteadyClock::time_point started;
    SteadyClock::time_point lastProgress;
    long long stepsAtLastProgress = 0;
    SteadyClock::time_point lastRateTime;
    double stepsPerSecond = 0.0;
};

HeadlessRun* current = nullptr;

void reportProgress(HeadlessRun& run, bool force)
{
    const auto now = SteadyClock::now();
    const double sinceLast = std::chrono::duration<double>(now - run.lastProgress).count();
    const double interval = run.tty ? 0.5 : 10.0;
    if (!force && sinceLast < interval)
        return;
    const double rateWindow = std::chrono::duration<double>(now - run.lastRateTime).count();
    if (rateWindow > 0)
        run.stepsPerSecond = (run.run->stepsDone() - run.stepsAtLastProgress) / rateWindow;
    run.stepsAtLastProgress = run.run->stepsDone();
    run.lastRateTime = now;
    run.lastProgress = now;

    World& w = *run.w;
    std::ostringstream line;
    line << std::fixed << std::setprecision(1);
    const long long total = run.run->totalSteps(), done = run.run->stepsDone();
    if (total > 0) {
        const double fraction = static_cast<double>(done) / total;
        const double left = run.stepsPerSecond > 0 ? (total - done) / run.stepsPerSecond : -1.0;
        line << std::setw(5) << fraction * 100 << "%  left " << formatDuration(left) << "  ";
    }
    line << "sim " << formatDuration(w.sim.time) << "  "
         << static_cast<long long>(run.stepsPerSecond) << " steps/s  population "
         << w.sim.population.size() << "  foods " << w.sim.foods.foods.size() << "  born "
         << w.sim.counters.births << "  eaten " << w.sim.counters.foodsEaten;
    if (w.settings.learningRule != LearningRuleId::Original)
        line << "  learning " << learningRule(w.settings.learningRule).name;
    if (w.settings.physics != PhysicsSetupId::Classic)
        line << "  physics " << physicsSetup(w.settings.physics).name;
    if (run.tty)
        *run.progress << '\r' << line.str() << "\033[K" << std::flush;
    else
        *run.progress << line.str() << '\n' << std::flush;
}

void headlessStep(int pause)
{
    HeadlessRun& run = *current;
    // One step per frame: without drawing a frame costs nothing, and limits,
    // statistics and Ctrl-C are then handled after every single step.
    run.w->settings.stepsPerFrame = 1;
    const bool goesOn = run.run->frame(pause);
    reportProgress(run, false);
    if (!goesOn)
        dsStop();
}

void headlessStart()
{
    startCallback(current->w->sim);
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
        ageBirthMarkers(current->w->view.birthMarkers, current->w->view.timeDelta);
}

} // namespace

int runHeadless(World& w, const RunOptions& options, std::ostream& progress, int argc, char** argv,
                RunOutputs* outputs)
{
    ProgramRun program(w, options, outputs);
    HeadlessRun run;
    run.w = &w;
    run.run = &program;
    run.progress = &progress;
    run.tty = (&progress == &std::cerr && isatty(STDERR_FILENO)) ||
              (&progress == &std::cout && isatty(STDOUT_FILENO));
    run.userStepsPerFrame = std::max(1, w.settings.stepsPerFrame);
    run.started = run.lastProgress = run.lastRateTime = SteadyClock::now();

    // No pacing and no skip-render budget: every frame runs its steps at once.
    const float savedFps = w.driver.targetFps;
    const std::uint8_t savedSkip = w.driver.skipRender;
    w.driver.targetFps = 0.0f;
    w.driver.skipRender = 0;

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
    dsSimulationLoop(argc, argv, w.view.windowWidth, w.view.windowHeight, &fn);
    current = nullptr;

    w.driver.targetFps = savedFps;
    w.driver.skipRender = savedSkip;
    w.settings.stepsPerFrame = run.userStepsPerFrame;

    reportProgress(run, true);
    if (run.tty)
        progress << '\n';

    program.summary(progress, false);
    return 0;
}
