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
// The samples file holds at most StatisticsRecorder::kHistoryLimit rows of
// 22 numbers, each of at most 24 characters.
constexpr std::size_t kMaxStatisticsBytes = std::size_t(4) << 20;

// A file a save may lack, read whole: false when it is not there. One that
// is there must be a regular file of at most `limit` bytes; anything else
// ends the load with its failure text.
bool readOptional(const FileSource& source, const char* name, std::size_t limit,
                  std::string& text)
{
    switch (source.tryRead(name, text, limit)) {
    case ReadResult::Missing: return false;
    case ReadResult::Done: return true;
    case ReadResult::NotAFile: throwDamaged(source.path(name), "not a regular file");
    case ReadResult::TooLarge:
        throwDamaged(source.path(name), "larger than " + std::to_string(limit) + " bytes");
    case ReadResult::Interrupted: throwFailed(source.folder(), "interrupted");
    case ReadResult::CannotOpen: break;
    }
    throwCannotOpen(source.path(name));
}

// The statistics samples of a save whose clock stood at `clock`, when it has
// them; a file of them that does not fit the save ends the load.
bool readStatistics(const FileSource& source, double clock, StatisticsRecorder& statistics)
{
    std::string text;
    if (!readOptional(source, kStatisticsFile, kMaxStatisticsBytes, text))
        return false;
    std::string reason;
    if (!statistics.restoreHistory(text, clock, reason))
        throwDamaged(source.path(kStatisticsFile), reason);
    return true;
}

// The family tree of a save, when it has one; a tree that does not fit the
// save ends the load.
bool readFamily(const FileSource& source, const Population& creatures, double clock,
                std::vector<FamilyMember>& members)
{
    std::string text;
    if (!readOptional(source, kFamilyFile, kMaxFamilyFileBytes, text))
        return false;
    std::string reason;
    if (!decodeFamily(text, creatures, clock, members, reason))
        throwDamaged(source.path(kFamilyFile), reason);
    return true;
}

// The bodies of the founders of a save's family tree, when it keeps them; a
// file of them that does not fit the save ends the load.
bool readFounderBodies(const FileSource& source, int largestId, FounderBodies& bodies)
{
    std::string text;
    if (!readOptional(source, kFoundersFile, kMaxFamilyFileBytes, text))
        return false;
    std::string reason;
    if (!decodeFounderBodies(text, largestId, bodies, reason))
        throwDamaged(source.path(kFoundersFile), reason);
    return true;
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
        if (a.creatureId < 0 || a.creatureId > kMaxCreatureId)
            throwDamaged(source.path(creatureFile(i)),
                         "creature id " + std::to_string(a.creatureId) + " is out of range");
        a.layoutParts();
        parts += existingParts(a);
    }

    const std::vector<double> poses = readPositions(source, parts, kWholeEntryDoubles);
    readLineage(source, creatures);
    std::vector<FamilyMember> family;
    const bool haveFamily = readFamily(source, creatures, config.simulationTime, family);
    FounderBodies founders;
    int largestMember = -1;
    for (const FamilyMember& m : family)
        largestMember = std::max(largestMember, m.id);
    const bool haveFounders = haveFamily && readFounderBodies(source, largestMember, founders);
    StatisticsRecorder statistics;
    const bool haveStatistics = readStatistics(source, config.simulationTime, statistics);

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
        // Born when its age says, but not before the clock began (a creature
        // taken in from a file may be older than the world).
        for (const Agent& a : sim.population)
            sim.family.arrive(a, std::max(0.0, sim.time - a.age), FamilyMember::Loaded);
    }
    // The run's statistics go on where the save left them: its samples for
    // the charts and the --stats file, its totals for the counts. Without
    // them the charts start afresh, so no sample lies beyond the clock.
    sim.statistics.takeHistoryOf(statistics);
    if (haveStatistics) {
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
    // A tree grown beyond what a load reads is left out, so the save loads
    // (its creatures then start a tree of their own).
    if (!sim.family.empty()) {
        std::string family = encodeFamily(sim.family);
        if (family.size() <= kMaxFamilyFileBytes)
            files.emplace_back(kFamilyFile, std::move(family));
        else
            std::cerr << "warning: the family tree of " << sim.family.members().size()
                      << " creatures is larger than a save holds; saved without it" << std::endl;
    }
    if (files.back().first == kFamilyFile && !sim.family.founderBodies().empty())
        files.emplace_back(kFoundersFile, encodeFounderBodies(sim.family.founderBodies()));
    if (!sim.statistics.history().empty())
        files.emplace_back(kStatisticsFile, sim.statistics.encodeHistory());
    const std::string rules = encodeRules(settings);
    if (!rules.empty())
        files.emplace_back(kRulesFile, rules);
    return files;
}

bool saveAll(Simulation& sim, const WorldSettings& settings, const std::string& folder,
             std::string* unfinished, const SaveCheckpoint& checkpoint)
{
    return runFolderOperation(folder, [&] {
        const int count = static_cast<int>(sim.population.size());
        const SavedFiles files = simulationFiles(sim, settings);
        // Files of an earlier save that this one does not replace: creatures
        // beyond the population, and the files a save may lack (the rules
        // when they are the defaults again, no tree or no samples yet). The
        // manifest would not name them, and a load refuses a save with files
        // of its own the manifest does not name. An archipelago's save in the
        // folder goes whole: its top file and the island folders it names (a
        // world's save never holds any).
        const std::vector<std::string> islands = archipelagoIslands(folder);
        SubFolders sub;
        if (!islands.empty())
            sub.staleFolder = [&islands](const std::string& name) {
                return std::find(islands.begin(), islands.end(), name) != islands.end();
            };
        const std::string left = writeFolder(
            folder, files,
            [&](const std::string& name) {
                if (creatureFileBeyond(name, count) || name == kArchipelagoFile)
                    return true;
                if (name != kRulesFile && name != kFamilyFile && name != kStatisticsFile &&
                    name != kFoundersFile)
                    return false;
                return std::none_of(files.begin(), files.end(),
                                    [&](const auto& f) { return f.first == name; });
            },
            sub, checkpoint);
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
