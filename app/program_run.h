// What every run of the program does around the step driver, in the window
// and headless alike: the step limit of --steps or --seconds, the counting
// of steps and frames, the outputs after every frame and the closing
// summary.
#pragma once
#ifndef CREATURES_FLOOR_APP
#error "app/ is for app/ and the floors above it"
#endif

#include <chrono>
#include <iosfwd>

#include "app/options.h"
#include "ui/world.h"

class RunOutputs;

// Number of steps a run is limited to by --steps or --seconds; -1 for none.
long long stepLimit(const World& w, const RunOptions& options);

class ProgramRun {
public:
    ProgramRun(World& w, const RunOptions& options, RunOutputs* outputs);

    // True once the step limit is reached or Ctrl-C has arrived.
    bool done() const;

    // One frame of the loop: the step driver, then the outputs. Returns
    // false when the run is over (before or after the frame), so the caller
    // stops the loop.
    bool frame(int pause);
    // The frame in three parts, so that the steps can run on another thread
    // (see prepareSteps): the part before the steps, true when steps
    // follow; the steps; the part after them, returning what frame
    // returns.
    bool prepareFrame(int pause);
    void runFrameSteps();
    bool finishFrame();

    long long stepsDone() const { return stepsDone_; }
    long long totalSteps() const { return totalSteps_; }
    double wallSeconds() const;

    // The closing lines: how the run ended, how long it took, the world and
    // its life events, the learning summary; for a windowed run also the
    // frames drawn and how many of them skipped the drawing.
    void summary(std::ostream& out, bool windowed) const;

private:
    World& w_;
    RunOutputs* outputs_;
    long long totalSteps_ = -1; // -1: until interrupted or the window closes
    long long stepsDone_ = 0;
    double startTime_ = 0.0; // simulated seconds at the start
    std::chrono::steady_clock::time_point started_;
    // The creature shown alone (--show-creature), brought back when it has
    // died: the file's contents, read at the start.
    std::string shownFile_;
    std::string shownContents_;
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
};
