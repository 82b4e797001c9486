// What every run of one world does around its steps, with a window or
// without one: the step limit of --steps or --seconds, the counting of the
// steps, the outputs after them, the creature shown alone brought back when
// it has died, and the closing summary.
#pragma once
#ifndef CREATURES_FLOOR_RUN
#error "run/ is for run/ and the floors above it"
#endif

#include <chrono>
#include <iosfwd>
#include <string>

#include "persist/creature_save.h"
#include "run/run_options.h"
#include "run/run_world.h"

class RunOutputs;

// Number of steps a run is limited to by --steps or --seconds; -1 for none.
long long stepLimit(const RunWorld& w, const RunOptions& options);

// One step of a world without a window: the arena and gravity follow the
// settings (a changed ground size, say), then the simulation step.
void stepRunWorld(RunWorld& w);

class WorldRun {
public:
    WorldRun(RunWorld& w, const RunOptions& options, RunOutputs* outputs);

    // True once the step limit is reached or Ctrl-C has arrived.
    bool done() const;
    // Steps left before the limit, -1 when there is none.
    long long stepsLeft() const;

    // After `steps` steps of the world (none while paused): counts them,
    // then the outputs, then the creature shown alone comes back at `shownAt`
    // when it has died.
    void afterSteps(long long steps, PlacePoint shownAt);

    long long stepsDone() const { return stepsDone_; }
    long long totalSteps() const { return totalSteps_; }
    double wallSeconds() const;

    // The closing lines: how the run ended, how long it took, then `extra`
    // (the window's frames, say), the world and its life events, the
    // learning summary.
    void summary(std::ostream& out, const std::string& extra = std::string()) const;

private:
    RunWorld& w_;
    RunOutputs* outputs_;
    long long totalSteps_ = -1; // -1: until interrupted or the window closes
    long long stepsDone_ = 0;
    double startTime_ = 0.0; // simulated seconds at the start
    std::chrono::steady_clock::time_point started_;
    // The creature shown alone (--show-creature): the file's contents, read
    // at the start.
    std::string shownFile_;
    std::string shownContents_;
};
