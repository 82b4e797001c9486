#include "persist/save_all.h"

#include <iostream>
#include <list>
#include <utility>
#include <vector>

#include "ecology/physics_mode.h"
#include "ecology/world.h"
#include "persist/folder_source.h"
#include "persist/lineage_file.h"
#include "persist/load_support.h"
#include "persist/memory_estimate.h"
#include "persist/positions.h"
#include "persist/record_checks.h"
#include "persist/save_folder.h"
#include "persist/world_rules.h"

namespace {

constexpr const char* kConfigFile = "config.dat";
constexpr const char* kFoodFile = "AimPosData.dat";

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

// The whole load; the public entry points add the failure texts.
bool load(World& w, const FileSource& source)
{
    LoadGuard guard;

    // Everything is read and checked into records of its own first; the
    // running world changes only once all of it is good.
    SimData config = w.simData;
    readRecord(source, kConfigFile, config, checkSimData);
    checkWorldSize(source.folder(), config.populationCount, config.minPopulation);

    std::list<Agent> creatures;
    int parts = 0;
    for (int i = 0; i < config.populationCount; ++i) {
        Agent& a = creatures.emplace_back();
        a.initialize();
        readRecord(source, creatureFile(i), a, checkCreature);
        a.layoutParts();
        parts += existingParts(a);
    }

    const std::vector<double> poses = readPositions(source, parts, kWholeEntryDoubles);
    readLineage(source, creatures);

    AimPointHander foods;
    readRecord(source, kFoodFile, foods, checkFoods);
    const WorldRules rules = readRules(source);

    // Bodies: built from the loaded genome at the loaded centre, updated once
    // with no time passing (centre, heading and the intention, chosen among
    // the loaded creatures and foods), then put in their saved poses.
    Environment loaded{&creatures, &foods};
    for (auto& a : creatures) {
        a.buildBody(w.world, bodySpace(w), &loaded);
        a.update(0.0, w.ecology);
    }
    applyPositions(creatures, poses);

    // Commit. Splicing keeps the creatures in place and swapping keeps the
    // food storage, so the intentions' partners and foods stay valid.
    forgetAllCreatures(w);
    clearPopulation(w.population);
    w.population.splice(w.population.end(), creatures);
    for (auto& a : w.population)
        a.environment = &w.environment;
    w.foods.foods.swap(foods.foods);
    w.foods.timer = foods.timer;
    w.foods.eaten = nullptr;
    w.foods.settings = &w.simData;
    w.simData = std::move(config);
    nextCreatureId = w.simData.savedSerial;
    applyRules(w, rules);
    guard.commit();
    std::cout << "read" << std::endl;
    return true;
}

} // namespace

SavedFiles simulationFiles(const World& w)
{
    SimData config = w.simData;
    config.populationCount = static_cast<int>(w.population.size());
    SavedFiles files;
    files.emplace_back(kConfigFile, saveArchive(config));
    int i = 0;
    for (const auto& a : w.population)
        files.emplace_back(creatureFile(i++), saveArchive(a));
    files.emplace_back(kPositionFile, encodePositions(w.population));
    files.emplace_back(kFoodFile, saveArchive(w.foods));
    files.emplace_back(kLineageFile, encodeLineage(w.population));
    const std::string rules = encodeRules(rulesOf(w));
    if (!rules.empty())
        files.emplace_back(kRulesFile, rules);
    return files;
}

bool saveAll(World& w, const std::string& folder, std::string* unfinished)
{
    return runFolderOperation(folder, [&] {
        const int count = static_cast<int>(w.population.size());
        const SavedFiles files = simulationFiles(w);
        // Files of an earlier save that this one does not replace: creatures
        // beyond the population, and the rules file when the rules are the
        // defaults again.
        const bool rulesWritten = files.back().first == kRulesFile;
        const std::string left =
            writeFolder(folder, files, [count, rulesWritten](const std::string& name) {
                return creatureFileBeyond(name, count) || (!rulesWritten && name == kRulesFile);
            });
        w.simData.populationCount = static_cast<int>(w.population.size());
        std::cout << "write" << std::endl;
        reportUnfinished(folder, left, unfinished);
        return true;
    });
}

bool loadAll(World& w, const std::string& folder)
{
    return runFolderOperation(folder, [&] { return load(w, FolderSource(folder)); });
}

bool loadAllFrom(World& w, const FileSource& source)
{
    return runFolderOperation(source.folder(), [&] { return load(w, source); });
}
