// Fuzz target: loading a single creature from damaged files.
//
// Files of the input, in order: agent.dat, posAgent.dat. A creature that
// loads takes a few steps with the others and then dies, so the running
// world stays small.
#include <cstdint>
#include <cstdlib>
#include <iterator>

#include "ecology/simulation_step.h"
#include "fuzz_support.h"
#include "persist/creature_save.h"

namespace {

const char* const kFiles[] = {"agent.dat", "posAgent.dat"};

std::string seedOf(const Agent& a)
{
    const SavedFiles files = creatureFiles(a);
    return fuzz::joinFiles({fuzz::fileOf(files, kFiles[0]), fuzz::fileOf(files, kFiles[1])});
}

void writeCorpus(const std::string& folder)
{
    Scene s(21, 3);
    s.step(150);
    fuzz::writeSeed(folder, "full-store", seedOf(s.world().sim.population.front()));
    fuzz::keepMoves(s.world(), 1);
    fuzz::writeSeed(folder, "one-move", seedOf(s.world().sim.population.back()));
    fuzz::keepMoves(s.world(), 0);
    fuzz::writeSeed(folder, "no-moves", seedOf(*std::next(s.world().sim.population.begin())));
}

Scene* target = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::startTarget(writeCorpus);
    target = new Scene(2, 3);
    target->world().view.mainCamera.target[0] = 4.0f;
    target->world().view.mainCamera.target[1] = -3.0f;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::string> files = fuzz::splitFiles(data, size);
    MemorySource source("fuzz");
    for (std::size_t i = 0; i < files.size() && i < 2; ++i)
        source.put(kFiles[i], files[i]);
    World& w = target->world();
    const std::size_t before = w.sim.population.size();
    try {
        loadCreatureFrom(w.sim, w.settings, source,
                         PlacePoint{w.view.mainCamera.target[0], w.view.mainCamera.target[1]});
    } catch (const std::string&) {
        if (w.sim.population.size() != before)
            std::abort(); // a failed load must not change the population
        return 0;
    }
    for (int i = 0; i < 3; ++i)
        simulationStep(w.sim, w.settings);
    // Back to the start, the way the program removes creatures: those beyond
    // the first three are marked as dead and the next step takes them out
    // (clearing every reference to them and choosing new partners).
    for (auto it = std::next(w.sim.population.begin(), 3); it != w.sim.population.end(); ++it) {
        it->deathCause = Starved;
        it->lifeState = Removable;
    }
    simulationStep(w.sim, w.settings);
    return 0;
}
