#include "run/run_outputs.h"

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <vector>

#include "persist/save_all.h"

namespace {

long long periodOf(double time, double interval)
{
    if (!(interval > 0) || !(time >= 0) || time / interval > 1e15)
        return 0;
    return static_cast<long long>(std::floor(time / interval));
}

} // namespace

RunOutputs::~RunOutputs()
{
    if (world_) {
        world_->sim.statistics.clearSinks();
        world_->sim.lifeEvents = nullptr;
    }
}

bool RunOutputs::open(RunWorld& w, const RunOptions& options, bool windowed, std::string& error)
{
    world_ = &w;
    // A file named by an option, created with its header line.
    auto create = [&](std::ofstream& file, const std::string& name, const std::string& header) {
        file.open(name, std::ios::out | std::ios::trunc);
        if (!file) {
            error = "cannot open:" + name;
            return false;
        }
        write(file, name, header);
        return true;
    };
    if (!options.statsFile.empty()) {
        statsPath_ = options.statsFile;
        if (!create(stats_, statsPath_, statsCsvHeader()))
            return false;
        // A world loaded with its statistics goes on from them: the kept
        // samples of the run so far come first.
        for (const StatsSample& s : w.sim.statistics.history())
            write(stats_, statsPath_, statsCsvLine(s));
        // Flushed row by row, so a killed run leaves whole rows.
        w.sim.statistics.addSink(
            [this](const StatsSample& s) { write(stats_, statsPath_, statsCsvLine(s)); });
    }
    if (!options.lineageFile.empty()) {
        lineagePath_ = options.lineageFile;
        if (!create(lineage_, lineagePath_, lineageLogHeader()))
            return false;
        w.sim.lifeEvents = [this](const LifeEvent& e) {
            write(lineage_, lineagePath_, lineageLogLine(e));
        };
    }
    if (!options.championsDir.empty()) {
        // The folder is made now (its parent was checked at the start); one
        // another process makes at the same time is as good.
        struct stat st;
        if (::mkdir(options.championsDir.c_str(), 0777) != 0 &&
            !(errno == EEXIST && ::stat(options.championsDir.c_str(), &st) == 0 &&
              S_ISDIR(st.st_mode))) {
            error = "cannot open:" + options.championsDir;
            return false;
        }
        // Champions of the hours this run writes, and later ones, are of
        // another run: they go, said, before the run writes its own.
        const std::vector<std::string> older = championsFrom(options.championsDir, w.sim.time);
        if (!older.empty()) {
            if (!removeChampionsFrom(options.championsDir, w.sim.time, error))
                return false;
            std::cerr << "creatures: " << older.size() << " champion file"
                      << (older.size() > 1 ? "s" : "") << " of an earlier run in "
                      << options.championsDir << " (" << older.front()
                      << (older.size() > 1 ? " to " + older.back() : std::string())
                      << ") removed; this run writes its own" << std::endl;
        }
        champions_ = std::make_unique<ChampionKeeper>(options.championsDir);
    }
    autosaveFolder_ = options.autosaveFolder;
    autosaveSeconds_ = options.autosaveSeconds >= 0 ? options.autosaveSeconds
                       : windowed                   ? kWindowAutosaveSeconds
                                                    : 0.0;
    // The intervals count from the world's time at the start: a loaded world
    // waits a whole one, as a fresh world does from 0.
    autosaveOrigin_ = w.sim.time;
    lastAutosavePeriod_ = 0;
    restarts_ = w.sim.restarts;
    return true;
}

void RunOutputs::afterSteps(RunWorld& w)
{
    if (champions_)
        champions_->afterSteps(w);
    if (!(autosaveSeconds_ > 0))
        return;
    // A world made anew (Init, a load) waits a whole interval for its first
    // autosave: it is not saved over the one before at once.
    if (w.sim.restarts != restarts_) {
        restarts_ = w.sim.restarts;
        autosaveOrigin_ = w.sim.time;
        lastAutosavePeriod_ = 0;
        return;
    }
    const long long period = periodOf(w.sim.time - autosaveOrigin_, autosaveSeconds_);
    if (period == lastAutosavePeriod_)
        return;
    lastAutosavePeriod_ = period;
    if (autosaveHandler_) {
        autosaveHandler_(w, period);
        return;
    }
    try {
        saveAll(w.sim, w.settings, autosaveFolder_);
    } catch (const std::string& text) {
        // saveAll has written the reason to standard error.
        std::cerr << "creatures: the autosave failed; the run goes on\n";
        if (autosaveFailed_)
            autosaveFailed_(text);
    }
}

void RunOutputs::write(std::ofstream& file, const std::string& path, const std::string& line)
{
    if (!file.is_open())
        return;
    file << line << std::flush;
    if (file)
        return;
    std::cerr << "cannot write:" << path << std::endl;
    writeFailed_ = true;
    file.close();
}

void RunOutputs::finish(RunWorld& w)
{
    if (champions_)
        champions_->finish(w);
    write(stats_, statsPath_, statsCsvLine(w.sim.statistics.sampleNow(w.sim)));
    for (std::ofstream* file : {&stats_, &lineage_}) {
        if (!file->is_open())
            continue;
        file->close();
        if (file->fail()) {
            std::cerr << "cannot write:" << (file == &stats_ ? statsPath_ : lineagePath_)
                      << std::endl;
            writeFailed_ = true;
        }
    }
    w.sim.statistics.clearSinks();
    w.sim.lifeEvents = nullptr;
    world_ = nullptr;
}

std::string learningSummary(const RunWorld& w, double start)
{
    const double end = w.sim.time;
    const double tenth = (end - start) / 10.0;
    std::ostringstream o;
    o << std::fixed << std::setprecision(4);
    if (!(tenth > 0) || w.sim.statistics.history().size() < 2) {
        o << "  mean progress: too short a run to compare\n";
        return o.str();
    }
    const double first = w.sim.statistics.meanProgressBetween(start, start + tenth);
    const double last = w.sim.statistics.meanProgressBetween(end - tenth, end);
    o << "  mean progress per cycle: first tenth " << first << ", last tenth " << last;
    if (first > 0)
        o << std::setprecision(2) << " (x" << last / first << ")";
    o << "\n";
    return o.str();
}
