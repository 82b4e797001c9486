// Contents: the top file (encoding, decoding); writing a save of islands,
// alone or with other processes; reading a folder's layout (checked and
// earlier archipelagos).
#include "persist/archipelago_save.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <sstream>
#include <stdexcept>

#include "persist/folder_lock.h"
#include "persist/manifest.h"
#include "persist/save_folder.h"
#include "persist/sha256.h"

namespace {

constexpr int kMaxIslands = 100000;
constexpr std::size_t kMaxArchipelagoBytes = std::size_t(16) << 20;

std::string trimmed(std::string s)
{
    while (s.size() > 1 && s.back() == '/')
        s.pop_back();
    return s;
}

// The island number of a folder name "island-N" (N from 1, no leading
// zeros); 0 for any other name.
int islandNumber(const std::string& name)
{
    static const std::string prefix = "island-";
    if (name.size() <= prefix.size() || name.size() > prefix.size() + 6 ||
        name.compare(0, prefix.size(), prefix) != 0 || name[prefix.size()] == '0')
        return 0;
    int n = 0;
    for (std::size_t i = prefix.size(); i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9')
            return 0;
        n = n * 10 + (name[i] - '0');
    }
    return n;
}

bool isHexSum(const std::string& s)
{
    return s.size() == 64 &&
           std::all_of(s.begin(), s.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

std::string number(double v)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", v);
    return text;
}

// The names an earlier world's save in the folder wrote (its manifest's),
// which a save of islands over it removes.
std::vector<std::string> worldFilesOf(const std::string& folder)
{
    std::string text;
    std::map<std::string, std::string> sums;
    std::string reason;
    std::vector<std::string> names;
    if (readRegularFile(folder + "/" + kManifestFile, text, kMaxManifestBytes) != ReadResult::Done ||
        !decodeManifest(text, sums, reason))
        return names;
    for (const auto& entry : sums)
        names.push_back(entry.first);
    return names;
}

// The part of a collective save of a process that does not lead: its
// islands staged beside the leader's, their sums sent to it.
std::string stageForLeader(const std::string& folder, const IslandSaves& islands,
                           SaveCollective& c)
{
    const std::string staging = folder + "/" + kStagingName;
    if (!c.fromLead(0)) {
        c.gatherAtLead(std::string());
        c.fromLead(0);
        throwText("cannot save: " + folder + " (the first island's process could not save)");
    }
    std::string line;
    try {
        for (const auto& [n, files] : islands)
            line += "island " + std::to_string(n) + " " +
                    stageFolder(staging + "/" + islandFolderName(n), files) + "\n";
    } catch (const std::string& text) {
        line = "error " + text;
    }
    c.gatherAtLead(line);
    if (!c.fromLead(0))
        throwText("cannot save: " + folder + " (the archipelago was not saved)");
    return std::string();
}

} // namespace

std::string islandFolderName(int island)
{
    return "island-" + std::to_string(island);
}

std::string encodeArchipelago(const ArchipelagoHeader& header, const std::vector<std::string>& sums)
{
    std::string text = "creatures archipelago\n";
    text += "islands " + std::to_string(header.islands) + "\n";
    text += "seed " + std::to_string(header.seed) + "\n";
    text += "migrate-every " + number(header.migrateEvery) + "\n";
    text += "time " + number(header.time) + "\n";
    for (std::size_t i = 0; i < sums.size(); ++i)
        text += "island " + std::to_string(i + 1) + " " + sums[i] + "\n";
    return text + "end\n";
}

bool decodeArchipelago(const std::string& text, ArchipelagoHeader& header,
                       std::vector<std::string>& sums, std::string& reason)
{
    std::istringstream in(text);
    std::string line;
    auto field = [&](const char* name, std::string& value) {
        const std::string prefix = std::string(name) + " ";
        if (!std::getline(in, line) || line.compare(0, prefix.size(), prefix) != 0) {
            reason = std::string("no ") + name + " line";
            return false;
        }
        value = line.substr(prefix.size());
        return true;
    };
    if (!std::getline(in, line) || line != "creatures archipelago") {
        reason = "not an archipelago's file";
        return false;
    }
    std::string islands, seed, every, time;
    if (!field("islands", islands) || !field("seed", seed) || !field("migrate-every", every) ||
        !field("time", time))
        return false;
    try {
        std::size_t used = 0;
        const long n = std::stol(islands, &used);
        if (used != islands.size() || n < 1 || n > kMaxIslands)
            throw std::invalid_argument("islands");
        header.islands = static_cast<int>(n);
        const unsigned long long s = std::stoull(seed, &used);
        if (used != seed.size() || s > 0xffffffffULL || seed[0] == '-')
            throw std::invalid_argument("seed");
        header.seed = static_cast<std::uint32_t>(s);
        header.migrateEvery = std::stod(every, &used);
        if (used != every.size() || !(header.migrateEvery >= 0 && header.migrateEvery < 1e12))
            throw std::invalid_argument("migrate-every");
        header.time = std::stod(time, &used);
        if (used != time.size() || !(header.time >= 0 && header.time < 1e15))
            throw std::invalid_argument("time");
    } catch (const std::exception&) {
        reason = "a value out of range";
        return false;
    }
    sums.clear();
    for (int i = 1; i <= header.islands; ++i) {
        const std::string prefix = "island " + std::to_string(i) + " ";
        if (!std::getline(in, line) || line.compare(0, prefix.size(), prefix) != 0 ||
            !isHexSum(line.substr(prefix.size()))) {
            reason = "no sum for island " + std::to_string(i);
            return false;
        }
        sums.push_back(line.substr(prefix.size()));
    }
    if (!std::getline(in, line) || line != "end" || in.peek() != std::char_traits<char>::eof()) {
        reason = "not ended as one";
        return false;
    }
    return true;
}

std::string saveArchipelago(const std::string& folderName, const ArchipelagoHeader& header,
                            const IslandSaves& islands, SaveCollective* c,
                            const SaveCheckpoint& checkpoint)
{
    const std::string folder = trimmed(folderName);
    if (c && !c->leads())
        return stageForLeader(folder, islands, *c);

    std::vector<std::string> sums(static_cast<std::size_t>(header.islands));
    SubFolders sub;
    for (const auto& [n, files] : islands) {
        sub.folders.emplace_back(islandFolderName(n), files);
        sums[static_cast<std::size_t>(n - 1)] = sha256Hex(encodeManifest(files));
    }
    bool othersStarted = false;
    sub.complete = [&](const std::string&, SavedFiles& more, std::vector<std::string>& moreFolders) {
        if (c) {
            othersStarted = true;
            c->fromLead(1);
            const std::vector<std::string> lines = c->gatherAtLead(std::string());
            for (const std::string& text : lines) {
                if (text.compare(0, 6, "error ") == 0)
                    throwText("cannot save: " + folder + " (" + text.substr(6) + ")");
                std::istringstream in(text);
                std::string word, sum;
                int n = 0;
                while (in >> word >> n >> sum) {
                    if (word != "island" || n < 1 || n > header.islands || !isHexSum(sum))
                        throwText("cannot save: " + folder + " (a process sent no island)");
                    sums[static_cast<std::size_t>(n - 1)] = sum;
                    moreFolders.push_back(islandFolderName(n));
                }
            }
        }
        for (std::size_t i = 0; i < sums.size(); ++i)
            if (sums[i].empty())
                throwText("cannot save: " + folder + " (island " + std::to_string(i + 1) +
                          " was not saved)");
        more.emplace_back(kArchipelagoFile, encodeArchipelago(header, sums));
    };
    // What an earlier save leaves that this one does not write: islands
    // beyond this one's, and the files of a world's save.
    sub.staleFolder = [&](const std::string& name) {
        return islandNumber(name) > header.islands;
    };
    bool worldRead = false;
    std::vector<std::string> worldFiles;
    const StaleFilePredicate staleFile = [&](const std::string& name) {
        if (!worldRead) {
            worldFiles = worldFilesOf(folder);
            worldRead = true;
        }
        return name != kArchipelagoFile &&
               std::find(worldFiles.begin(), worldFiles.end(), name) != worldFiles.end();
    };
    std::string left;
    try {
        left = writeFolder(folder, SavedFiles(), staleFile, sub, checkpoint);
    } catch (const std::string&) {
        if (c) {
            if (!othersStarted) {
                c->fromLead(0);
                c->gatherAtLead(std::string());
            }
            c->fromLead(0);
        }
        throw;
    }
    if (c)
        c->fromLead(1);
    return left;
}

namespace {

bool isEntry(const std::string& path, struct stat& st)
{
    return ::lstat(path.c_str(), &st) == 0;
}

// The island folders' numbers among the folder's entries.
std::vector<int> islandNames(const std::string& folder)
{
    std::vector<int> numbers;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return numbers;
    while (const dirent* e = ::readdir(dir))
        if (const int n = islandNumber(e->d_name))
            numbers.push_back(n);
    ::closedir(dir);
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

// A folder without the top file: a world's save, or islands of an earlier
// version that run from island-1 without a gap.
void readEarlierLayout(const std::string& folder, SaveLayout& layout)
{
    struct stat st;
    if (isEntry(folder + "/" + kManifestFile, st) || isEntry(folder + "/config.dat", st))
        return; // a world's save
    const std::vector<int> numbers = islandNames(folder);
    int count = 0;
    for (int n : numbers) {
        if (n != count + 1)
            throwDamaged(folder + "/" + islandFolderName(count + 1),
                         "missing, though " + islandFolderName(n) + " is there");
        const std::string path = folder + "/" + islandFolderName(n);
        if (!isEntry(path, st) || !S_ISDIR(st.st_mode))
            throwDamaged(path, S_ISLNK(st.st_mode) ? "a link, not an island's folder"
                                                   : "not a folder");
        layout.islandFolders.push_back(path);
        ++count;
    }
    if (count == 0)
        return;
    layout.archipelago = true;
    layout.header.islands = count;
}

} // namespace

SaveLayout readSaveLayout(const std::string& folderName)
{
    SaveLayout layout;
    const std::string folder = trimmed(folderName);
    struct stat st;
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return layout; // the load says what is wrong
    layout.lock = std::make_shared<FolderLock>(folder, FolderLock::Mode::Shared);

    // A save that took effect but was not finished is read through its
    // journal, as a world's is.
    std::vector<std::string> staged, dropped;
    const std::string staging = folder + "/" + kStagingName;
    if (isEntry(staging, st)) {
        if (!S_ISDIR(st.st_mode))
            throwDamaged(staging, "not a folder");
        const JournalState state = readSaveJournal(folder, staged, &dropped);
        if (state == JournalState::Broken)
            throwDamaged(staging + "/" + kJournalName, "not a whole journal");
        if (state == JournalState::None) {
            staged.clear();
            dropped.clear();
        }
    }
    auto where = [&](const std::string& name) {
        return std::find(staged.begin(), staged.end(), name) != staged.end()
                   ? staging + "/" + name
                   : folder + "/" + name;
    };

    const std::string topPath = folder + "/" + kArchipelagoFile;
    std::string text;
    switch (readRegularFile(where(kArchipelagoFile), text, kMaxArchipelagoBytes)) {
    case ReadResult::Done: break;
    case ReadResult::Missing: readEarlierLayout(folder, layout); return layout;
    case ReadResult::NotAFile: throwDamaged(topPath, "not a regular file");
    case ReadResult::TooLarge: throwDamaged(topPath, "too large");
    default: throwCannotOpen(topPath);
    }
    // The top manifest vouches for the top file.
    std::string manifest;
    std::map<std::string, std::string> topSums;
    std::string reason;
    if (readRegularFile(where(kManifestFile), manifest, kMaxManifestBytes) != ReadResult::Done ||
        !decodeManifest(manifest, topSums, reason))
        throwDamaged(folder + "/" + kManifestFile, "missing or not a manifest");
    const auto named = topSums.find(kArchipelagoFile);
    if (named == topSums.end() || named->second != sha256Hex(text))
        throwDamaged(topPath, "checksum");
    std::vector<std::string> sums;
    if (!decodeArchipelago(text, layout.header, sums, reason))
        throwDamaged(topPath, reason);

    const std::string count = std::to_string(layout.header.islands);
    for (int n = 1; n <= layout.header.islands; ++n) {
        const std::string name = islandFolderName(n);
        const std::string path = where(name);
        if (!isEntry(path, st))
            throwDamaged(folder + "/" + name, "missing: the save has " + count + " islands");
        if (S_ISLNK(st.st_mode))
            throwDamaged(folder + "/" + name, "a link, not an island's folder");
        if (!S_ISDIR(st.st_mode))
            throwDamaged(folder + "/" + name, "not a folder");
        std::string islandManifest;
        if (readRegularFile(path + "/" + kManifestFile, islandManifest, kMaxManifestBytes) !=
                ReadResult::Done ||
            sha256Hex(islandManifest) != sums[static_cast<std::size_t>(n - 1)])
            throwDamaged(folder + "/" + name, "not island " + std::to_string(n) + " of this save");
        layout.islandFolders.push_back(path);
    }
    for (int n : islandNames(folder)) {
        const std::string name = islandFolderName(n);
        if (n > layout.header.islands &&
            std::find(dropped.begin(), dropped.end(), name) == dropped.end())
            throwDamaged(folder + "/" + name, "an island beyond the save's " + count);
    }
    layout.archipelago = true;
    layout.checked = true;
    return layout;
}
