#include "run/archipelago.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <limits>
#include <mutex>
#include <cmath>
#include <exception>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <thread>

#include <ode/ode.h>

#include "run/run_paths.h"
#include "run/world_run.h"
#include "run/world_setup.h"
#include "base/duration_text.h"
#include "base/interrupt.h"
#include "ecology/physics_world.h"
#include "persist/creature_file.h"
#include "persist/creature_save.h"
#include "persist/save_all.h"
#include "persist/save_folder.h"

std::uint32_t islandSeed(std::uint32_t seed, int island)
{
    return seed + static_cast<std::uint32_t>(island - 1) * 1000003u;
}

std::string islandFileName(const std::string& name, int island)
{
    const std::size_t slash = name.rfind('/');
    const std::size_t dot = name.rfind('.');
    const std::string tag = "-island" + std::to_string(island);
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash) || dot == 0 ||
        dot == slash + 1)
        return name + tag;
    return name.substr(0, dot) + tag + name.substr(dot);
}

namespace {

std::string islandFolder(const std::string& folder, int island)
{
    return folder + "/island-" + std::to_string(island);
}

bool isFolder(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A folder for islands' folders: made when missing (its parent was checked
// at the start); one another process makes at the same time is as good.
bool makeFolder(const std::string& folder)
{
    return ::mkdir(folder.c_str(), 0777) == 0 || (errno == EEXIST && isFolder(folder));
}

} // namespace

RunOptions islandOptions(const RunOptions& options, int island)
{
    RunOptions o = options;
    for (const RunPath& p : runPaths()) {
        std::string& path = o.*p.field;
        if (path.empty() || p.island == IslandPath::Shared)
            continue;
        path = p.island == IslandPath::Numbered ? islandFileName(path, island)
                                                : islandFolder(path, island);
    }
    return o;
}

int savedIslands(const std::string& folder)
{
    try {
        const SaveLayout layout = readSaveLayout(folder);
        return layout.archipelago ? layout.header.islands : 0;
    } catch (const std::string&) {
        return -1; // said on standard error
    }
}

std::string chooseMigrant(const RunWorld& w)
{
    const std::vector<FameEntry>& best = w.sim.hallOfFame.entries();
    if (best.empty())
        return std::string();
    const FameEntry& e = best.front();
    if (e.agent)
        return encodeCreatureFile(*e.agent, w.settings);
    if (e.kept.record)
        return encodeCreatureFile(*e.kept.record, e.kept.pose, w.settings);
    return std::string();
}

bool takeInMigrant(RunWorld& w, const std::string& contents, int from)
{
    try {
        loadCreatureFileContents(w.sim, w.settings, "migrant from island " + std::to_string(from),
                                 contents, PlacePoint{0.0, 0.0});
    } catch (const std::string&) {
        return false;
    }
    w.sim.family.cameFrom(w.sim.population.back().creatureId, FamilyMember::Migrant, from);
    return true;
}

Archipelago::~Archipelago()
{
    // Not while an exception (running out of memory) passes: a world may be
    // in the middle of a step then.
    if (std::uncaught_exceptions() > 0)
        return;
    for (auto& island : islands_)
        shutDownPhysics(island->world->sim);
}

RunWorld& Archipelago::island(int i)
{
    return *islands_[static_cast<std::size_t>(i)]->world;
}

int Archipelago::number(int i) const
{
    return islands_[static_cast<std::size_t>(i)]->number;
}

bool Archipelago::build(const RunOptions& options, std::uint32_t seed, int first, int count,
                        int total, bool windowed, const WorldMaker& makeWorld)
{
    options_ = options;
    first_ = first;
    total_ = total;
    seed_ = seed;
    migrateEvery_ = options.migrateEvery;
    // The islands of a saved archipelago, checked as one save and read
    // under its lock.
    SaveLayout saved;
    if (!options.loadAllDir.empty()) {
        try {
            saved = readSaveLayout(options.loadAllDir);
        } catch (const std::string&) {
            return false; // said on standard error
        }
        if (!saved.archipelago || saved.header.islands < first + count - 1) {
            std::cerr << "creatures: " << options.loadAllDir << " holds no archipelago of "
                      << total << " islands; the run does not start" << std::endl;
            return false;
        }
    }
    // The folders the islands write their own folders into.
    for (const RunPath& p : runPaths()) {
        const std::string& folder = options.*p.field;
        if (p.written && p.island == IslandPath::Inside && !folder.empty() && !makeFolder(folder)) {
            std::cerr << "cannot open:" << folder << std::endl;
            return false;
        }
    }
    for (int i = first; i < first + count; ++i) {
        auto island = std::make_unique<Island>();
        island->number = i;
        island->world = makeWorld ? makeWorld() : std::make_unique<RunWorld>();
        island->options = islandOptions(options, i);
        if (!options.loadAllDir.empty())
            island->options.loadAllDir = saved.islandFolders[static_cast<std::size_t>(i - 1)];
        RunWorld& w = *island->world;
        const std::uint32_t s = islandSeed(seed, i);
        w.sim.random.seed(s);
        if (!prepareWorld(w, island->options, s,
                          options.loadAllDir.empty() ? std::string() : island->options.loadAllDir))
            return false;
        std::string error;
        if (!island->outputs.open(w, island->options, windowed, error)) {
            std::cerr << error << "\n";
            return false;
        }
        Island* kept = island.get();
        island->outputs.handAutosaves(
            [this, kept](RunWorld&, long long period) { keepAutosave(*kept, period); });
        publish(*island, 0);
        islands_.push_back(std::move(island));
    }
    const int cores = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    threads_ = std::max(1, std::min(islandCount(), options.threads > 0 ? options.threads : cores));
    arriving_.assign(islands_.size(), std::string());
    if (!ring_)
        ring_ = [](const std::vector<std::string>& chosen) {
            std::vector<std::string> arriving(chosen.size());
            for (std::size_t i = 0; i < chosen.size(); ++i)
                arriving[i] = chosen[(i + chosen.size() - 1) % chosen.size()];
            return arriving;
        };
    return true;
}

long long Archipelago::stepIsland(int i, long long steps)
{
    Island& island = *islands_[static_cast<std::size_t>(i)];
    RunWorld& w = *island.world;
    long long s = 0;
    for (; s < steps && !interruptRequested(); ++s) {
        stepRunWorld(w);
        if (watchSteps_)
            watchSteps_(i);
        island.outputs.afterSteps(w);
        publish(island, 1);
    }
    return s;
}

long long Archipelago::epochSteps() const
{
    if (migrateEvery_ <= 0 || total_ < 2 || islands_.empty())
        return -1;
    return std::max(1LL, std::llround(migrateEvery_ / islands_.front()->world->sim.stepSize));
}

long long Archipelago::startStep()
{
    if (startStep_ < 0)
        startStep_ = std::llround(island(0).sim.time / island(0).sim.stepSize);
    return startStep_;
}

void Archipelago::publish(Island& island, long long steps)
{
    const RunWorld& w = *island.world;
    island.time.store(w.sim.time, std::memory_order_relaxed);
    island.population.store(static_cast<long long>(w.sim.population.size()),
                            std::memory_order_relaxed);
    island.stepsDone.fetch_add(steps, std::memory_order_release);
}

void Archipelago::addSteps(int i, long long steps)
{
    publish(*islands_[static_cast<std::size_t>(i)], steps);
}

void Archipelago::stepAll(long long steps, const std::function<void()>& meanwhile)
{
    // The threads take islands in turn until none is left; the calling
    // thread watches them, waking now and then for `meanwhile`.
    std::atomic<int> next{0};
    std::mutex mutex;
    std::condition_variable finished;
    int running = threads_;
    auto work = [&] {
        usePhysicsOnThisThread();
        for (int i = next++; i < islandCount(); i = next++)
            stepIsland(i, steps);
        std::lock_guard<std::mutex> lock(mutex);
        --running;
        finished.notify_all();
    };
    std::vector<std::thread> pool;
    for (int t = 0; t < threads_; ++t)
        pool.emplace_back(work);
    {
        std::unique_lock<std::mutex> lock(mutex);
        while (!finished.wait_for(lock, std::chrono::milliseconds(200),
                                  [&] { return running == 0; })) {
            lock.unlock();
            if (meanwhile)
                meanwhile();
            lock.lock();
        }
    }
    for (std::thread& t : pool)
        t.join();
}

void Archipelago::migrate()
{
    if (total_ < 2)
        return;
    // Every island chooses before any takes in: a migrant goes on at the
    // next epoch at the soonest.
    std::vector<std::string> chosen(islands_.size());
    for (int i = 0; i < islandCount(); ++i)
        chosen[static_cast<std::size_t>(i)] = chooseMigrant(island(i));
    for (int i = 0; i < islandCount(); ++i) {
        const int from = (number(i) + total_ - 2) % total_ + 1;
        const std::string& migrant = arriving_[static_cast<std::size_t>(i)];
        if (!migrant.empty() && !takeInMigrant(island(i), migrant, from))
            std::cerr << "creatures: island " << number(i)
                      << " could not take in the migrant of island " << from << std::endl;
    }
    arriving_ = ring_(chosen);
}


int Archipelago::runHeadless(std::ostream& progress)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point started = Clock::now();
    RunWorld& first = island(0);
    const long long total = stepLimit(first, options_);
    const bool tty = &progress == &std::cerr && ::isatty(STDERR_FILENO);
    // Every line in one write: the processes of an MPI run share the
    // terminal, and their lines must not cut into one another's.
    std::ostringstream header;
    header << "archipelago: " << total_ << " islands, " << islandCount() << " here on " << threads_ << " thread"
           << (threads_ > 1 ? "s" : "") << ", migration "
           << (migrateEvery_ > 0 ? "every " + formatDuration(migrateEvery_) + " simulated" : "never")
           << "\n";
    progress << header.str() << std::flush;

    // Read from the islands' counters while their threads step them.
    long long reported = -1;
    auto report = [&](bool last) {
        long long steps = 0, population = 0;
        int slowest = 0;
        for (int i = 0; i < islandCount(); ++i) {
            const Island& s = *islands_[static_cast<std::size_t>(i)];
            steps += s.stepsDone.load(std::memory_order_acquire);
            population += s.population.load(std::memory_order_relaxed);
            if (s.time.load(std::memory_order_relaxed) <
                islands_[static_cast<std::size_t>(slowest)]->time.load(std::memory_order_relaxed))
                slowest = i;
        }
        reported = steps;
        const Island& slow = *islands_[static_cast<std::size_t>(slowest)];
        const double wall = std::chrono::duration<double>(Clock::now() - started).count();
        std::ostringstream line;
        line << std::fixed << std::setprecision(1);
        if (total > 0)
            line << std::setw(5) << 100.0 * slow.stepsDone.load(std::memory_order_acquire) / total
                 << "%  ";
        line << "sim " << formatDuration(slow.time.load(std::memory_order_relaxed)) << "  "
             << static_cast<long long>(wall > 0 ? steps / wall : 0) << " steps/s  islands "
             << islandCount() << "  population " << population << "  slowest island " << number(slowest);
        // Each line in one write, as the header.
        if (tty)
            progress << '\r' + line.str() + "\033[K" + (last ? "\n" : "") << std::flush;
        else
            progress << line.str() + '\n' << std::flush;
    };

    // Epochs at the multiples of the migration interval, in steps from the
    // run's own start (islands start and stay at one time).
    const long long every = epochSteps();
    const long long start = startStep();
    long long done = 0;
    Clock::time_point lastReport = Clock::now();
    auto reportNow = [&] {
        if (std::chrono::duration<double>(Clock::now() - lastReport).count() > (tty ? 0.5 : 10.0)) {
            report(false);
            lastReport = Clock::now();
        }
    };
    while ((total < 0 || done < total) && !interruptRequested()) {
        // The threads meet at the next epoch or at the end; the processes
        // of an MPI run also every 2000 steps, to agree on their autosaves.
        long long stop = total < 0 ? std::numeric_limits<long long>::max() / 2 : total;
        if (every > 0) {
            const long long atEpoch = ((start + done) / every + 1) * every - start;
            stop = std::min(stop, atEpoch);
        }
        if (collective_)
            stop = std::min(stop, done + 2000);
        stepAll(stop - done, reportNow);
        // The steps every island made (fewer than asked when Ctrl-C came).
        done = stop;
        for (const auto& island : islands_)
            done = std::min(done, island->stepsDone.load(std::memory_order_acquire));
        if (every > 0 && (start + done) % every == 0 && !interruptRequested())
            migrate();
        if (collective_)
            agreeOnAutosave();
        reportNow();
    }
    long long made = 0;
    for (const auto& island : islands_)
        made += island->stepsDone.load(std::memory_order_acquire);
    if (tty || reported != made)
        report(true);
    const double wall = std::chrono::duration<double>(Clock::now() - started).count();
    std::ostringstream closing;
    closing << (interruptRequested() ? "interrupted" : "finished") << " after " << done
            << " steps an island (" << std::fixed << std::setprecision(1) << first.sim.time
            << " simulated s) in " << wall << " s\n";
    closing.unsetf(std::ios::fixed);
    islandLines(closing);
    progress << closing.str() << std::flush;
    return 0;
}

void Archipelago::islandLines(std::ostream& out)
{
    for (int i = 0; i < islandCount(); ++i) {
        const RunWorld& w = island(i);
        out << "  island " << number(i) << ": population " << w.sim.population.size()
            << ", births " << w.sim.counters.births << ", highest generation "
            << w.sim.highestGeneration << "\n";
    }
}

bool Archipelago::finish()
{
    bool done = true;
    for (auto& island : islands_) {
        island->outputs.finish(*island->world);
        if (island->outputs.writeFailed())
            done = false;
        // The island's tree; its save is the archipelago's, below.
        RunOptions own = island->options;
        own.saveAllDir.clear();
        if (!finishWorld(*island->world, own))
            done = false;
    }
    if (!options_.saveAllDir.empty() && !save(options_.saveAllDir))
        done = false;
    return done;
}

ArchipelagoHeader Archipelago::header() const
{
    ArchipelagoHeader h;
    h.islands = total_;
    h.seed = seed_;
    h.migrateEvery = migrateEvery_ > 0 ? migrateEvery_ : 0.0;
    h.time = islands_.empty() ? 0.0 : islands_.front()->world->sim.time;
    return h;
}

bool Archipelago::save(const std::string& folder)
{
    IslandSaves saves;
    for (auto& island : islands_) {
        Simulation& sim = island->world->sim;
        saves.emplace_back(island->number, simulationFiles(sim, island->world->settings));
        sim.extras.populationCount = static_cast<int>(sim.population.size());
    }
    try {
        const std::string left = saveArchipelago(folder, header(), saves, collective_);
        for (std::size_t i = 0; i < saves.size(); ++i)
            std::cout << "write" << std::endl;
        reportUnfinished(folder, left, nullptr);
        return true;
    } catch (const std::string&) {
        std::cerr << "\ncreatures: the archipelago was not saved to " << folder << "\n";
        return false;
    }
}

void Archipelago::keepAutosave(Island& island, long long period)
{
    Simulation& sim = island.world->sim;
    SavedFiles files = simulationFiles(sim, island.world->settings);
    sim.extras.populationCount = static_cast<int>(sim.population.size());
    const std::lock_guard<std::mutex> hold(autosaveMutex_);
    island.autosaves[period] = {sim.time, std::move(files)};
    // An island far ahead of the others (a window's islands without
    // migration) keeps its last few only.
    while (island.autosaves.size() > 4)
        island.autosaves.erase(island.autosaves.begin());
    if (collective_)
        return;
    const long long ready = autosaveReady();
    if (ready > autosaved_)
        writeAutosave(ready);
}

long long Archipelago::autosaveReady() const
{
    if (islands_.empty())
        return 0;
    const auto& first = islands_.front()->autosaves;
    for (auto it = first.rbegin(); it != first.rend(); ++it) {
        bool all = true;
        for (const auto& island : islands_)
            all = all && island->autosaves.count(it->first) > 0;
        if (all)
            return it->first;
    }
    return 0;
}

void Archipelago::writeAutosave(long long period)
{
    IslandSaves saves;
    ArchipelagoHeader h = header();
    for (auto& island : islands_) {
        auto kept = island->autosaves.find(period);
        if (island == islands_.front())
            h.time = kept->second.first;
        saves.emplace_back(island->number, std::move(kept->second.second));
        island->autosaves.erase(island->autosaves.begin(), std::next(kept));
    }
    autosaved_ = period;
    try {
        const std::string left = saveArchipelago(options_.autosaveFolder, h, saves, collective_);
        for (std::size_t i = 0; i < saves.size(); ++i)
            std::cout << "write" << std::endl;
        reportUnfinished(options_.autosaveFolder, left, nullptr);
    } catch (const std::string&) {
        // The reason is on standard error already.
        std::cerr << "creatures: the autosave failed; the run goes on\n";
    }
}

void Archipelago::agreeOnAutosave()
{
    long long ready = 0;
    {
        const std::lock_guard<std::mutex> hold(autosaveMutex_);
        ready = autosaveReady();
    }
    const long long agreed = collective_->smallest(ready);
    if (agreed <= autosaved_)
        return;
    const std::lock_guard<std::mutex> hold(autosaveMutex_);
    bool have = true;
    for (const auto& island : islands_)
        have = have && island->autosaves.count(agreed) > 0;
    if (collective_->smallest(have ? 1 : 0) == 1)
        writeAutosave(agreed);
}
