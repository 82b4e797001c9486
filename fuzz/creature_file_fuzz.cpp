// Fuzz target: a creature file (NAME.creature) as a whole: its sections, its
// checksum section and the records inside. A creature that loads takes a few
// steps with the others and then dies, so the running world stays small.
#include <cstdint>
#include <cstdlib>
#include <iterator>

#include "ecology/simulation_step.h"
#include "fuzz_support.h"
#include "persist/creature_file.h"
#include "persist/creature_save.h"

namespace {

void writeCorpus(const std::string& folder)
{
    Scene s(41, 3);
    s.step(150);
    fuzz::keepMoves(s.world(), 2);
    fuzz::writeSeed(folder, "two-moves", encodeCreatureFile(s.world().sim.population.front(), s.world().settings));
    fuzz::keepMoves(s.world(), 0);
    fuzz::writeSeed(folder, "no-moves", encodeCreatureFile(s.world().sim.population.back(), s.world().settings));
    // A file that records rules other than the defaults.
    WorldSettings improved = s.world().settings;
    improved.learningRule = LearningRuleId::Improved;
    improved.physics = PhysicsSetupId::Fast;
    fuzz::writeSeed(folder, "improved-rules",
                    encodeCreatureFile(s.world().sim.population.front(), improved));
}

Scene* target = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::startTarget(writeCorpus);
    target = new Scene(2, 3);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string contents(reinterpret_cast<const char*>(data), size);
    World& w = target->world();
    const std::size_t before = w.sim.population.size();
    try {
        // The rules are read before a creature is taken from a file.
        creatureFileRules("fuzz.creature", contents);
        loadCreatureFileContents(w.sim, w.settings, "fuzz.creature", contents, PlacePoint{});
    } catch (const std::string&) {
        if (w.sim.population.size() != before)
            std::abort(); // a failed load must not change the population
        return 0;
    }
    for (int i = 0; i < 3; ++i)
        simulationStep(w.sim, w.settings);
    for (auto it = std::next(w.sim.population.begin(), 3); it != w.sim.population.end(); ++it) {
        it->deathCause = Starved;
        it->lifeState = Removable;
    }
    simulationStep(w.sim, w.settings);
    return 0;
}
