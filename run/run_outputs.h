// What a run writes besides the world itself, the same in the window and
// headless: the statistics file, the lineage log, the champions of every
// hour and the autosaves.
#pragma once
#ifndef CREATURES_FLOOR_RUN
#error "run/ is for run/ and the floors above it"
#endif

#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "run/champions.h"
#include "run/run_options.h"
#include "run/run_world.h"

// Simulated seconds between autosaves in the window when --autosave is not
// given; headless runs autosave only when asked.
constexpr double kWindowAutosaveSeconds = 600.0;

class RunOutputs {
public:
    // Does nothing until open.
    RunOutputs() = default;
    ~RunOutputs();
    RunOutputs(const RunOutputs&) = delete;
    RunOutputs& operator=(const RunOutputs&) = delete;

    // Opens the files the options name and starts receiving the world's
    // samples and life events. False with `error` set when a file cannot be
    // opened.
    bool open(RunWorld& w, const RunOptions& options, bool windowed, std::string& error);

    // After the steps of a frame, or after every step of a run without a
    // window: the champions, and an autosave when a whole interval of
    // simulated time has passed since the last one, or since the world the
    // run started with or was made anew (Init, a load) at a time of its own.
    // A failed autosave is reported (on standard error, and to the handler
    // of failures when there is one) and the run goes on.
    void afterSteps(RunWorld& w);

    // Hands each autosave (the world and the number of its interval) to
    // `save` instead of saving the world into its folder: an archipelago
    // saves its islands together.
    using AutosaveHandler = std::function<void(RunWorld& w, long long period)>;
    void handAutosaves(AutosaveHandler save) { autosaveHandler_ = std::move(save); }
    // Tells `say` why an autosave failed (the window shows it).
    void reportAutosaveFailures(std::function<void(const std::string& why)> say)
    {
        autosaveFailed_ = std::move(say);
    }

    // At the end of the run: the closing statistics line, then the files are
    // closed and the world no longer reports to them.
    void finish(RunWorld& w);

    // Whether writing the statistics or the lineage file failed (a full
    // disk, the file-size limit): "cannot write:" and the path was said once,
    // that file is written no further, and the run ends with a failure
    // status.
    bool writeFailed() const
    {
        return writeFailed_ || (champions_ && champions_->writeFailed());
    }

private:
    RunWorld* world_ = nullptr;
    // Writes a line to one of the files and flushes it; the first failure is
    // reported and the file given up.
    void write(std::ofstream& file, const std::string& path, const std::string& line);

    std::ofstream stats_;
    std::ofstream lineage_;
    std::string statsPath_;
    std::string lineagePath_;
    bool writeFailed_ = false;
    std::unique_ptr<ChampionKeeper> champions_;
    AutosaveHandler autosaveHandler_;
    std::function<void(const std::string&)> autosaveFailed_;
    double autosaveSeconds_ = 0.0;
    long long lastAutosavePeriod_ = 0;
    double autosaveOrigin_ = 0.0; // the world's time when it started or was made anew
    long long restarts_ = 0; // the world's restarts when the period was taken
    std::string autosaveFolder_ = kAutosaveFolder;
};

// The closing line of a headless run's summary: the mean progress of the
// first and the last tenth of the run (from `start` to the current time).
std::string learningSummary(const RunWorld& w, double start);
