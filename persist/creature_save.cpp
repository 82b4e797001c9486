#include "persist/creature_save.h"

#include <list>
#include <vector>

#include "ecology/physics_mode.h"
#include "ecology/world.h"
#include "persist/folder_source.h"
#include "persist/load_support.h"
#include "persist/positions.h"
#include "persist/record_checks.h"
#include "persist/save_folder.h"

namespace {

constexpr const char* kCreatureFile = "agent.dat";
// Height the loaded creature's centre is given until the next step
// recomputes it from its parts.
constexpr double kPutDownHeight = 0.25;

bool inPopulation(const World& w, const Agent* agent)
{
    for (const auto& a : w.population)
        if (&a == agent)
            return true;
    return false;
}

// The whole load; the public entry points add the failure texts.
bool load(World& w, const FileSource& source)
{
    LoadGuard guard;

    // The creature is read into a list of its own and joins the population
    // only once its archive and its poses are known to be good.
    std::list<Agent> loaded;
    Agent& a = loaded.emplace_back();
    a.initialize();
    readRecord(source, kCreatureFile, a, checkCreature);
    a.layoutParts();

    const std::vector<double> poses =
        readPositions(source, existingParts(a), kCreatureEntryDoubles);

    a.buildBody(w.world, bodySpace(w), &w.environment);
    w.population.splice(w.population.end(), loaded);
    a.update(0.0, w.ecology);
    const double x = w.mainCamera.target[0];
    const double y = w.mainCamera.target[1];
    applyCreaturePositions(a, poses, x, y);
    a.centre = MY_VECTOR3{x, y, kPutDownHeight};
    // The cycle under way began where the creature was saved: measured from
    // there, the move to this place would count as a huge step forward and
    // be learned as the best movement. That cycle goes unscored.
    a.disturbed = true;
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

bool saveCreature(World& w, const std::string& folder, std::string* unfinished)
{
    if (!w.selectedAgent || !inPopulation(w, w.selectedAgent))
        throw std::string("Select a Creature!\nnot saved");
    return runFolderOperation(folder, [&] {
        reportUnfinished(folder, writeFolder(folder, creatureFiles(*w.selectedAgent)), unfinished);
        return true;
    });
}

bool loadCreature(World& w, const std::string& folder)
{
    return runFolderOperation(folder, [&] { return load(w, FolderSource(folder)); });
}

bool loadCreatureFrom(World& w, const FileSource& source)
{
    return runFolderOperation(source.folder(), [&] { return load(w, source); });
}
