// An archipelago: several worlds of one experiment, each on a thread of its
// own, that now and then send their best creature to a neighbour.
//
// Island i (from 1) is seeded with the run's seed + (i - 1) * 1000003
// (modulo 2^32), so island 1 is the world a plain run of the seed makes.
// Every island runs as long as --steps or --seconds say. Migration happens at
// fixed simulated times, the multiples of --migrate-every seconds (epochs):
// at each, every island chooses a copy of its best creature by the hall of
// fame's measure (the best score reached, living or dead) for the next
// island of the ring, and takes in the one the island before it chose at the
// epoch before, as a creature loaded from a file is taken in (a new id, its
// family tree member noting the island it came from and its old id), at the
// middle of the ground. All islands reach an epoch before any goes on, so
// the same seed gives the same islands whatever the threads and their timing.
//
// The exchange of migrants is a seam: the islands of one process hand them
// over in memory; islands in several processes (MPI) through a messenger.
#pragma once
#ifndef CREATURES_FLOOR_RUN
#error "run/ is for run/ and the floors above it"
#endif

#include <atomic>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "run/run_options.h"
#include "run/run_outputs.h"
#include "persist/archipelago_save.h"
#include "run/run_world.h"

// The seed of island `island` (from 1) of a run of the seed.
std::uint32_t islandSeed(std::uint32_t seed, int island);

// A file or folder name of an island's output: "run.csv" -> "run-island2.csv",
// "tree.nwk" -> "tree-island2.nwk", "out" -> "out-island2".
std::string islandFileName(const std::string& name, int island);

// The options of one island: every path of runPaths() (run/run_paths.h) as
// the island names it: its own output files and folders (statistics,
// lineage, tree: the island's number in their names; save, champions and
// autosave folders: a folder island-N inside the one named), and its own
// folder of a saved archipelago to load.
RunOptions islandOptions(const RunOptions& options, int island);

// The number of islands a saved archipelago in the folder holds, 0 when it
// holds none (a world's save, say), -1 (said on standard error) when it is
// not one whole save.
int savedIslands(const std::string& folder);

// The best creature of a world by the hall of fame's measure, as the
// contents of a creature file; empty when it has none.
std::string chooseMigrant(const RunWorld& w);
// Takes in a migrant from island `from` (from 1): false, said on standard
// error, when its contents cannot be loaded.
bool takeInMigrant(RunWorld& w, const std::string& contents, int from);

class Archipelago {
public:
    Archipelago() = default;
    // Shuts every island's physics down.
    ~Archipelago();
    Archipelago(const Archipelago&) = delete;
    Archipelago& operator=(const Archipelago&) = delete;

    // How the islands' migrants go round the ring: given the migrant each
    // island of this process chose (in the order of its islands), the one
    // each of them takes in at the next epoch: the choice of the island
    // before it. The islands of one process hand them over in memory; the
    // processes of an MPI run pass them on.
    using Ring = std::function<std::vector<std::string>(const std::vector<std::string>& chosen)>;

    // Makes the world of an island: a window makes worlds it can show.
    using WorldMaker = std::function<std::unique_ptr<RunWorld>()>;

    // Builds `count` islands of an archipelago of `total`, numbered from
    // `first` (prepareWorld each; from their folders of options.loadAllDir
    // when it is given), their outputs as a windowed run's when `windowed`
    // (the window's autosave), their worlds made by `makeWorld` when it is
    // given. False (said) when one cannot be made.
    bool build(const RunOptions& options, std::uint32_t seed, int first, int count, int total,
               bool windowed = false, const WorldMaker& makeWorld = nullptr);
    // The ring of an MPI run in place of the ring in memory.
    void setRing(Ring ring) { ring_ = std::move(ring); }
    // Called on the stepping thread after each step of an island (its index
    // in this process): a window keeps the island's view in line with it.
    using StepWatcher = std::function<void(int i)>;
    void watchSteps(StepWatcher watch) { watchSteps_ = std::move(watch); }
    // The processes that save the archipelago together (an MPI run): its
    // saves and autosaves are then written by all of them at once.
    void setCollective(SaveCollective* collective) { collective_ = collective; }
    // The step the epochs count from: the first island's time, in steps.
    // Islands loaded from saves made at different times keep their own
    // clocks; the processes of an MPI run take the first process's start so
    // that they meet at the same epochs.
    long long startStep();
    void setStartStep(long long step) { startStep_ = step; }

    int islandCount() const { return static_cast<int>(islands_.size()); }
    RunWorld& island(int i);
    // The number of island i of this process in the archipelago (from 1).
    int number(int i) const;

    // The whole run without a window, with a progress line on `progress`.
    // Returns the exit status.
    int runHeadless(std::ostream& progress);

    // A closing line for each island: population, births, highest generation.
    void islandLines(std::ostream& out);

    // Steps island i `steps` steps on the calling thread, with its outputs
    // after each, as a headless run makes them; fewer when Ctrl-C arrives.
    // Returns the steps made.
    long long stepIsland(int i, long long steps);
    // Steps of island i since the start of the run.
    long long stepsDone(int i) const
    {
        return islands_[static_cast<std::size_t>(i)]->stepsDone.load(std::memory_order_acquire);
    }
    // Counts steps island i made elsewhere (the window's frames).
    void addSteps(int i, long long steps);
    RunOutputs& outputs(int i) { return islands_[static_cast<std::size_t>(i)]->outputs; }
    // Steps between migrations, -1 when there are none.
    long long epochSteps() const;
    // The threads the islands may use.
    int threads() const { return threads_; }
    double migrateEvery() const { return migrateEvery_; }
    const RunOptions& options() const { return options_; }
    // The epoch's migration, once every island has reached it: each island
    // takes in the migrant chosen for it at the epoch before and chooses its
    // own for the next. Call it with no island being stepped.
    void migrate();

    // At the end: every island's closing outputs and tree, and the save of
    // the whole archipelago. False when one of them failed.
    bool finish();

    // Saves the archipelago (this process's islands, with the other
    // processes of a collective) into the folder as one save. False, said,
    // when it failed.
    bool save(const std::string& folder);

private:
    struct Island {
        std::unique_ptr<RunWorld> world;
        RunOptions options;
        RunOutputs outputs;
        int number = 1;
        // Steps since the start of the run, the clock and the population,
        // as of the island's last step: the progress line reads them while
        // the island's thread goes on.
        std::atomic<long long> stepsDone{0};
        std::atomic<double> time{0.0};
        std::atomic<long long> population{0};
        // The island's clock and files at autosaves not yet written, by
        // interval.
        std::map<long long, std::pair<double, SavedFiles>> autosaves;
    };
    // An island's autosave: its files are kept until every island of the
    // process has reached the same interval, and the whole is written then
    // (by the process alone; a collective writes between step blocks).
    void keepAutosave(Island& island, long long period);
    // Writes the interval's autosave of every island; the caller holds
    // autosaveMutex_.
    void writeAutosave(long long period);
    // The latest interval every island of the process has kept, or 0.
    long long autosaveReady() const;
    // Between step blocks of a collective: the autosave all processes have.
    void agreeOnAutosave();
    ArchipelagoHeader header() const;
    // After an island's steps: its counters for the progress line.
    void publish(Island& island, long long steps);
    // Runs every island `steps` steps on `threads_` threads, calling
    // `meanwhile` every fifth of a second or so until they are done.
    void stepAll(long long steps, const std::function<void()>& meanwhile = nullptr);

    std::vector<std::unique_ptr<Island>> islands_;
    RunOptions options_;
    int first_ = 1;
    int total_ = 1;
    int threads_ = 1;
    double migrateEvery_ = 600.0;
    long long startStep_ = -1;
    std::uint32_t seed_ = 0;
    SaveCollective* collective_ = nullptr;
    std::mutex autosaveMutex_;
    long long autosaved_ = 0; // the last interval written
    Ring ring_;
    StepWatcher watchSteps_;
    // The migrant each island takes in at the next epoch.
    std::vector<std::string> arriving_;
};
