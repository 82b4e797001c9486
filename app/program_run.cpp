#include "app/program_run.h"

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <fstream>
#include <ostream>
#include <sstream>

#include "base/interrupt.h"
#include "app/run_outputs.h"
#include "app/step_driver.h"
#include "persist/creature_file.h"
#include "persist/creature_save.h"

long long stepLimit(const World& w, const RunOptions& options)
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

ProgramRun::ProgramRun(World& w, const RunOptions& options, RunOutputs* outputs)
    : w_(w), outputs_(outputs), totalSteps_(stepLimit(w, options)),
      startTime_(w.sim.time), started_(std::chrono::steady_clock::now())
{
    if (!options.showCreatureFile.empty()) {
        shownFile_ = options.showCreatureFile;
        std::ifstream in(shownFile_, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        shownContents_ = bytes.str();
    }
}

bool ProgramRun::done() const
{
    return interruptRequested() || (totalSteps_ >= 0 && stepsDone_ >= totalSteps_);
}

bool ProgramRun::frame(int pause)
{
    if (prepareFrame(pause))
        runFrameSteps();
    return finishFrame();
}

bool ProgramRun::prepareFrame(int pause)
{
    over_ = done();
    if (over_)
        return false;
    stepsBefore_ = w_.sim.counters.steps;
    timeBefore_ = w_.sim.time;
    skipping_ = w_.driver.skipRender != 0;
    // A frame of several steps (or of skip-render) stops at the step limit.
    if (totalSteps_ >= 0)
        w_.driver.stepCap = totalSteps_ - stepsDone_;
    return prepareSteps(w_, pause);
}

void ProgramRun::runFrameSteps()
{
    runSteps(w_);
}

bool ProgramRun::finishFrame()
{
    if (over_)
        return false;
    if (totalSteps_ >= 0)
        w_.driver.stepCap = -1;
    const long long steps = w_.sim.counters.steps - stepsBefore_;
    stepsDone_ += steps;
    if (steps > 0) {
        ++frames_;
        if (skipping_) {
            ++skippedFrames_;
            skippedSeconds_ += w_.sim.time - timeBefore_;
        }
    }
    if (outputs_)
        outputs_->afterFrame(w_);
    // The creature shown alone comes back when it has died.
    if (!shownContents_.empty() && w_.sim.population.empty()) {
        try {
            const OrbitCamera& c = w_.view.mainCamera;
            loadCreatureFileContents(w_.sim, w_.settings, shownFile_, shownContents_,
                                     PlacePoint{c.target[0], c.target[1]}, Arrival::Shown);
        } catch (const std::string&) {
            shownContents_.clear();
        }
    }
    return !done();
}

double ProgramRun::wallSeconds() const
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
}

void ProgramRun::summary(std::ostream& out, bool windowed) const
{
    const LifeCounters& c = w_.sim.counters;
    out << (interruptRequested() ? "interrupted" : "finished") << " after " << stepsDone_
        << " steps (" << std::fixed << std::setprecision(1) << w_.sim.time
        << " simulated s) in " << wallSeconds() << " s\n";
    if (windowed)
        out << "  frames drawn " << frames_ << ", " << skippedFrames_
            << " of them with the drawing skipped (" << skippedSeconds_ << " simulated s)\n";
    out << "  population " << w_.sim.population.size() << ", foods on the ground "
        << w_.sim.foods.foods.size() << "\n"
        << "  foods eaten " << c.foodsEaten << ", births " << c.births << ", refills " << c.refills
        << "\n"
        << "  deaths: starved " << c.deathsStarved << ", fallen " << c.deathsFallen
        << " (non-finite or far-off bodies " << c.nonFinite << ")\n"
        << learningSummary(w_, startTime_);
    out.unsetf(std::ios::fixed);
}
