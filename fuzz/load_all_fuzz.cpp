// Fuzz target: loading a whole simulation from damaged files.
//
// Files of the input, in order: config.dat, posAgent.dat, AimPosData.dat,
// then 0.dat, 1.dat, ... A load that succeeds is followed by a few steps of
// the loaded world.
#include <cstdint>
#include <cstdlib>

#include "ecology/simulation_step.h"
#include "fuzz_support.h"
#include "persist/save_all.h"

namespace {

const char* const kFixed[] = {"config.dat", "posAgent.dat", "AimPosData.dat"};

std::string seedOf(const World& w)
{
    const SavedFiles files = simulationFiles(w.sim, w.settings);
    std::vector<std::string> parts;
    for (const char* name : kFixed)
        parts.push_back(fuzz::fileOf(files, name));
    for (std::size_t i = 0; i < w.sim.population.size(); ++i)
        parts.push_back(fuzz::fileOf(files, std::to_string(i) + ".dat"));
    return fuzz::joinFiles(parts);
}

void writeCorpus(const std::string& folder)
{
    {
        Scene s(11, 1);
        s.step(150);
        fuzz::writeSeed(folder, "one-creature", seedOf(s.world()));
    }
    {
        Scene s(12, 3);
        s.step(100);
        fuzz::keepMoves(s.world(), 1);
        fuzz::writeSeed(folder, "three-creatures-one-move", seedOf(s.world()));
    }
    {
        Scene s(13, 0);
        fuzz::writeSeed(folder, "empty", seedOf(s.world()));
    }
}

Scene* target = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::startTarget(writeCorpus);
    target = new Scene(1, 2);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::string> files = fuzz::splitFiles(data, size);
    MemorySource source("fuzz");
    for (std::size_t i = 0; i < files.size(); ++i)
        source.put(i < 3 ? kFixed[i] : std::to_string(i - 3) + ".dat", files[i]);
    World& w = target->world();
    try {
        loadAllFrom(w.sim, w.settings, source);
    } catch (const std::string&) {
        return 0;
    }
    for (int i = 0; i < 3; ++i)
        simulationStep(w.sim, w.settings);
    return 0;
}
