// An archipelago's save: one save of all its islands.
//
// The folder holds a sub-folder for each island (island-1, island-2, ...),
// each a whole world's save with its own manifest, and at the top the file
// kArchipelagoFile: what the run was (its islands, seed, migration, clock)
// and, for each island, the sum of that island's manifest. The top manifest
// names that file. The whole is written as one save (save_folder.h): the
// islands are staged together and put in place by one journal, so a kill
// leaves the whole earlier save or the whole new one, and a save of fewer
// islands removes the islands beyond its own. A load accepts only islands
// whose manifests are the ones the top file names: an island missing,
// beyond the save's, a link, from another save or swapped with another is
// refused with the damaged-file text.
//
// A folder without the top file is a world's save when it holds a world's
// files (even beside a folder named island-1), and otherwise, when it holds
// island folders, an archipelago saved by an earlier version, which loads
// when its islands run from island-1 without a gap.
#pragma once
#ifndef CREATURES_FLOOR_PERSIST
#error "persist/ is for persist/ and the floors above it"
#endif

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "persist/file_io.h"
#include "persist/save_folder.h"

class FolderLock;

constexpr const char* kArchipelagoFile = "archipelago.txt";

// What the top file says of the run besides its islands' sums.
struct ArchipelagoHeader {
    int islands = 0;
    std::uint32_t seed = 0;
    double migrateEvery = 0.0;
    double time = 0.0; // the first island's clock
};

// The processes that save one archipelago together (MPI ranks); every
// process makes the same calls in the same order. A single process needs
// none.
class SaveCollective {
public:
    virtual ~SaveCollective() = default;
    // Whether this process writes the top of the save.
    virtual bool leads() const = 0;
    // The leading process's value, on every process.
    virtual int fromLead(int value) = 0;
    // Every process's text, in process order, at the leading process (empty
    // elsewhere).
    virtual std::vector<std::string> gatherAtLead(const std::string& mine) = 0;
    // The smallest of every process's value, on every process.
    virtual long long smallest(long long value) = 0;
};

// The islands this process holds: number (from 1) and the files of its save.
using IslandSaves = std::vector<std::pair<int, SavedFiles>>;

// The name of island n's folder in a save: "island-n".
std::string islandFolderName(int island);

// Writes the archipelago into the folder as one save. Every process of a
// collective calls it with its own islands; the header is the leading
// process's. Returns an empty text when done, else what could not be
// finished after the save took effect (save_folder.h); throws the failure
// text (on every process of a collective) with nothing changed.
// `checkpoint` is the leading process's save's (save_folder.h).
std::string saveArchipelago(const std::string& folder, const ArchipelagoHeader& header,
                            const IslandSaves& islands, SaveCollective* collective = nullptr,
                            const SaveCheckpoint& checkpoint = {});

// What a save folder holds, for a load.
struct SaveLayout {
    bool archipelago = false;
    // Whether a top file vouches for the islands (false for an earlier
    // version's archipelago).
    bool checked = false;
    ArchipelagoHeader header;
    // Where island n's save is read (element n - 1): its folder, or its
    // staged copy while a save that took effect is still being finished.
    std::vector<std::string> islandFolders;
    // Held while the islands load: no save into the folder meanwhile.
    std::shared_ptr<FolderLock> lock;
};

// Looks at a save folder. An archipelago that is not one whole save throws
// the damaged-file text; a folder that is neither kind is reported as a
// world (its load then says what is missing).
SaveLayout readSaveLayout(const std::string& folder);

// The islands' count of an archipelago's top file, and its sums; false,
// with the reason, for a text that is not one.
bool decodeArchipelago(const std::string& text, ArchipelagoHeader& header,
                       std::vector<std::string>& sums, std::string& reason);
std::string encodeArchipelago(const ArchipelagoHeader& header, const std::vector<std::string>& sums);
