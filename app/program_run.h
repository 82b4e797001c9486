// A run in the window: the run of its world (the step limit, the outputs,
// the closing summary) around the step driver's frames, with the counting
// of the frames and of those that skipped the drawing.
#pragma once
#ifndef CREATURES_FLOOR_APP
#error "app/ is for app/ and the floors above it"
#endif

#include <chrono>
#include <iosfwd>

#include "app/options.h"
#include "app/shown_run.h"
#include "run/world_run.h"
#include "ui/world.h"

class RunOutputs;

class ProgramRun final : public ShownRun {
public:
    ProgramRun(World& w, const RunOptions& options, RunOutputs* outputs);

    // True once the step limit is reached or Ctrl-C has arrived.
    bool done() const { return run_.done(); }

    // A frame: the step driver's part before the steps (see prepareSteps),
    // true when steps follow; the steps; then the outputs, false when the
    // run is over (before or after the frame), so the loop stops.
    bool prepare(int pause) override;
    void steps() override;
    bool finish() override;
    World& shown() override { return w_; }

    long long stepsDone() const { return run_.stepsDone(); }
    long long totalSteps() const { return run_.totalSteps(); }

    // The closing lines of the run, with the frames drawn and how many of
    // them skipped the drawing.
    void summary(std::ostream& out) const;

private:
    World& w_;
    WorldRun run_;
    // Frames that ran steps, and those of them with "Skip Render(x)" on and
    // the simulated time they covered.
    long long frames_ = 0;
    long long skippedFrames_ = 0;
    double skippedSeconds_ = 0.0;
    // The frame under way: whether the run was over at its start, and the
    // steps, time and skip-render setting it began with.
    bool over_ = false;
    long long stepsBefore_ = 0;
    double timeBefore_ = 0.0;
    bool skipping_ = false;
    long long cap_ = -1; // the most steps the frame may take, -1: no limit
};
