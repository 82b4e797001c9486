#include "run/founders.h"

#include <algorithm>
#include <filesystem>
#include <iostream>

#include "ecology/arena.h"
#include "ecology/simulation.h"
#include "persist/world_rules.h"

bool readFounders(const std::string& dir, Founders& out, std::string& error)
{
    namespace fs = std::filesystem;
    out = Founders{};
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) {
        error = "--founders " + dir + ": there is no such folder";
        return false;
    }
    std::vector<std::string> names;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& p = it->path();
        if (p.extension() == kCreatureFileExtension && !it->is_directory(ec))
            names.push_back(p.filename().string());
    }
    if (ec) {
        error = "--founders " + dir + ": the folder cannot be read";
        return false;
    }
    if (names.empty()) {
        error = "--founders " + dir + ": the folder holds no " + kCreatureFileExtension + " file";
        return false;
    }
    std::sort(names.begin(), names.end());
    std::string firstWithRules;
    for (const std::string& name : names) {
        const std::string path = (fs::path(dir) / name).string();
        CreatureFileRules rules;
        try {
            out.contents.push_back(readCreatureFile(path));
            rules = creatureFileRules(path, out.contents.back());
        } catch (const std::string&) {
            error = "no creature was loaded from " + path;
            return false;
        }
        out.files.push_back(path);
        // A file written before files kept their rules goes with any.
        if (!rules.recorded)
            continue;
        if (out.rules.recorded && !sameRules(out.rules.settings, rules.settings)) {
            error = "--founders " + dir + ": the files' rules disagree (" + firstWithRules + ": " +
                    rulesText(out.rules.settings) + "; " + name + ": " +
                    rulesText(rules.settings) + ")";
            return false;
        }
        if (!out.rules.recorded)
            firstWithRules = name;
        out.rules = rules;
    }
    return true;
}

bool addFounders(RunWorld& w, const Founders& founders, std::uint32_t seed, std::string& error)
{
    // The first population again from the run's seed, as the first reset
    // made it but with room for the founders.
    const int minPopulation = w.settings.minPopulation;
    const int count = static_cast<int>(founders.files.size());
    clearCreatures(w.sim);
    w.sim.random.seed(seed);
    w.settings.minPopulation = std::max(0, minPopulation - count);
    resetWorld(w.sim, w.settings);
    w.settings.minPopulation = minPopulation;
    for (std::size_t i = 0; i < founders.files.size(); ++i) {
        // From the middle of the ground outwards, clear of those put down.
        PlacePoint at{0.0, 0.0};
        findClearSpot(w.sim, w.settings.groundSize, at.x, at.y);
        try {
            loadCreatureFileContents(w.sim, w.settings, founders.files[i], founders.contents[i],
                                     at);
        } catch (const std::string&) {
            error = "no creature was loaded from " + founders.files[i];
            return false;
        }
        // On lines of their own, after the run number.
        std::cout << (i == 0 ? "\n" : "")
                  << addedCreatureText(w.sim.population.back().creatureId, founders.files[i],
                                       founders.rules, w.settings)
                  << std::endl;
    }
    return true;
}
