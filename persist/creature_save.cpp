#include "persist/creature_save.h"

#include <algorithm>
#include <list>
#include <vector>

#include "ecology/physics_setup.h"
#include "ecology/simulation.h"
#include "ecology/world_settings.h"
#include "persist/folder_source.h"
#include "persist/lineage_file.h"
#include "persist/load_support.h"
#include "persist/positions.h"
#include "persist/record_checks.h"
#include "persist/save_folder.h"

namespace {

constexpr const char* kCreatureFile = "agent.dat";
// Height the loaded creature's centre is given until the next step
// recomputes it from its parts.
constexpr double kPutDownHeight = 0.25;

bool inPopulation(const Simulation& sim, const Agent* agent)
{
    for (const auto& a : sim.population)
        if (&a == agent)
            return true;
    return false;
}

// The whole load; the public entry points add the failure texts.
bool load(Simulation& sim, const WorldSettings& settings, const FileSource& source, PlacePoint at,
          Arrival arrival)
{
    LoadGuard guard(sim);
    source.requireManifestOf({kCreatureFile, kPositionFile}, {});

    // The creature is read into a list of its own and joins the population
    // only once its archive and its poses are known to be good.
    std::list<Agent> loaded;
    Agent& a = loaded.emplace_back();
    int id = sim.nextCreatureId++;
    a.initialize(sim.random);
    readRecord(source, kCreatureFile, a, checkCreature);
    // A creature from elsewhere takes an id of this world; its parents are
    // not of this world. Its old id goes into the family tree. One shown
    // alone is the creature it was: its id and generation stay, when the
    // ids can go on from it.
    const int formerId = a.creatureId;
    if (arrival == Arrival::Shown && formerId >= 0 && formerId <= kMaxCreatureId) {
        readLineage(source, loaded);
        id = formerId;
        sim.nextCreatureId = std::max(sim.nextCreatureId, id + 1);
    }
    a.creatureId = id;
    a.parentIds[0] = a.parentIds[1] = -1;
    a.layoutParts();

    const std::vector<double> poses =
        readPositions(source, existingParts(a), kCreatureEntryDoubles);

    a.buildBody(sim.world, bodySpace(sim, settings.physics), &sim.environment);
    sim.population.splice(sim.population.end(), loaded);
    a.update(0.0, settings.ecology);
    const double x = at.x;
    const double y = at.y;
    applyCreaturePositions(a, poses, x, y);
    a.centre = MY_VECTOR3{x, y, kPutDownHeight};
    // The cycle under way began where the creature was saved: measured from
    // there, the move to this place would count as a huge step forward and
    // be learned as the best movement. That cycle goes unscored.
    a.disturbed = true;
    sim.family.arrive(a, sim.time, FamilyMember::Loaded, formerId);
    sim.highestGeneration = std::max(sim.highestGeneration, a.generation);
    guard.commit();
    return true;
}

} // namespace

SavedFiles creatureFiles(const Agent& a)
{
    SavedFiles files;
    files.emplace_back(kCreatureFile, saveArchive(a));
    files.emplace_back(kPositionFile, encodeCreaturePositions(a));
    return files;
}

bool saveCreature(const Simulation& sim, const Agent* selected, const std::string& folder,
                  std::string* unfinished)
{
    if (!selected || !inPopulation(sim, selected))
        throw std::string("Select a Creature!\nnot saved");
    return runFolderOperation(folder, [&] {
        reportUnfinished(folder, writeFolder(folder, creatureFiles(*selected)), unfinished);
        return true;
    });
}

bool loadCreature(Simulation& sim, const WorldSettings& settings, const std::string& folder,
                  PlacePoint at)
{
    return runFolderOperation(folder,
                              [&] { return load(sim, settings, FolderSource(folder), at,
                                                Arrival::Newcomer); });
}

bool loadCreatureFrom(Simulation& sim, const WorldSettings& settings, const FileSource& source,
                      PlacePoint at, Arrival arrival)
{
    return runFolderOperation(source.folder(),
                              [&] { return load(sim, settings, source, at, arrival); });
}
