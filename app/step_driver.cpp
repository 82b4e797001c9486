#include "app/step_driver.h"

#include "ecology/arena.h"
#include "ecology/simulation_step.h"
#include "ui/creature_file_loads.h"
#include "ui/mouse.h"
#include "ui/request_runner.h"
#include "ui/view_setup.h"

void stepWorld(World& w, StepParts parts)
{
    applyDragForce(w);
    simulationStep(w.sim, w.settings, parts);
    forgetGoneCreatures(w.view, w.sim);
    takeConceptions(w.view, w.sim);
}

bool prepareSteps(World& w, int pause, long long cap)
{
    // Creature files named in the window come in even while paused.
    loadRequestedCreatureFiles(w);
    if (pause)
        return false;
    if (!runRequests(w))
        return false;

    followViewSettings(w);
    followSettings(w.sim, w.settings);
    return cap != 0;
}

void runSteps(World& w, long long cap)
{
    const double t0 = w.driver.clock.processMs();
    int i = 0;
    for (;;) {
        ++i;
        stepWorld(w);
        if (cap > 0 && i >= cap)
            break;
        if (w.driver.skipRender &&
            w.driver.skipRenderBudget > (w.driver.clock.processMs() - t0) / 1000.0)
            continue;
        if (w.settings.stepsPerFrame > i)
            continue;
        break;
    }
}

void stepDriver(World& w, int pause, long long cap)
{
    if (prepareSteps(w, pause, cap))
        runSteps(w, cap);
}
