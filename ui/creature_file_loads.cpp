#include "ui/creature_file_loads.h"

#include <iostream>

#include "ecology/population.h"
#include "persist/creature_file.h"
#include "persist/creature_save.h"
#include "ui/view_state.h"

namespace {

// Space between two creatures loaded in one go.
constexpr double kSpacing = 3.0;

// The file's name without its folders, for the message.
std::string shortName(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

void requestCreatureFile(World& w, const std::string& path)
{
    w.driver.creatureFiles.push_back(path);
}

int loadRequestedCreatureFiles(World& w)
{
    int added = 0;
    std::string text;
    while (!w.driver.creatureFiles.empty()) {
        const std::string path = w.driver.creatureFiles.front();
        w.driver.creatureFiles.pop_front();
        const OrbitCamera& c = w.view.mainCamera;
        const PlacePoint at{c.target[0] + kSpacing * added, c.target[1]};
        const std::size_t before = w.sim.population.size();
        std::string line;
        try {
            // The world keeps its own rules; the message says when the
            // file's are others.
            const std::string contents = readCreatureFile(path);
            const CreatureFileRules rules = creatureFileRules(path, contents);
            loadCreatureFileContents(w.sim, w.settings, path, contents, at);
            const Agent& a = w.sim.population.back();
            line = addedCreatureText(a.creatureId, shortName(path), rules, w.settings);
            std::cout << "creatures: added creature " << a.creatureId << " from " << path << "\n";
            ++added;
        } catch (const std::string& reason) {
            // A failed load takes back the creature it appended.
            if (w.sim.population.size() > before) {
                forgetCreature(w.view, &w.sim.population.back());
                w.sim.hallOfFame.leaves(w.sim.population.back());
                removeLastCreature(w.sim.population);
            }
            line = "No creature from " + shortName(path) + ": " + reason;
            std::cerr << "creatures: no creature was loaded from " << path << " (" << reason
                      << ")\n";
        }
        text += (text.empty() ? "" : "\n") + line;
    }
    if (!text.empty())
        showMessage(w.driver.message, text, 4.0);
    std::cout.flush();
    return added;
}
