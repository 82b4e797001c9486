#include "app/program_run.h"

#include <iomanip>
#include <ostream>
#include <sstream>

#include "app/step_driver.h"
#include "run/run_outputs.h"
#include "ui/autosave_message.h"

ProgramRun::ProgramRun(World& w, const RunOptions& options, RunOutputs* outputs)
    : w_(w), run_(w, options, outputs)
{
    if (outputs)
        showAutosaveFailures(w, *outputs);
}

bool ProgramRun::prepare(int pause)
{
    over_ = done();
    if (over_)
        return false;
    stepsBefore_ = w_.sim.counters.steps;
    timeBefore_ = w_.sim.time;
    skipping_ = w_.driver.skipRender != 0;
    // A frame of several steps (or of skip-render) stops at the step limit.
    cap_ = run_.stepsLeft();
    return prepareSteps(w_, pause, cap_);
}

void ProgramRun::steps()
{
    runSteps(w_, cap_);
}

bool ProgramRun::finish()
{
    if (over_)
        return false;
    const long long steps = w_.sim.counters.steps - stepsBefore_;
    if (steps > 0) {
        ++frames_;
        if (skipping_) {
            ++skippedFrames_;
            skippedSeconds_ += w_.sim.time - timeBefore_;
        }
    }
    // The creature shown alone comes back under the camera's target.
    const OrbitCamera& c = w_.view.mainCamera;
    run_.afterSteps(steps, PlacePoint{c.target[0], c.target[1]});
    return !done();
}

void ProgramRun::summary(std::ostream& out) const
{
    std::ostringstream frames;
    frames << std::fixed << std::setprecision(1) << "  frames drawn " << frames_ << ", "
           << skippedFrames_ << " of them with the drawing skipped (" << skippedSeconds_
           << " simulated s)\n";
    run_.summary(out, frames.str());
}
