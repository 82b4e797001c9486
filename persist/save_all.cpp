#include "persist/save_all.h"

#include <algorithm>
#include <iostream>
#include <list>
#include <utility>
#include <vector>

#include "ecology/physics_setup.h"
#include "ecology/simulation.h"
#include "ecology/world_settings.h"
#include "persist/archipelago_save.h"
#include "persist/folder_source.h"
#include "persist/lineage_file.h"
#include "persist/load_support.h"
#include "persist/memory_estimate.h"
#include "persist/positions.h"
#include "persist/record_checks.h"
#include "persist/save_folder.h"
#include "persist/sim_data.h"
#include "persist/world_rules.h"

namespace {

constexpr const char* kConfigFile = "config.dat";
constexpr const char* kFoodFile = "AimPosData.dat";
constexpr const char* kFamilyFile = "family.csv";
constexpr const char* kStatisticsFile = "statistics.csv";
constexpr const char* kFoundersFile = "founders.csv";
// A family row is some hundred bytes; a file far larger is not read.
constexpr std::size_t kMaxFamilyBytes = std::size_t(64) << 20;

// A file a save may lack, read whole: false when it is not there; when it
// is there but cannot be read, why in `reason`.
bool readOptional(const FileSource& source, const char* name, std::string& text,
                  std::string& reason)
{
    switch (source.tryRead(name, text, kMaxFamilyBytes)) {
    case ReadResult::Missing: return false;
    case ReadResult::Done: break;
    case ReadResult::NotAFile: reason = "it is not a regular file"; break;
    case ReadResult::TooLarge: reason = "it is too large"; break;
    case ReadResult::CannotOpen:
    case ReadResult::Interrupted: reason = "it cannot be read"; break;
    }
    return true;
}

// The statistics samples of a save, when it has a file of them that is one;
// one that is not is left with one warning.
bool readStatistics(const FileSource& source, StatisticsRecorder& statistics)
{
    std::string text;
    std::string reason;
    if (!readOptional(source, kStatisticsFile, text, reason))
        return false;
    if (reason.empty() && statistics.restoreHistory(text, reason))
        return true;
    std::cerr << "warning: " << source.path(kStatisticsFile) << " ignored (" << reason
              << "); the statistics start afresh" << std::endl;
    return false;
}

// The family tree of a save, when it has one that fits its creatures; a tree
// that does not fit is left with one warning, and the loaded creatures start
// a tree of their own.
bool readFamily(const FileSource& source, const Population& creatures,
                std::vector<FamilyMember>& members)
{
    std::string text;
    std::string reason;
    if (!readOptional(source, kFamilyFile, text, reason))
        return false;
    if (reason.empty() && decodeFamily(text, creatures, members, reason))
        return true;
    std::cerr << "warning: " << source.path(kFamilyFile) << " ignored (" << reason
              << "); the family tree starts with the loaded creatures" << std::endl;
    return false;
}

// The bodies of the founders of a save's family tree, when it keeps them; a
// file that is not one is left with one warning (the distances from the
// founders of lines whose founder has died are then not known).
bool readFounderBodies(const FileSource& source, int largestId, FounderBodies& bodies)
{
    std::string text;
    std::string reason;
    if (!readOptional(source, kFoundersFile, text, reason))
        return false;
    if (reason.empty() && decodeFounderBodies(text, largestId, bodies, reason))
        return true;
    std::cerr << "warning: " << source.path(kFoundersFile) << " ignored (" << reason
              << "); only living founders' bodies are known" << std::endl;
    return false;
}

std::string creatureFile(int i)
{
    return std::to_string(i) + ".dat";
}

// A creature file ("0.dat", "17.dat"; no leading zeros) of a creature at
// `count` or beyond: left over from a larger population.
bool creatureFileBeyond(const std::string& name, int count)
{
    if (name.size() < 5 || name.size() > 13 || name.compare(name.size() - 4, 4, ".dat") != 0)
        return false;
    const std::size_t digits = name.size() - 4;
    if (name[0] == '0' && digits > 1)
        return false;
    long long n = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        if (name[i] < '0' || name[i] > '9')
            return false;
        n = n * 10 + (name[i] - '0');
    }
    return n >= count;
}

// The island folders of an archipelago's save in the folder (those its top
// file counts); none when it holds none.
std::vector<std::string> archipelagoIslands(const std::string& folder)
{
    std::string text;
    ArchipelagoHeader header;
    std::vector<std::string> sums, names;
    std::string reason;
    if (readRegularFile(folder + "/" + kArchipelagoFile, text, std::size_t(16) << 20) ==
            ReadResult::Done &&
        decodeArchipelago(text, header, sums, reason))
        for (int n = 1; n <= header.islands; ++n)
            names.push_back(islandFolderName(n));
    return names;
}

} // namespace

SimData configOf(const Simulation& sim, const WorldSettings& settings)
{
    SimData d;
    d.spareValue = sim.extras.spareValue;
    d.simulationTime = sim.time;
    d.wallHeight = settings.wallHeight;
    d.foodInterval = settings.foodInterval;
    d.populationCount = static_cast<int>(sim.population.size());
    d.minPopulation = settings.minPopulation;
    d.groundSize = settings.groundSize;
    d.savedSerial = sim.extras.savedSerial;
    d.spareSeries1 = sim.extras.spareSeries1;
    d.spareSeries2 = sim.extras.spareSeries2;
    return d;
}

namespace {

void takeConfig(Simulation& sim, WorldSettings& settings, SimData&& d)
{
    sim.extras.spareValue = d.spareValue;
    sim.time = d.simulationTime;
    settings.wallHeight = d.wallHeight;
    settings.foodInterval = d.foodInterval;
    sim.extras.populationCount = d.populationCount;
    settings.minPopulation = d.minPopulation;
    settings.groundSize = d.groundSize;
    sim.extras.savedSerial = d.savedSerial;
    sim.extras.spareSeries1 = std::move(d.spareSeries1);
    sim.extras.spareSeries2 = std::move(d.spareSeries2);
}

// The whole load; the public entry points add the failure texts.
bool load(Simulation& sim, WorldSettings& settings, const FileSource& source)
{
    LoadGuard guard(sim);

    // Everything is read and checked into records of its own first; the
    // running world changes only once all of it is good.
    // A save's checksum list names all of its files; one that does not is
    // not this save's whole list (a flipped name, say).
    source.requireManifestOf({kConfigFile, kPositionFile, kFoodFile},
                             {kRulesFile, kLineageFile, kFamilyFile, kStatisticsFile, kFoundersFile});
    SimData config = configOf(sim, settings);
    config.populationCount = sim.extras.populationCount;
    readRecord(source, kConfigFile, config, checkSimData);
    checkWorldSize(source.folder(), config.populationCount, config.minPopulation);
    std::vector<std::string> archives;
    for (int i = 0; i < config.populationCount; ++i)
        archives.push_back(creatureFile(i));
    source.requireManifestOf(archives, {});

    std::list<Agent> creatures;
    int parts = 0;
    for (int i = 0; i < config.populationCount; ++i) {
        Agent& a = creatures.emplace_back();
        a.creatureId = sim.nextCreatureId++;
        a.initialize(sim.random);
        readRecord(source, creatureFile(i), a, checkCreature);
        a.layoutParts();
        parts += existingParts(a);
    }

    const std::vector<double> poses = readPositions(source, parts, kWholeEntryDoubles);
    readLineage(source, creatures);
    std::vector<FamilyMember> family;
    const bool haveFamily = readFamily(source, creatures, family);
    FounderBodies founders;
    int largestMember = -1;
    for (const FamilyMember& m : family)
        largestMember = std::max(largestMember, m.id);
    const bool haveFounders = haveFamily && readFounderBodies(source, largestMember, founders);
    StatisticsRecorder statistics;
    const bool haveStatistics = readStatistics(source, statistics);

    AimPointHander foods;
    readRecord(source, kFoodFile, foods, checkFoods);
    WorldSettings rules = settings;
    readRules(source, rules);

    // Bodies: built from the loaded genome at the loaded centre, updated once
    // with no time passing (centre, heading and the intention, chosen among
    // the loaded creatures and foods), then put in their saved poses.
    Environment loaded{&creatures, &foods};
    for (auto& a : creatures) {
        a.buildBody(sim.world, bodySpace(sim, settings.physics), &loaded);
        a.update(0.0, settings.ecology);
    }
    applyPositions(creatures, poses);

    // Commit. Splicing keeps the creatures in place and swapping keeps the
    // food storage, so the intentions' partners and foods stay valid.
    clearCreatures(sim);
    sim.population.splice(sim.population.end(), creatures);
    for (auto& a : sim.population)
        a.environment = &sim.environment;
    sim.foods.foods.swap(foods.foods);
    sim.foods.timer = foods.timer;
    sim.foods.eaten = nullptr;
    takeConfig(sim, settings, std::move(config));
    ++sim.restarts;
    sim.highestGeneration = 0;
    for (const Agent& a : sim.population)
        sim.highestGeneration = std::max(sim.highestGeneration, a.generation);
    if (haveFamily) {
        for (const FamilyMember& m : family)
            sim.highestGeneration = std::max(sim.highestGeneration, m.generation);
        sim.family.assign(std::move(family));
        if (haveFounders)
            sim.family.takeFounderBodies(std::move(founders));
        sim.family.knowFounderBodies(sim.population);
    } else {
        sim.family.clear();
        for (const Agent& a : sim.population)
            sim.family.arrive(a, sim.time - a.age, FamilyMember::Loaded);
    }
    // The run's statistics go on where the save left them: its samples for
    // the charts and the --stats file, its totals for the counts.
    if (haveStatistics) {
        sim.statistics.takeHistoryOf(statistics);
        if (!sim.statistics.history().empty()) {
            const StatsSample& last = sim.statistics.latest();
            sim.counters.births = last.births;
            sim.counters.refills = last.refills;
            sim.counters.foodsEaten = last.foodsEaten;
            sim.counters.deathsStarved = last.deathsStarved;
            sim.counters.deathsFallen = last.deathsFallen;
            sim.counters.cycles.cycles = last.totalCycles;
            sim.counters.cycles.progress = last.totalProgress;
        }
    }
    // Ids go on after every id the world has known, so no two creatures of
    // its family tree share one.
    int nextId = sim.extras.savedSerial;
    for (const Agent& a : sim.population)
        nextId = std::max(nextId, a.creatureId + 1);
    sim.nextCreatureId = std::max(nextId, sim.family.largestId() + 1);
    takeRules(settings, rules);
    guard.commit();
    std::cout << "read" << std::endl;
    return true;
}

} // namespace

SavedFiles simulationFiles(const Simulation& sim, const WorldSettings& settings)
{
    const SimData config = configOf(sim, settings);
    SavedFiles files;
    files.emplace_back(kConfigFile, saveArchive(config));
    int i = 0;
    for (const auto& a : sim.population)
        files.emplace_back(creatureFile(i++), saveArchive(a));
    files.emplace_back(kPositionFile, encodePositions(sim.population));
    files.emplace_back(kFoodFile, saveArchive(sim.foods));
    files.emplace_back(kLineageFile, encodeLineage(sim.population));
    if (!sim.family.empty())
        files.emplace_back(kFamilyFile, encodeFamily(sim.family));
    if (!sim.family.empty() && !sim.family.founderBodies().empty())
        files.emplace_back(kFoundersFile, encodeFounderBodies(sim.family.founderBodies()));
    if (!sim.statistics.history().empty())
        files.emplace_back(kStatisticsFile, sim.statistics.encodeHistory());
    const std::string rules = encodeRules(settings);
    if (!rules.empty())
        files.emplace_back(kRulesFile, rules);
    return files;
}

bool saveAll(Simulation& sim, const WorldSettings& settings, const std::string& folder,
             std::string* unfinished)
{
    return runFolderOperation(folder, [&] {
        const int count = static_cast<int>(sim.population.size());
        const SavedFiles files = simulationFiles(sim, settings);
        // Files of an earlier save that this one does not replace: creatures
        // beyond the population, and the rules file when the rules are the
        // defaults again.
        // An archipelago's save in the folder goes whole: its top file and
        // the island folders it names (a world's save never holds any).
        const bool rulesWritten = files.back().first == kRulesFile;
        const std::vector<std::string> islands = archipelagoIslands(folder);
        SubFolders sub;
        if (!islands.empty())
            sub.staleFolder = [&islands](const std::string& name) {
                return std::find(islands.begin(), islands.end(), name) != islands.end();
            };
        const std::string left = writeFolder(
            folder, files,
            [count, rulesWritten](const std::string& name) {
                return creatureFileBeyond(name, count) || (!rulesWritten && name == kRulesFile) ||
                       name == kFoundersFile || // when not written (the tree knows none)
                       name == kArchipelagoFile;
            },
            sub);
        sim.extras.populationCount = count;
        std::cout << "write" << std::endl;
        reportUnfinished(folder, left, unfinished);
        return true;
    });
}

bool loadAll(Simulation& sim, WorldSettings& settings, const std::string& folder)
{
    return runFolderOperation(folder,
                              [&] { return load(sim, settings, FolderSource(folder)); });
}

bool loadAllFrom(Simulation& sim, WorldSettings& settings, const FileSource& source)
{
    return runFolderOperation(source.folder(), [&] { return load(sim, settings, source); });
}
