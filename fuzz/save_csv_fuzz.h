// The body of the fuzz targets of a save's text files (family.csv,
// statistics.csv): the input is the file itself, in an otherwise whole save
// without a manifest, so only the file's own reader stands between it and
// the world.
//
// The file's own reader runs first, on its own. Whatever it takes is then
// loaded with the save, which either is refused with a text or succeeds; a
// loaded world exports its family tree, takes a few steps, and is saved and
// loaded again into a second world: whatever the program saves it must load,
// so a refusal there aborts.
#pragma once

#include <cstdint>
#include <cstdlib>

#include "run/tree_export.h"
#include "ecology/simulation_step.h"
#include "fuzz_support.h"
#include "persist/save_all.h"

namespace fuzz {

struct SaveCsvTarget {
    const char* file;  // the save's file the input stands for
    Scene* world;      // loaded with the input
    Scene* again;      // loaded with the world's next save
    SavedFiles save;   // the save the input goes into
    // The file's reader, given the text and the save's world as saved.
    bool (*reads)(const std::string& text, const Simulation& saved);
    Scene* saved;      // the world of the save, kept as it was saved
};

// A world of a few creatures run for a while, and its save.
inline SavedFiles savedWorld(Scene& s)
{
    s.step(300);
    return simulationFiles(s.world().sim, s.world().settings);
}

// Sets a target up at the start: the seed corpus, the world of the save
// (a scene of the seed, four creatures) and the worlds the inputs load into.
inline void prepareSaveCsv(SaveCsvTarget& t, unsigned seed,
                           bool (*reads)(const std::string& text, const Simulation& saved),
                           void (*writeCorpus)(const std::string& folder))
{
    startTarget(writeCorpus);
    static Scene made(seed, 4);
    t.save = savedWorld(made);
    t.saved = &made;
    t.reads = reads;
    t.world = new Scene(3, 1);
    t.again = new Scene(2, 1);
}

inline int runSaveCsv(SaveCsvTarget& t, const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (!t.reads(text, t.saved->world().sim))
        return 0;
    MemorySource source("fuzz");
    putSave(source, t.save, t.file, text);
    World& w = t.world->world();
    try {
        loadAllFrom(w.sim, w.settings, source);
    } catch (const std::string&) {
        return 0;
    }
    if (newickOf(w.sim.family).empty() || dotOf(w.sim.family).empty())
        std::abort();
    for (int i = 0; i < 3; ++i)
        simulationStep(w.sim, w.settings);
    MemorySource next("next");
    for (const auto& [name, bytes] : simulationFiles(w.sim, w.settings))
        next.put(name, bytes);
    World& back = t.again->world();
    try {
        loadAllFrom(back.sim, back.settings, next);
    } catch (const std::string&) {
        std::abort();
    }
    return 0;
}

} // namespace fuzz
