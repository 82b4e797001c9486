// Fuzz target: a whole save folder, names included, through the loader with
// its checksum list and rules file.
//
// Each file of the input is one file of the folder: its name, a line end,
// then its contents, so the fuzzer changes names as well as bytes (a file
// renamed, missing, doubled or added). The seeds are real saves, with the
// checksum list, lineage.csv and rules.txt. A load that succeeds is followed
// by a few steps of the loaded world.
#include <cstdint>
#include <cstdlib>

#include "ecology/simulation_step.h"
#include "fuzz_support.h"
#include "persist/manifest.h"
#include "persist/save_all.h"

namespace {

std::string seedOf(const World& w)
{
    SavedFiles files = simulationFiles(w.sim, w.settings);
    files.emplace_back(kManifestFile, encodeManifest(files));
    std::vector<std::string> parts;
    for (const auto& [name, bytes] : files)
        parts.push_back(name + "\n" + bytes);
    return fuzz::joinFiles(parts);
}

void writeCorpus(const std::string& folder)
{
    {
        Scene s(31, 2);
        s.step(120);
        fuzz::keepMoves(s.world(), 1);
        s.world().settings.learningRule = LearningRuleId::Improved;
        s.world().settings.physics = PhysicsSetupId::Fast;
        fuzz::writeSeed(folder, "ruled", seedOf(s.world()));
    }
    {
        Scene s(32, 1);
        s.step(60);
        fuzz::keepMoves(s.world(), 0);
        fuzz::writeSeed(folder, "plain", seedOf(s.world()));
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
    MemorySource source("fuzz");
    for (const std::string& file : fuzz::splitFiles(data, size)) {
        const std::size_t end = file.find('\n');
        if (end != std::string::npos)
            source.put(file.substr(0, end), file.substr(end + 1));
    }
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
