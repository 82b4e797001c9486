#include "run/world_setup.h"

#include <iomanip>
#include <iostream>

#include "run/founders.h"
#include "run/setting_overrides.h"
#include "run/tree_export.h"
#include "ecology/arena.h"
#include "ecology/physics_world.h"
#include "persist/creature_file.h"
#include "persist/creature_save.h"
#include "persist/save_all.h"
#include "persist/world_rules.h"

bool prepareWorld(RunWorld& w, const RunOptions& options, std::uint32_t seed,
                  const std::string& loadDir)
{
    startUpPhysics(w.sim, w.settings);
    resetWorld(w.sim, w.settings);

    if (!loadDir.empty()) {
        const double builtFor = w.settings.groundSize;
        try {
            loadAll(w.sim, w.settings, loadDir);
            // The walls were built for the start-up ground before the load.
            if (w.settings.groundSize != builtFor)
                resizeArena(w.sim, w.settings);
        } catch (const std::string&) {
            // The loader has already written its message to standard error.
            std::cerr << "\ncreatures: nothing was loaded from " << loadDir
                      << "; the run does not start\n";
            return false;
        }
    }
    // A creature of a file: shown alone (no others, no refill), or added.
    const std::string& creatureFile =
        options.showCreatureFile.empty() ? options.loadCreatureFile : options.showCreatureFile;
    std::string contents;
    CreatureFileRules rules;
    if (!creatureFile.empty()) {
        try {
            contents = readCreatureFile(creatureFile);
            rules = creatureFileRules(creatureFile, contents);
        } catch (const std::string&) {
            std::cerr << "\ncreatures: no creature was loaded from " << creatureFile
                      << "; the run does not start\n";
            return false;
        }
        // A fresh world runs by the rules the creature lived by; a loaded
        // world keeps its own (a world has one set of rules).
        if (loadDir.empty() && rules.recorded)
            takeRules(w.settings, rules.settings);
    }

    // The founders' files are read whole first; the world runs by their rules.
    Founders founders;
    if (!options.foundersDir.empty()) {
        std::string error;
        if (!readFounders(options.foundersDir, founders, error)) {
            std::cerr << "\ncreatures: " << error << "; the run does not start\n";
            return false;
        }
        if (founders.rules.recorded)
            takeRules(w.settings, founders.rules.settings);
    }

    // --set: over the loaded settings, or into the fresh world.
    applySettingOverrides(w, options.settings, loadDir.empty(), seed);

    if (!options.foundersDir.empty()) {
        std::string error;
        if (!addFounders(w, founders, seed, error)) {
            std::cerr << "\ncreatures: " << error << "; the run does not start\n";
            return false;
        }
    }

    const bool shown = !options.showCreatureFile.empty();
    if (shown) {
        w.settings.minPopulation = 0;
        clearCreatures(w.sim);
    }
    if (!creatureFile.empty()) {
        try {
            // At the middle of the ground (where the window's camera looks
            // at the start), or (added to others) the nearest spot clear of
            // them: a creature put down on another tangles with it.
            PlacePoint at{0.0, 0.0};
            if (!shown)
                findClearSpot(w.sim, w.settings.groundSize, at.x, at.y);
            loadCreatureFileContents(w.sim, w.settings, creatureFile, contents, at,
                                     shown ? Arrival::Shown : Arrival::Newcomer);
            // On a line of its own, after the run number.
            const Agent& added = w.sim.population.back();
            if (!shown)
                std::cout << "\n"
                          << addedCreatureText(added.creatureId, creatureFile, rules, w.settings)
                          << std::endl;
            else if (const FamilyMember* m = w.sim.family.find(added.creatureId))
                std::cout << "\nShowing creature " << added.creatureId << " (generation "
                          << added.generation << ") from " << creatureFile << ": " << m->parts
                          << " parts, " << m->joints << " joints, limbs " << std::fixed
                          << std::setprecision(2) << m->limbLength << " m, mass " << m->mass
                          << ", at rest span " << m->span << " m, height " << m->height << " m"
                          << std::defaultfloat << std::endl;
        } catch (const std::string&) {
            std::cerr << "\ncreatures: no creature was loaded from " << creatureFile
                      << "; the run does not start\n";
            return false;
        }
    }

    // The solver's settings for the step size the world now has.
    startCallback(w.sim);
    return true;
}

bool finishWorld(RunWorld& w, const RunOptions& options)
{
    bool done = true;
    if (!options.treeFile.empty() && !writeTree(w.sim.family, options.treeFile)) {
        std::cerr << "cannot write:" << options.treeFile << std::endl;
        done = false;
    }
    if (!options.saveAllDir.empty()) {
        try {
            saveAll(w.sim, w.settings, options.saveAllDir);
        } catch (const std::string&) {
            std::cerr << "\ncreatures: the simulation was not saved to " << options.saveAllDir
                      << "\n";
            done = false;
        }
    }
    return done;
}
