// Fuzz target: reading a lineage.csv that may be anything.
//
// The input is the file itself, read for a world of five creatures. It is
// either taken whole or ignored with a warning; nothing else may happen.
#include <cstdint>
#include <cstdlib>

#include "fuzz_support.h"
#include "persist/lineage_file.h"

namespace {

Scene* target = nullptr;

void writeCorpus(const std::string& folder)
{
    Scene s(31, 5);
    s.step(200);
    fuzz::writeSeed(folder, "lineage", encodeLineage(s.world().sim.population));
    fuzz::writeSeed(folder, "header-only", "index,id,generation,parent_a,parent_b,children\n");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::startTarget(writeCorpus);
    target = new Scene(31, 5);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    MemorySource source("fuzz");
    source.put(kLineageFile, std::string(reinterpret_cast<const char*>(data), size));
    Population& creatures = target->world().sim.population;
    for (auto& a : creatures) {
        a.generation = -7;
        a.parentIds[0] = a.parentIds[1] = -7;
    }
    readLineage(source, creatures);
    // All or nothing: every creature took a row, or none did.
    const bool first = creatures.front().generation == -7;
    for (const auto& a : creatures)
        if ((a.generation == -7) != first || a.generation < -7)
            std::abort();
    return 0;
}
