#include "run/world_run.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iomanip>
#include <ostream>
#include <sstream>

#include "base/interrupt.h"
#include "ecology/arena.h"
#include "ecology/simulation_step.h"
#include "persist/creature_file.h"
#include "run/run_outputs.h"

long long stepLimit(const RunWorld& w, const RunOptions& options)
{
    if (options.steps >= 0)
        return options.steps;
    if (options.seconds < 0)
        return -1;
    // Whole steps covering the time; a time that is a whole number of steps
    // up to rounding (1800 s is 60000 steps of the single-precision 0.03)
    // takes exactly that number.
    const double x = options.seconds / w.sim.stepSize;
    long long steps = std::llround(x);
    if (std::fabs(x - static_cast<double>(steps)) > 1e-6 * std::max(1.0, x))
        steps = static_cast<long long>(std::ceil(x));
    return steps;
}

void stepRunWorld(RunWorld& w)
{
    followSettings(w.sim, w.settings);
    simulationStep(w.sim, w.settings);
}

WorldRun::WorldRun(RunWorld& w, const RunOptions& options, RunOutputs* outputs)
    : w_(w), outputs_(outputs), totalSteps_(stepLimit(w, options)), startTime_(w.sim.time),
      started_(std::chrono::steady_clock::now())
{
    if (!options.showCreatureFile.empty()) {
        shownFile_ = options.showCreatureFile;
        std::ifstream in(shownFile_, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        shownContents_ = bytes.str();
    }
}

bool WorldRun::done() const
{
    return interruptRequested() || (totalSteps_ >= 0 && stepsDone_ >= totalSteps_);
}

long long WorldRun::stepsLeft() const
{
    return totalSteps_ < 0 ? -1 : std::max(0LL, totalSteps_ - stepsDone_);
}

void WorldRun::afterSteps(long long steps, PlacePoint shownAt)
{
    stepsDone_ += steps;
    if (outputs_)
        outputs_->afterSteps(w_);
    if (shownContents_.empty() || !w_.sim.population.empty())
        return;
    try {
        loadCreatureFileContents(w_.sim, w_.settings, shownFile_, shownContents_, shownAt,
                                 Arrival::Shown);
    } catch (const std::string&) {
        shownContents_.clear();
    }
}

double WorldRun::wallSeconds() const
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
}

void WorldRun::summary(std::ostream& out, const std::string& extra) const
{
    const LifeCounters& c = w_.sim.counters;
    out << (interruptRequested() ? "interrupted" : "finished") << " after " << stepsDone_
        << " steps (" << std::fixed << std::setprecision(1) << w_.sim.time
        << " simulated s) in " << wallSeconds() << " s\n"
        << extra << "  population " << w_.sim.population.size() << ", foods on the ground "
        << w_.sim.foods.foods.size() << "\n"
        << "  foods eaten " << c.foodsEaten << ", births " << c.births << ", refills " << c.refills
        << "\n"
        << "  deaths: starved " << c.deathsStarved << ", fallen " << c.deathsFallen
        << " (non-finite or far-off bodies " << c.nonFinite << ")\n"
        << learningSummary(w_, startTime_);
    out.unsetf(std::ios::fixed);
}
