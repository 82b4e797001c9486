// Fuzz target: a save whose manifest may be anything.
//
// Files of the input, in order: SHA256SUMS, then optionally a replacement
// for config.dat. The other files are those of a real save of two creatures.
// A load either succeeds with every file matching its sum or is refused with
// a text; nothing else may happen.
#include <cstdint>
#include <cstdlib>

#include "fuzz_support.h"
#include "persist/manifest.h"
#include "persist/save_all.h"
#include "persist/sha256.h"

namespace {

Scene* target = nullptr;
SavedFiles save;

void writeCorpus(const std::string& folder)
{
    Scene s(41, 2);
    s.step(60);
    const SavedFiles files = simulationFiles(s.world().sim, s.world().settings);
    fuzz::writeSeed(folder, "manifest", fuzz::joinFiles({encodeManifest(files)}));
    fuzz::writeSeed(folder, "manifest-and-config",
                    fuzz::joinFiles({encodeManifest(files), fuzz::fileOf(files, "config.dat")}));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::startTarget(writeCorpus);
    Scene s(41, 2);
    s.step(60);
    save = simulationFiles(s.world().sim, s.world().settings);
    target = new Scene(1, 2);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::string> files = fuzz::splitFiles(data, size);
    MemorySource source("fuzz");
    for (const auto& [name, bytes] : save)
        source.put(name, bytes);
    if (!files.empty())
        source.put(kManifestFile, files[0]);
    if (files.size() > 1)
        source.put("config.dat", files[1]);

    std::map<std::string, std::string> sums;
    std::string reason;
    const bool decoded = !files.empty() && decodeManifest(files[0], sums, reason);
    bool loaded = true;
    try {
        loadAllFrom(target->world().sim, target->world().settings, source);
    } catch (const std::string&) {
        loaded = false;
    }
    // A load that went through read only files that match the manifest.
    if (loaded && decoded && files.size() > 1) {
        const auto sum = sums.find("config.dat");
        if (sum != sums.end() && sum->second != sha256Hex(files[1]))
            std::abort();
    }
    if (loaded && !files.empty() && !decoded)
        std::abort(); // a manifest that is not one refuses the save
    return 0;
}
