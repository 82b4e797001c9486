#include "run/headless_run.h"

#include <unistd.h>

#include <chrono>
#include <iomanip>
#include <iostream>
#include <sstream>

#include "base/duration_text.h"
#include "ecology/learning_rule.h"
#include "ecology/physics_setup.h"
#include "run/world_run.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

// The progress line of a run: its place in the run, its speed, the world.
struct Progress {
    std::ostream* out = nullptr;
    bool tty = false;
    SteadyClock::time_point lastProgress;
    long long stepsAtLastProgress = 0;
    SteadyClock::time_point lastRateTime;
    double stepsPerSecond = 0.0;
};

void reportProgress(Progress& p, const WorldRun& run, const RunWorld& w, bool force)
{
    const auto now = SteadyClock::now();
    const double sinceLast = std::chrono::duration<double>(now - p.lastProgress).count();
    const double interval = p.tty ? 0.5 : 10.0;
    if (!force && sinceLast < interval)
        return;
    const double rateWindow = std::chrono::duration<double>(now - p.lastRateTime).count();
    if (rateWindow > 0)
        p.stepsPerSecond = (run.stepsDone() - p.stepsAtLastProgress) / rateWindow;
    p.stepsAtLastProgress = run.stepsDone();
    p.lastRateTime = now;
    p.lastProgress = now;

    std::ostringstream line;
    line << std::fixed << std::setprecision(1);
    const long long total = run.totalSteps(), done = run.stepsDone();
    if (total > 0) {
        const double fraction = static_cast<double>(done) / total;
        const double left = p.stepsPerSecond > 0 ? (total - done) / p.stepsPerSecond : -1.0;
        line << std::setw(5) << fraction * 100 << "%  left " << formatDuration(left) << "  ";
    }
    line << "sim " << formatDuration(w.sim.time) << "  "
         << static_cast<long long>(p.stepsPerSecond) << " steps/s  population "
         << w.sim.population.size() << "  foods " << w.sim.foods.foods.size() << "  born "
         << w.sim.counters.births << "  eaten " << w.sim.counters.foodsEaten;
    if (w.settings.learningRule != LearningRuleId::Original)
        line << "  learning " << learningRule(w.settings.learningRule).name;
    if (w.settings.physics != PhysicsSetupId::Classic)
        line << "  physics " << physicsSetup(w.settings.physics).name;
    if (p.tty)
        *p.out << '\r' << line.str() << "\033[K" << std::flush;
    else
        *p.out << line.str() << '\n' << std::flush;
}

} // namespace

int runHeadless(RunWorld& w, const RunOptions& options, std::ostream& progress,
                RunOutputs* outputs)
{
    WorldRun run(w, options, outputs);
    Progress p;
    p.out = &progress;
    p.tty = (&progress == &std::cerr && isatty(STDERR_FILENO)) ||
            (&progress == &std::cout && isatty(STDOUT_FILENO));
    p.lastProgress = p.lastRateTime = SteadyClock::now();

    while (!run.done()) {
        stepRunWorld(w);
        // No camera moves without a window: the creature shown alone comes
        // back at the middle of the ground.
        run.afterSteps(1, PlacePoint{0.0, 0.0});
        reportProgress(p, run, w, false);
    }

    reportProgress(p, run, w, true);
    if (p.tty)
        progress << '\n';
    run.summary(progress);
    return 0;
}
